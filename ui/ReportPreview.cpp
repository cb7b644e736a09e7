#include "ui/ReportPreview.h"

#include "core/Errors.h"
#include "core/UserDialogs.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPageLayout>
#include <QPageSize>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPrintDialog>
#include <QPrinter>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QStandardPaths>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>

namespace {

using namespace ReportGeometry;

constexpr double MinZoom = 0.1;
constexpr double MaxZoom = 6.0;
// The steps of the zoom buttons.
constexpr std::array<double, 11> ZoomSteps{0.25, 0.33, 0.5, 0.67, 0.75, 1.0, 1.25, 1.5, 2.0, 3.0, 4.0};

// The folder of the last report saved in this session, offered again.
QString& LastSaveFolder()
{
    static QString folder;
    return folder;
}

// The wait cursor while pages are written or printed.
class TWaitCursor final {
public:
    TWaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~TWaitCursor() { QGuiApplication::restoreOverrideCursor(); }
    TWaitCursor(const TWaitCursor&) = delete;
    TWaitCursor& operator=(const TWaitCursor&) = delete;
};

// Our own small toolbar pictures, for desktops without an icon theme.
QIcon DrawnIcon(const std::function<void(QPainter&)>& draw)
{
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    draw(painter);
    painter.end();
    return QIcon(pixmap);
}

QIcon ThemeIcon(const char* name, const std::function<void(QPainter&)>& draw)
{
    return QIcon::fromTheme(QString::fromLatin1(name), DrawnIcon(draw));
}

const QColor Ink(40, 60, 110);

void DrawMagnifier(QPainter& p, bool plus)
{
    p.setPen(QPen(Ink, 2.5));
    p.setBrush(QColor(230, 240, 255));
    p.drawEllipse(QPointF(13, 13), 9, 9);
    p.setPen(QPen(Ink, 4.5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(20, 20), QPointF(28, 28));
    p.setPen(QPen(Ink, 2.5, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(QPointF(8.5, 13), QPointF(17.5, 13));
    if (plus)
        p.drawLine(QPointF(13, 8.5), QPointF(13, 17.5));
}

void DrawSheet(QPainter& p)
{
    p.setPen(QPen(Ink, 2));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(8, 3, 16, 26));
    p.setPen(QPen(QColor(140, 150, 170), 1.5));
    for (double y = 9; y < 26; y += 4)
        p.drawLine(QPointF(11, y), QPointF(21, y));
}

void DrawWidth(QPainter& p)
{
    DrawSheet(p);
    p.setPen(QPen(Ink, 2.5));
    p.drawLine(QPointF(2, 16), QPointF(30, 16));
    QPainterPath heads;
    heads.moveTo(2, 16);
    heads.lineTo(7, 11);
    heads.lineTo(7, 21);
    heads.closeSubpath();
    heads.moveTo(30, 16);
    heads.lineTo(25, 11);
    heads.lineTo(25, 21);
    heads.closeSubpath();
    p.setBrush(Ink);
    p.drawPath(heads);
}

void DrawPrinter(QPainter& p)
{
    p.setPen(QPen(Ink, 2));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(9, 3, 14, 10));
    p.setBrush(QColor(190, 200, 215));
    p.drawRoundedRect(QRectF(3, 12, 26, 12), 2, 2);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(9, 19, 14, 10));
    p.setPen(QPen(QColor(140, 150, 170), 1.5));
    p.drawLine(QPointF(12, 23), QPointF(20, 23));
    p.drawLine(QPointF(12, 26), QPointF(20, 26));
}

} // namespace

// ===========================================================================
// The page view
// ===========================================================================

TReportPageView::TReportPageView(const TAccessReport& report, QWidget* parent) : QWidget(parent), m_report(report)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    UpdateSize();
}

void TReportPageView::SetPage(int index)
{
    const int page = std::clamp(index, 0, std::max(0, m_report.PageCount() - 1));
    if (page == m_page)
        return;
    m_page = page;
    update();
}

void TReportPageView::SetZoom(double zoom)
{
    m_zoom = std::clamp(zoom, MinZoom, MaxZoom);
    UpdateSize();
    update();
}

void TReportPageView::UpdateSize()
{
    setFixedSize(int(std::ceil(PageWidth * m_zoom)) + 2 * Surround, int(std::ceil(PageHeight * m_zoom)) + 2 * Surround);
}

void TReportPageView::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    painter.fillRect(event->rect(), palette().color(QPalette::Dark));
    const QRectF paper(Surround, Surround, PageWidth * m_zoom, PageHeight * m_zoom);
    painter.fillRect(paper.translated(4, 4), QColor(0, 0, 0, 90));
    painter.fillRect(paper, Qt::white);
    painter.setClipRect(paper);
    m_report.PaintPage(painter, m_page, paper, paper);
}

void TReportPageView::wheelEvent(QWheelEvent* event)
{
    if (event->modifiers() & Qt::ControlModifier) {
        const int delta = event->angleDelta().y();
        if (delta != 0)
            Q_EMIT ZoomRequested(delta > 0 ? 1 : -1);
        event->accept();
        return;
    }
    // Plain turns scroll the page, which the scroll area does.
    event->ignore();
}

// ===========================================================================
// The preview window
// ===========================================================================

TfrmRelatorio::TfrmRelatorio(TAccessReport report, QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMaximizeButtonHint |
                          Qt::WindowCloseButtonHint)
    , m_report(std::move(report))
{
    setWindowTitle(TAccessReport::Title());
    setObjectName(QStringLiteral("frmRelatorio"));

    m_toolBar = new QToolBar(this);
    m_toolBar->setObjectName(QStringLiteral("tbRelatorio"));
    m_toolBar->setIconSize(QSize(24, 24));
    m_toolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);

    QStyle* s = style();
    m_first = AddAction(QStringLiteral("actPrimeiraPagina"), QStringLiteral("Primeira página"),
                        QStringLiteral("Primeira página (Ctrl+Home)"), s->standardIcon(QStyle::SP_MediaSkipBackward),
                        QKeySequence(Qt::CTRL | Qt::Key_Home));
    m_prior = AddAction(QStringLiteral("actPaginaAnterior"), QStringLiteral("Página anterior"),
                        QStringLiteral("Página anterior (Page Up)"), s->standardIcon(QStyle::SP_ArrowLeft),
                        QKeySequence(Qt::Key_PageUp));

    m_pageBox = new QSpinBox(this);
    m_pageBox->setObjectName(QStringLiteral("spnPagina"));
    m_pageBox->setRange(1, std::max(1, m_report.PageCount()));
    m_pageBox->setKeyboardTracking(false);
    m_pageBox->setAlignment(Qt::AlignRight);
    m_pageBox->setToolTip(QStringLiteral("Página mostrada: digite o número da página desejada"));
    m_pageBox->setAccessibleName(QStringLiteral("Página"));
    m_toolBar->addWidget(m_pageBox);
    m_pageCountLabel = new QLabel(QStringLiteral(" de %1 ").arg(m_report.PageCount()), this);
    m_pageCountLabel->setObjectName(QStringLiteral("lblTotalPaginas"));
    m_toolBar->addWidget(m_pageCountLabel);

    m_next = AddAction(QStringLiteral("actProximaPagina"), QStringLiteral("Próxima página"),
                       QStringLiteral("Próxima página (Page Down)"), s->standardIcon(QStyle::SP_ArrowRight),
                       QKeySequence(Qt::Key_PageDown));
    m_last = AddAction(QStringLiteral("actUltimaPagina"), QStringLiteral("Última página"),
                       QStringLiteral("Última página (Ctrl+End)"), s->standardIcon(QStyle::SP_MediaSkipForward),
                       QKeySequence(Qt::CTRL | Qt::Key_End));
    m_toolBar->addSeparator();

    m_zoomOut = AddAction(QStringLiteral("actReduzir"), QStringLiteral("Reduzir"), QStringLiteral("Reduzir (Ctrl+-)"),
                          ThemeIcon("zoom-out", [](QPainter& p) { DrawMagnifier(p, false); }),
                          QKeySequence::ZoomOut);
    m_zoomLabel = new QLabel(this);
    m_zoomLabel->setObjectName(QStringLiteral("lblZoom"));
    m_zoomLabel->setToolTip(QStringLiteral("Tamanho da página em relação ao tamanho real"));
    m_zoomLabel->setAlignment(Qt::AlignCenter);
    m_zoomLabel->setMinimumWidth(m_zoomLabel->fontMetrics().horizontalAdvance(QStringLiteral("0000%")));
    m_toolBar->addWidget(m_zoomLabel);
    m_zoomIn = AddAction(QStringLiteral("actAmpliar"), QStringLiteral("Ampliar"), QStringLiteral("Ampliar (Ctrl++)"),
                         ThemeIcon("zoom-in", [](QPainter& p) { DrawMagnifier(p, true); }), QKeySequence::ZoomIn);
    m_fitPage = AddAction(QStringLiteral("actPaginaInteira"), QStringLiteral("Página inteira"),
                          QStringLiteral("Mostrar a página inteira"), ThemeIcon("zoom-fit-best", DrawSheet));
    m_fitWidth = AddAction(QStringLiteral("actLarguraPagina"), QStringLiteral("Largura da página"),
                           QStringLiteral("Ajustar à largura da página"), ThemeIcon("zoom-fit-width", DrawWidth));
    m_fitPage->setCheckable(true);
    m_fitWidth->setCheckable(true);
    m_toolBar->addSeparator();

    m_print = AddAction(QStringLiteral("actImprimir"), QStringLiteral("&Imprimir..."),
                        QStringLiteral("Imprimir o relatório (Ctrl+P)"), ThemeIcon("document-print", DrawPrinter),
                        QKeySequence::Print);
    m_save = AddAction(QStringLiteral("actSalvarPdf"), QStringLiteral("&Salvar PDF..."),
                       QStringLiteral("Salvar o relatório como arquivo PDF (Ctrl+S)"),
                       s->standardIcon(QStyle::SP_DialogSaveButton), QKeySequence::Save);
    m_toolBar->addSeparator();
    m_close = AddAction(QStringLiteral("actFechar"), QStringLiteral("&Fechar"),
                        QStringLiteral("Fechar a visualização (Esc)"), s->standardIcon(QStyle::SP_DialogCloseButton));
    // The commands people look for by name carry their name on the button.
    for (QAction* action : {m_print, m_save, m_close})
        if (auto* button = qobject_cast<QToolButton*>(m_toolBar->widgetForAction(action)))
            button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);

    m_view = new TReportPageView(m_report, this);
    m_view->setObjectName(QStringLiteral("pagina"));
    m_scroll = new QScrollArea(this);
    m_scroll->setObjectName(QStringLiteral("sbPagina"));
    m_scroll->setBackgroundRole(QPalette::Dark);
    m_scroll->setAlignment(Qt::AlignCenter);
    m_scroll->setWidget(m_view);
    m_scroll->viewport()->installEventFilter(this);

    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("lblStatus"));
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setMenuBar(m_toolBar);
    layout->addWidget(m_scroll, 1);
    auto* statusRow = new QHBoxLayout;
    statusRow->setContentsMargins(8, 3, 8, 3);
    statusRow->addWidget(m_status, 1);
    layout->addLayout(statusRow);

    connect(m_first, &QAction::triggered, this, Guarded([this] { FirstPage(); }));
    connect(m_prior, &QAction::triggered, this, Guarded([this] { PriorPage(); }));
    connect(m_next, &QAction::triggered, this, Guarded([this] { NextPage(); }));
    connect(m_last, &QAction::triggered, this, Guarded([this] { LastPage(); }));
    connect(m_pageBox, &QSpinBox::valueChanged, this, Guarded([this](int page) { GoToPage(page); }));
    connect(m_zoomIn, &QAction::triggered, this, Guarded([this] { ZoomIn(); }));
    connect(m_zoomOut, &QAction::triggered, this, Guarded([this] { ZoomOut(); }));
    connect(m_fitPage, &QAction::triggered, this, Guarded([this] { FitPage(); }));
    connect(m_fitWidth, &QAction::triggered, this, Guarded([this] { FitWidth(); }));
    connect(m_view, &TReportPageView::ZoomRequested, this,
            Guarded([this](int direction) { direction > 0 ? ZoomIn() : ZoomOut(); }));
    connect(m_print, &QAction::triggered, this, Guarded([this] { PrintClick(); }));
    connect(m_save, &QAction::triggered, this, Guarded([this] { SaveClick(); }));
    connect(m_close, &QAction::triggered, this, Guarded([this] { reject(); }));

    // A tall window, wide enough to read the page at about its real size.
    const QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
    const QRect available = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    resize(std::min(available.width() * 9 / 10, int(PageWidth) + 120), available.height() * 9 / 10);

    m_scroll->setFocus();
    ApplyFit();
    UpdateControls();
}

TfrmRelatorio::~TfrmRelatorio() = default;

QAction* TfrmRelatorio::AddAction(const QString& name, const QString& text, const QString& toolTip, const QIcon& icon,
                                  const QKeySequence& shortcut)
{
    auto* action = new QAction(icon, text, this);
    action->setObjectName(name);
    action->setToolTip(toolTip);
    if (!shortcut.isEmpty())
        action->setShortcut(shortcut);
    m_toolBar->addAction(action);
    return action;
}

int TfrmRelatorio::CurrentPage() const
{
    return m_view->Page() + 1;
}

double TfrmRelatorio::Zoom() const
{
    return m_view->Zoom();
}

QString TfrmRelatorio::StatusText() const
{
    return m_status->text();
}

void TfrmRelatorio::GoToPage(int page)
{
    m_view->SetPage(page - 1);
    // A new page is read from its top.
    m_scroll->verticalScrollBar()->setValue(0);
    UpdateControls();
}

void TfrmRelatorio::FirstPage()
{
    GoToPage(1);
}

void TfrmRelatorio::PriorPage()
{
    GoToPage(CurrentPage() - 1);
}

void TfrmRelatorio::NextPage()
{
    GoToPage(CurrentPage() + 1);
}

void TfrmRelatorio::LastPage()
{
    GoToPage(PageCount());
}

void TfrmRelatorio::ZoomIn()
{
    const double zoom = Zoom();
    const auto step = std::find_if(ZoomSteps.begin(), ZoomSteps.end(), [zoom](double s) { return s > zoom + 0.005; });
    SetZoom(step != ZoomSteps.end() ? *step : zoom * 1.25, TFit::None);
}

void TfrmRelatorio::ZoomOut()
{
    const double zoom = Zoom();
    const auto step =
        std::find_if(ZoomSteps.rbegin(), ZoomSteps.rend(), [zoom](double s) { return s < zoom - 0.005; });
    SetZoom(step != ZoomSteps.rend() ? *step : zoom / 1.25, TFit::None);
}

void TfrmRelatorio::FitPage()
{
    m_fit = TFit::Page;
    ApplyFit();
}

void TfrmRelatorio::FitWidth()
{
    m_fit = TFit::Width;
    ApplyFit();
}

void TfrmRelatorio::SetZoom(double zoom, TFit fit)
{
    m_fit = fit;
    m_view->SetZoom(zoom);
    UpdateControls();
}

void TfrmRelatorio::ApplyFit()
{
    if (m_fit == TFit::None) {
        UpdateControls();
        return;
    }
    // The room the page may take, without scroll bars (one pixel spared for
    // the rounding up of the page's size).
    const QSize room =
        m_scroll->maximumViewportSize() - QSize(2 * TReportPageView::Surround + 1, 2 * TReportPageView::Surround + 1);
    if (room.width() <= 0 || room.height() <= 0)
        return;
    double zoom = room.width() / PageWidth;
    if (m_fit == TFit::Page) {
        zoom = std::min(zoom, room.height() / PageHeight);
    } else if (PageHeight * zoom > room.height()) {
        // The page will scroll: leave room for the vertical scroll bar.
        const int bar = m_scroll->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_scroll);
        zoom = (room.width() - bar) / PageWidth;
    }
    m_view->SetZoom(zoom);
    UpdateControls();
}

void TfrmRelatorio::UpdateControls()
{
    const int page = CurrentPage();
    const int count = PageCount();
    m_first->setEnabled(page > 1);
    m_prior->setEnabled(page > 1);
    m_next->setEnabled(page < count);
    m_last->setEnabled(page < count);
    if (m_pageBox->value() != page) {
        const QSignalBlocker quiet(m_pageBox);
        m_pageBox->setValue(page);
    }
    m_zoomIn->setEnabled(Zoom() < MaxZoom - 0.005);
    m_zoomOut->setEnabled(Zoom() > MinZoom + 0.005);
    m_zoomLabel->setText(QString::number(qRound(Zoom() * 100)) + QLatin1Char('%'));
    m_fitPage->setChecked(m_fit == TFit::Page);
    m_fitWidth->setChecked(m_fit == TFit::Width);
}

bool TfrmRelatorio::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_scroll->viewport() && event->type() == QEvent::Resize && m_fit != TFit::None)
        ApplyFit();
    return QDialog::eventFilter(watched, event);
}

void TfrmRelatorio::PrintClick()
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageOrientation(QPageLayout::Portrait);
    printer.setDocName(TAccessReport::Title());
    printer.setCreator(QStringLiteral("Pulsim"));

    QPrintDialog dialog(&printer, this);
    dialog.setWindowTitle(QStringLiteral("Imprimir relatório"));
    dialog.setMinMax(1, PageCount());
    dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, true);
    if (dialog.exec() != QDialog::Accepted)
        return;

    QString error;
    bool printed = false;
    {
        const TWaitCursor wait;
        printed = m_report.Print(printer, CurrentPage(), &error);
    }
    if (!printed) {
        m_status->clear();
        ShowInfo(error);
        return;
    }
    m_status->setText(QStringLiteral("Relatório enviado para impressão."));
}

void TfrmRelatorio::SaveClick()
{
    QString folder = LastSaveFolder();
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        folder = QDir::homePath();

    QFileDialog dialog(this, QStringLiteral("Salvar relatório como PDF"), folder,
                       QStringLiteral("Documentos PDF (*.pdf)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QStringLiteral("pdf"));
    dialog.selectFile(TAccessReport::Title() + QStringLiteral(".pdf"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    SaveToFile(dialog.selectedFiles().constFirst());
}

bool TfrmRelatorio::SaveToFile(const QString& fileName)
{
    QString error;
    bool saved = false;
    {
        const TWaitCursor wait;
        saved = m_report.SaveToPdf(fileName, &error);
    }
    if (!saved) {
        m_status->clear();
        ShowInfo(error);
        return false;
    }
    LastSaveFolder() = QFileInfo(fileName).absolutePath();
    m_status->setText(QStringLiteral("Relatório salvo em \"%1\".").arg(QDir::toNativeSeparators(fileName)));
    return true;
}
