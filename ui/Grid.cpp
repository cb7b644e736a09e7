#include "ui/Grid.h"

#include "core/Errors.h"
#include "data/Table.h"
#include "data/TableModel.h"

#include <QApplication>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScopedValueRollback>
#include <QStyleOptionHeader>
#include <QToolTip>

#include <algorithm>
#include <utility>

namespace {

const TIndexDef* FindIndex(const TTable& table, const QString& name)
{
    for (const TIndexDef& def : table.IndexDefs())
        if (def.Name.compare(name, Qt::CaseInsensitive) == 0)
            return &def;
    return nullptr;
}

QPixmap DrawArrow(bool descending)
{
    constexpr int Size = 10;
    QPixmap pixmap(Size, Size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    if (descending) {
        path.moveTo(1, 2.5);
        path.lineTo(Size - 1, 2.5);
        path.lineTo(Size / 2.0, Size - 1.5);
    } else {
        path.moveTo(1, Size - 2.5);
        path.lineTo(Size - 1, Size - 2.5);
        path.lineTo(Size / 2.0, 1.5);
    }
    path.closeSubpath();
    p.setPen(QPen(QColor(30, 40, 100), 1));
    p.setBrush(QColor(70, 100, 190));
    p.drawPath(path);
    p.end();
    return pixmap;
}

} // namespace

// ---------------------------------------------------------------------------
// The sorting rule and the colours
// ---------------------------------------------------------------------------

namespace Grid {

QColor SelectedBackground()
{
    return QColor(70, 80, 210);
}

QColor SelectedText()
{
    return QColor(255, 255, 255);
}

QColor OddRowBackground()
{
    return QColor(210, 230, 250);
}

QColor EvenRowBackground()
{
    return QColor(255, 255, 255);
}

QPixmap SortArrow(bool descending)
{
    static const QPixmap ascendingArrow = DrawArrow(false);
    static const QPixmap descendingArrow = DrawArrow(true);
    return descending ? descendingArrow : ascendingArrow;
}

QString SortIndexName(const QString& columnField)
{
    return QStringLiteral("Temp") + columnField;
}

bool SortedBy(const TTable& table, const QString& columnField, bool* descending)
{
    const QString name = SortIndexName(columnField);
    if (table.IndexName().compare(name, Qt::CaseInsensitive) != 0)
        return false;
    const TIndexDef* def = FindIndex(table, name);
    if (!def)
        return false;
    if (descending)
        *descending = def->Descending;
    return true;
}

void SortByColumn(TTable& table, const QString& columnField, const QString& keyField)
{
    bool wasDescending = false;
    const bool descending = SortedBy(table, columnField, &wasDescending) && !wasDescending;
    const QString name = SortIndexName(columnField);
    // Deleting the active index falls back to the natural order and defining
    // it again re-sorts: the views are told once, at the end.
    const TControlsDisabled held(table);
    if (table.HasIndex(name))
        table.DeleteIndex(name);
    table.AddIndex(name, keyField, descending);
    table.SetIndexName(name);
}

} // namespace Grid

// ---------------------------------------------------------------------------
// TGridDelegate
// ---------------------------------------------------------------------------

TGridDelegate::TGridDelegate(TDBGrid* grid)
    : QStyledItemDelegate(grid)
    , m_grid(grid)
{
}

QColor TGridDelegate::BackgroundOf(int row, bool selectedAndFocused) const
{
    if (selectedAndFocused)
        return Grid::SelectedBackground();
    // Row 0 holds record number 1, an odd one.
    return row % 2 == 0 ? Grid::OddRowBackground() : Grid::EvenRowBackground();
}

QColor TGridDelegate::ForegroundOf(bool selectedAndFocused) const
{
    return selectedAndFocused ? Grid::SelectedText() : m_text;
}

void TGridDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QStyleOptionViewItem opt(option);
    initStyleOption(&opt, index);
    const bool highlighted = (option.state & QStyle::State_Selected) && m_grid->HasListFocus();
    const QColor background = BackgroundOf(index.row(), highlighted);
    const QColor foreground = ForegroundOf(highlighted);

    painter->fillRect(opt.rect, background);
    // The style draws the value in the usual way, on our colours: no
    // selection or hover panel of its own.
    opt.state &= ~(QStyle::State_Selected | QStyle::State_HasFocus | QStyle::State_MouseOver);
    opt.backgroundBrush = background;
    for (const QPalette::ColorRole role : {QPalette::Text, QPalette::WindowText, QPalette::HighlightedText})
        opt.palette.setColor(role, foreground);
    const QWidget* widget = opt.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);
}

// ---------------------------------------------------------------------------
// TGridHeader
// ---------------------------------------------------------------------------

TGridHeader::TGridHeader(QWidget* parent)
    : QHeaderView(Qt::Horizontal, parent)
{
    setSectionsClickable(true);
    setSectionsMovable(false);
    setHighlightSections(false);
    setSortIndicatorShown(false);
    setStretchLastSection(false);
    setSectionResizeMode(QHeaderView::Fixed);
    viewport()->setMouseTracking(true);
}

bool TGridHeader::OverTitle(const QPoint& pos) const
{
    return pos.y() >= 0 && pos.y() < viewport()->height() && logicalIndexAt(pos) >= 0;
}

int TGridHeader::ArrowColumn(bool* descending) const
{
    const auto* tableModel = qobject_cast<const TTableModel*>(model());
    if (!tableModel || !tableModel->Table())
        return -1;
    const TTable& table = *tableModel->Table();
    const auto& columns = tableModel->Columns();
    for (int column = 0; column < columns.size(); ++column)
        if (Grid::SortedBy(table, columns.at(column).Field, descending))
            return column;
    return -1;
}

QRect TGridHeader::ArrowRect(int column) const
{
    const QPixmap arrow = Grid::SortArrow(false);
    const int right = sectionViewportPosition(column) + sectionSize(column);
    return QRect(QPoint(right - 18, (viewport()->height() - arrow.height()) / 2), arrow.size());
}

void TGridHeader::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const
{
    // The style may leave a clip of its own behind; the arrow is drawn
    // on a clean painter.
    painter->save();
    QHeaderView::paintSection(painter, rect, logicalIndex);
    painter->restore();
    bool descending = false;
    if (ArrowColumn(&descending) != logicalIndex)
        return;
    const QPixmap arrow = Grid::SortArrow(descending);
    painter->drawPixmap(rect.right() + 1 - 18, rect.top() + (rect.height() - arrow.height()) / 2, arrow);
}

void TGridHeader::UpdatePointer(const QPoint& pos)
{
    if (OverTitle(pos))
        viewport()->setCursor(Qt::PointingHandCursor);
    else
        viewport()->unsetCursor();
}

bool TGridHeader::viewportEvent(QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseMove:
        UpdatePointer(static_cast<QMouseEvent*>(event)->position().toPoint());
        break;
    case QEvent::Leave:
        viewport()->unsetCursor();
        break;
    case QEvent::ToolTip: {
        // The list's hint belongs to the titles: it invites a click on them.
        const auto* help = static_cast<QHelpEvent*>(event);
        if (!m_hint.isEmpty() && OverTitle(help->pos()))
            QToolTip::showText(help->globalPos(), m_hint, viewport());
        else
            QToolTip::hideText();
        return true;
    }
    default:
        break;
    }
    return QHeaderView::viewportEvent(event);
}

// ---------------------------------------------------------------------------
// TGridIndicator
// ---------------------------------------------------------------------------

TGridIndicator::TGridIndicator(QWidget* parent)
    : QHeaderView(Qt::Vertical, parent)
{
    setSectionsClickable(false);
    setHighlightSections(false);
    setSectionResizeMode(QHeaderView::Fixed);
    setDefaultSectionSize(17);
    setMinimumSectionSize(17);
    setFixedWidth(11);
}

void TGridIndicator::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const
{
    QStyleOptionHeader opt;
    initStyleOption(&opt);
    opt.rect = rect;
    opt.section = logicalIndex;
    style()->drawControl(QStyle::CE_HeaderSection, &opt, painter, this);

    const auto* view = qobject_cast<const QAbstractItemView*>(parentWidget());
    if (!view || view->currentIndex().row() != logicalIndex)
        return;
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(Qt::NoPen);
    painter->setBrush(palette().color(QPalette::ButtonText));
    const QPointF c = QRectF(rect).center();
    QPainterPath triangle;
    triangle.moveTo(c.x() - 2.5, c.y() - 4);
    triangle.lineTo(c.x() + 2.5, c.y());
    triangle.lineTo(c.x() - 2.5, c.y() + 4);
    triangle.closeSubpath();
    painter->drawPath(triangle);
    painter->restore();
}

// ---------------------------------------------------------------------------
// TDBGrid
// ---------------------------------------------------------------------------

TDBGrid::TDBGrid(QWidget* parent)
    : QTableView(parent)
    , m_header(new TGridHeader(this))
    , m_indicator(new TGridIndicator(this))
    , m_delegate(new TGridDelegate(this))
{
    setHorizontalHeader(m_header);
    setVerticalHeader(m_indicator);
    setItemDelegate(m_delegate);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTabKeyNavigation(false);
    setShowGrid(true);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    setAlternatingRowColors(false);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);

    connect(m_header, &QHeaderView::sectionClicked, this, Guarded([this](int column) { Q_EMIT TitleClick(column); }));
    // The highlight of the current row follows the keyboard focus of the list
    // and of its focus holder.
    connect(qApp, &QApplication::focusChanged, this, Guarded([this](QWidget*, QWidget*) { RepaintRows(); }));
}

TTable* TDBGrid::Table() const
{
    return m_model ? m_model->Table() : nullptr;
}

void TDBGrid::SetTableModel(TTableModel* model)
{
    m_model = model;
    setModel(model);
    if (!model)
        return;
    if (TTable* table = model->Table())
        connect(table, &TTable::CurrentChanged, this, Guarded([this](int) { FollowTable(); }));
    connect(model, &QAbstractItemModel::modelReset, this, Guarded([this] { FollowTable(); }));
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            Guarded([this](const QModelIndex& current, const QModelIndex&) {
                if (current.isValid())
                    FollowView(current.row());
                m_indicator->viewport()->update();
            }));
    FollowTable();
}

void TDBGrid::SetDetailColor(const QColor& color)
{
    m_delegate->SetTextColor(color);
    QPalette pal = m_header->palette();
    for (const QPalette::ColorRole role : {QPalette::ButtonText, QPalette::WindowText, QPalette::Text})
        pal.setColor(role, color);
    m_header->setPalette(pal);
    viewport()->update();
}

void TDBGrid::SetFocusHolder(QWidget* holder)
{
    m_focusHolder = holder;
}

bool TDBGrid::HasListFocus() const
{
    return hasFocus() || (m_focusHolder && m_focusHolder->hasFocus());
}

void TDBGrid::SetColumnWidths(const QVector<int>& widths)
{
    for (int column = 0; column < widths.size(); ++column)
        setColumnWidth(column, widths.at(column));
}

void TDBGrid::FollowTable()
{
    TTable* table = Table();
    // A frozen table shows what it showed: its cursor may be anywhere.
    if (m_following || !table || !table->Active() || table->ControlsDisabled())
        return;
    const int row = table->RecNo() - 1;
    const QScopedValueRollback<bool> following(m_following, true);
    if (row < 0 || row >= m_model->rowCount()) {
        selectionModel()->clear();
    } else {
        const QModelIndex index = m_model->index(row, std::max(0, currentIndex().column()));
        selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        scrollTo(index);
    }
    RepaintRows();
}

void TDBGrid::FollowView(int row)
{
    TTable* table = Table();
    if (m_following || !table || !table->Active() || table->ControlsDisabled())
        return;
    if (table->RecNo() == row + 1)
        return;
    const QScopedValueRollback<bool> following(m_following, true);
    table->SetRecNo(row + 1);
}

void TDBGrid::RepaintRows()
{
    viewport()->update();
    m_indicator->viewport()->update();
}
