#pragma once

#include <QColor>
#include <QHeaderView>
#include <QPixmap>
#include <QPointer>
#include <QStyledItemDelegate>
#include <QTableView>

class TTable;
class TTableModel;
class TDBGrid;

// The look and the sorting rule every list of table rows shares: whole-row
// selection, the selected row of the focused list on RGB 70, 80, 210 with
// white text, the other rows alternating RGB 210, 230, 250 (odd record
// numbers, the first row being record 1) and white, text in the window's
// detail colour, and a click on a column title ordering the table by that
// column, ascending first and reversing on each further click on it.
namespace Grid {

QColor SelectedBackground();
QColor SelectedText();
QColor OddRowBackground();
QColor EvenRowBackground();

// The arrows drawn in the title of the column the table is ordered by.
QPixmap SortArrow(bool descending);

// The index a click on a column title defines: "Temp" followed by the
// column's field name.
QString SortIndexName(const QString& columnField);

// True when `table` is ordered by the sort index of `columnField`;
// `descending` then tells the direction.
bool SortedBy(const TTable& table, const QString& columnField, bool* descending = nullptr);

// The title click: orders `table` by `keyField` under the index named after
// `columnField` — descending when the table is already ordered ascending by
// that index, ascending otherwise. The index is deleted and defined anew each
// time, and the views see one change. The current record stays current.
// `keyField` is usually the column's own field; a column that shows a value
// as text names the number behind it, so that it sorts by magnitude.
void SortByColumn(TTable& table, const QString& columnField, const QString& keyField);

} // namespace Grid

// Paints the cells of a TDBGrid with the shared row colours.
class TGridDelegate final : public QStyledItemDelegate {
    Q_OBJECT

public:
    explicit TGridDelegate(TDBGrid* grid);

    QColor TextColor() const { return m_text; }
    void SetTextColor(const QColor& color) { m_text = color; }

    // Background and text of a row (0-based view row): the highlight when
    // the row is selected and the list has the keyboard focus, otherwise the
    // colour of its record number's parity and the text colour.
    QColor BackgroundOf(int row, bool selectedAndFocused) const;
    QColor ForegroundOf(bool selectedAndFocused) const;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    TDBGrid* m_grid;
    QColor m_text = Qt::black;
};

// The title row: titles in the detail colour, the sort arrow in the title of
// the column the table is ordered by (its left edge 18 pixels left of the
// title's right edge), and over the titles — only there — the hand pointer
// and the list's hint.
class TGridHeader final : public QHeaderView {
    Q_OBJECT

public:
    explicit TGridHeader(QWidget* parent = nullptr);

    QString TitleHint() const { return m_hint; }
    void SetTitleHint(const QString& hint) { m_hint = hint; }

    // True when `pos` (header viewport coordinates) lies over a column title.
    bool OverTitle(const QPoint& pos) const;
    // The column whose title shows the sort arrow, -1 when none does.
    int ArrowColumn(bool* descending = nullptr) const;
    // Where the arrow of `column` is drawn, in header viewport coordinates.
    QRect ArrowRect(int column) const;

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;
    bool viewportEvent(QEvent* event) override;

private:
    void UpdatePointer(const QPoint& pos);

    QString m_hint;
};

// The row indicator at the left of the list: a small arrow on the current row.
class TGridIndicator final : public QHeaderView {
    Q_OBJECT

public:
    explicit TGridIndicator(QWidget* parent = nullptr);

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;
};

// A read-only list of the visible records of a table (through a TTableModel)
// with the shared look. The table's current record and the list's current
// row follow each other; a click on a column title is reported through
// TitleClick, so the window decides how to order.
class TDBGrid final : public QTableView {
    Q_OBJECT

public:
    explicit TDBGrid(QWidget* parent = nullptr);

    void SetTableModel(TTableModel* model);
    TTableModel* TableModel() const { return m_model; }
    TTable* Table() const;

    TGridHeader* Header() const { return m_header; }
    TGridIndicator* Indicator() const { return m_indicator; }
    TGridDelegate* Delegate() const { return m_delegate; }

    // Text and titles in `color`.
    void SetDetailColor(const QColor& color);

    // A widget that holds the keyboard focus on the list's behalf (it takes
    // the arrow keys for the list); while it has the focus the list counts as
    // focused.
    void SetFocusHolder(QWidget* holder);
    // The list, or its focus holder, has the keyboard focus.
    bool HasListFocus() const;

    // Width of each column, in order.
    void SetColumnWidths(const QVector<int>& widths);

Q_SIGNALS:
    void TitleClick(int column);

private:
    void FollowTable();          // table → view
    void FollowView(int row);    // view → table
    void RepaintRows();

    TTableModel* m_model = nullptr;
    TGridHeader* m_header;
    TGridIndicator* m_indicator;
    TGridDelegate* m_delegate;
    QPointer<QWidget> m_focusHolder;
    bool m_following = false;
};
