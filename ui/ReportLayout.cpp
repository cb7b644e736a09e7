#include "ui/ReportLayout.h"

#include "app/Artwork.h"
#include "core/Format.h"
#include "data/uDM.h"

#include <QDir>
#include <QFontMetricsF>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QSaveFile>

#include <algorithm>
#include <array>
#include <optional>
#include <utility>

namespace {

using namespace ReportGeometry;

// The columns of the list, shared by the headings and the detail band
// (x and width relative to the band).
struct TReportColumn {
    const char16_t* heading;
    double x;
    double width;
    Qt::Alignment alignment;
};

constexpr Qt::Alignment Left = Qt::AlignLeft | Qt::AlignVCenter;
constexpr Qt::Alignment Centre = Qt::AlignHCenter | Qt::AlignVCenter;
constexpr Qt::Alignment Right = Qt::AlignRight | Qt::AlignVCenter;

const std::array<TReportColumn, 7> Columns{{
    {u"Usuário", 56, 108, Left},
    {u"Início", 172, 112, Centre},
    {u"Fim", 291, 112, Centre},
    {u"Duração", 410, 90, Centre},
    {u"Custo", 507, 56, Centre},
    {u"Economia", 570, 66, Centre},
    {u"Pulsos", 644, 50, Centre},
}};

// The four totals of the summary, at the right of "Resumo Final".
struct TSummaryColumn {
    const char16_t* heading;
    double x;
    double width;
    QString TReportTotals::*value;
};

const std::array<TSummaryColumn, 4> SummaryColumns{{
    {u"Tempo", 302, 101, &TReportTotals::TempoTotal},
    {u"Custo", 412, 90, &TReportTotals::CustoTotal},
    {u"Economia", 514, 90, &TReportTotals::EconomiaTotal},
    {u"Pulsos", 615, 80, &TReportTotals::PulsosTotal},
}};

// The rules between the summary's blocks: one before "Tempo" and one
// between each pair of totals, halfway across the gap.
constexpr std::array<double, 4> SummaryDividers{296, 407.5, 508, 609.5};

// The picture is drawn 31 units wide; a larger bitmap keeps it sharp on paper.
constexpr int PicturePixels = 128;

// Adds the items of one band whose top lies at `top` on the page.
class TBandWriter final {
public:
    TBandWriter(QVector<TReportItem>& items, double top) : m_items(items), m_top(top) {}

    void Text(double x, double y, double width, double height, const QString& text, TReportFont font,
              Qt::Alignment alignment, bool elide = false)
    {
        TReportItem item;
        item.kind = TReportItem::Kind::Text;
        item.rect = Place(x, y, width, height);
        item.text = text;
        item.font = font;
        item.alignment = alignment;
        item.elide = elide;
        m_items.append(std::move(item));
    }

    void Rule(double x, double y, double width, double height)
    {
        TReportItem item;
        item.kind = TReportItem::Kind::Rule;
        item.rect = Place(x, y, width, height);
        m_items.append(std::move(item));
    }

    void Picture(double x, double y, double width, double height)
    {
        TReportItem item;
        item.kind = TReportItem::Kind::Picture;
        item.rect = Place(x, y, width, height);
        m_items.append(std::move(item));
    }

private:
    QRectF Place(double x, double y, double width, double height) const
    {
        return QRectF(BandLeft + x, m_top + y, width, height);
    }

    QVector<TReportItem>& m_items;
    double m_top;
};

struct TFontStyle {
    double points;
    bool bold;
    bool italic;
};

TFontStyle StyleOf(TReportFont font)
{
    switch (font) {
    case TReportFont::Title:
        return {24, false, false};
    case TReportFont::Credit:
        return {8, false, false};
    case TReportFont::ColumnHeading:
        return {10, true, false};
    case TReportFont::Detail:
        return {8, false, false};
    case TReportFont::Footer:
        return {10, false, true};
    case TReportFont::SummaryTitle:
        return {18, true, false};
    case TReportFont::SummaryHeading:
        return {10, true, false};
    case TReportFont::SummaryText:
        return {10, false, false};
    }
    return {10, false, false};
}

// A font whose size, on `device`, is its point size in layout units (a
// point being 96/72 units), so that the painter's own scaling alone decides
// how large it comes out, on screen, on paper and in the PDF alike. Hinting
// is off so that the text keeps its proportions at every zoom.
QFont ReportFont(TReportFont font, const QPaintDevice* device)
{
    const TFontStyle style = StyleOf(font);
    QFont result(QStringLiteral("Arial"));
    result.setStyleHint(QFont::SansSerif);
    result.setHintingPreference(QFont::PreferNoHinting);
    const int dpi = device && device->logicalDpiY() > 0 ? device->logicalDpiY() : int(UnitsPerInch);
    result.setPointSizeF(style.points * UnitsPerInch / dpi);
    result.setBold(style.bold);
    result.setItalic(style.italic);
    return result;
}

QString DateTimeText(const TField& field)
{
    // An access without the value prints an empty box, not the day zero.
    if (field.IsNull())
        return QString();
    return FormatDateTime(QStringLiteral("dd/mm/yyyy hh:nn:ss"), field.AsDateTime());
}

QString Money(const TField& field)
{
    return QStringLiteral("R$ ") + FormatFloat(QStringLiteral("#,0.0000"), field.AsFloat());
}

QString SaveFailure(const QString& fileName, const QString& reason)
{
    return QStringLiteral("Não foi possível salvar o relatório no arquivo \"%1\".\n"
                          "Verifique se a pasta existe, se há espaço livre no disco e se você tem "
                          "permissão para gravar nela.\n\nDetalhe: %2")
        .arg(QDir::toNativeSeparators(fileName), reason);
}

void SetError(QString* error, const QString& text)
{
    if (error)
        *error = text;
}

} // namespace

// ===========================================================================
// Preparing
// ===========================================================================

TAccessReport::TAccessReport(QVector<TReportLine> lines, TReportTotals totals, TDateTime now)
    : m_lines(std::move(lines))
    , m_totals(std::move(totals))
    , m_dataHoraExtenso(FormatDateTime(QStringLiteral("dddddd"), now))
    , m_picture(Artwork::ProgramPicture(PicturePixels))
{
    Paginate();
}

TAccessReport TAccessReport::Prepare(TDM& dm, const TReportTotals& totals, TDateTime now)
{
    TTable& acessos = *dm.cdsAcessos;
    QVector<TReportLine> lines;
    {
        TControlsDisabled suspension(acessos);
        // The record the list shows as current, by identity: it is found
        // again even when the filter hides it.
        const TBookmark current = acessos.GetBookmark();
        lines.reserve(acessos.RecordCount());
        for (acessos.First(); !acessos.Eof(); acessos.Next())
            lines.append(LineOfCurrentRecord(dm));
        if (acessos.BookmarkValid(current))
            acessos.GotoBookmark(current);
    }
    return TAccessReport(std::move(lines), totals, now);
}

TReportLine TAccessReport::LineOfCurrentRecord(const TDM& dm)
{
    TReportLine line;
    line.Usuario = dm.cdsAcessosUsuario->AsString();
    line.Inicio = DateTimeText(*dm.cdsAcessosInicio);
    line.Fim = DateTimeText(*dm.cdsAcessosFim);
    line.TempoExtenso = FormatDuration(dm.cdsAcessosDuracao->AsFloat());
    line.Custo = Money(*dm.cdsAcessosCusto);
    line.Economia = Money(*dm.cdsAcessosEconomia);
    line.Pulsos = QString::number(dm.cdsAcessosPulsos->AsInteger());
    return line;
}

QString TAccessReport::Title()
{
    return QStringLiteral("Relatório de Acessos à Internet");
}

QString TAccessReport::Credit()
{
    return QStringLiteral("Pulsim - controle de gastos telefônicos com Internet");
}

void TAccessReport::Paginate()
{
    const int count = int(m_lines.size());
    int first = 0;
    do {
        const int onPage = std::min(LinesPerPage, count - first);
        m_pages.append(TReportPage{first, onPage, false});
        first += onPage;
    } while (first < count);

    // The summary follows the last record when it fits above the footer;
    // otherwise it opens a page of its own, with the header and the footer.
    TReportPage& last = m_pages.last();
    if (last.LineCount * DetailHeight + SummaryHeight <= BodyHeight)
        last.Summary = true;
    else
        m_pages.append(TReportPage{count, 0, true});
}

// ===========================================================================
// Laying out a page
// ===========================================================================

QVector<TReportItem> TAccessReport::PageItems(int index) const
{
    const TReportPage& page = m_pages.at(index);
    QVector<TReportItem> items;
    items.reserve(16 + page.LineCount * int(Columns.size()) + (page.Summary ? 20 : 0));

    // Page header.
    {
        TBandWriter band(items, HeaderTop);
        band.Picture(55, 4, 31, 31);
        band.Text(136, 1, 480, 36, Title(), TReportFont::Title, Centre);
        band.Text(99, 38, 554, 14, Credit(), TReportFont::Credit, Centre);
        band.Rule(56, 56, 641, 0);
        for (const TReportColumn& column : Columns)
            band.Text(column.x, 63, column.width, 18, QString::fromUtf16(column.heading), TReportFont::ColumnHeading,
                      column.alignment);
        band.Rule(55, HeaderHeight - 1, 641, 0);
    }

    // Detail bands.
    for (int i = 0; i < page.LineCount; ++i) {
        const TReportLine& line = m_lines.at(page.FirstLine + i);
        TBandWriter band(items, BodyTop + i * DetailHeight);
        const std::array<const QString*, 7> values{&line.Usuario, &line.Inicio,   &line.Fim,   &line.TempoExtenso,
                                                   &line.Custo,   &line.Economia, &line.Pulsos};
        for (size_t c = 0; c < Columns.size(); ++c)
            band.Text(Columns[c].x, 1, Columns[c].width, 18, *values[c], TReportFont::Detail, Columns[c].alignment,
                      c == 0);
    }

    // Report summary, right under the last record.
    if (page.Summary) {
        TBandWriter band(items, BodyTop + page.LineCount * DetailHeight);
        band.Rule(55, 4, 641, 0);
        band.Text(55, 10, 234, 28, QStringLiteral("Resumo Final"), TReportFont::SummaryTitle, Centre);
        band.Text(55, 40, 234, 18, m_totals.Periodo, TReportFont::SummaryText, Centre);
        for (double x : SummaryDividers)
            band.Rule(x, 10, 0, 48);
        for (const TSummaryColumn& column : SummaryColumns) {
            band.Text(column.x, 12, column.width, 18, QString::fromUtf16(column.heading),
                      TReportFont::SummaryHeading, Centre);
            band.Text(column.x, 36, column.width, 18, m_totals.*column.value, TReportFont::SummaryText, Centre);
        }
        band.Rule(55, SummaryHeight - 4, 641, 0);
    }

    // Page footer, at the foot of every page.
    {
        TBandWriter band(items, FooterTop);
        band.Rule(56, 0, 641, 0);
        band.Text(56, 4, 360, 18, QStringLiteral("Gerado ") + m_dataHoraExtenso, TReportFont::Footer, Left);
        band.Text(544, 4, 152, 18, QStringLiteral("Página ") + QString::number(index + 1), TReportFont::Footer,
                  Right);
    }
    return items;
}

// ===========================================================================
// Painting
// ===========================================================================

void TAccessReport::PaintPage(QPainter& painter, int index) const
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);

    QPen rulePen(Qt::black, 1.0);
    rulePen.setCapStyle(Qt::FlatCap);
    const QPaintDevice* device = painter.device();
    std::array<std::optional<QFont>, 8> fonts;
    int currentFont = -1;

    for (const TReportItem& item : PageItems(index)) {
        switch (item.kind) {
        case TReportItem::Kind::Rule:
            painter.setPen(rulePen);
            painter.drawLine(item.rect.topLeft(), item.rect.bottomRight());
            break;
        case TReportItem::Kind::Picture:
            painter.drawPixmap(item.rect, m_picture, QRectF(m_picture.rect()));
            break;
        case TReportItem::Kind::Text: {
            const int f = int(item.font);
            if (!fonts[size_t(f)])
                fonts[size_t(f)] = ReportFont(item.font, device);
            if (f != currentFont) {
                painter.setFont(*fonts[size_t(f)]);
                currentFont = f;
            }
            painter.setPen(Qt::black);
            QString text = item.text;
            if (item.elide)
                text = QFontMetricsF(*fonts[size_t(f)], device).elidedText(text, Qt::ElideRight, item.rect.width());
            painter.drawText(item.rect, int(item.alignment) | Qt::TextSingleLine | Qt::TextDontClip, text);
            break;
        }
        }
    }
    painter.restore();
}

void TAccessReport::PaintPage(QPainter& painter, int index, const QRectF& paper, const QRectF& printable) const
{
    // The sheet at its real size (or as large as the paper allows, when the
    // paper is not A4 portrait), centred on the paper.
    const double scale = std::min(paper.width() / PageWidth, paper.height() / PageHeight);
    const QPointF origin = paper.center() - QPointF(PageWidth, PageHeight) * scale / 2.0;

    // What the report marks: the band across, from the header's top to the
    // footer's bottom.
    const QRectF printed(BandLeft, TopMargin, BandWidth, PageHeight - TopMargin - BottomMargin);
    const QRectF printedOnDevice(origin + printed.topLeft() * scale, printed.size() * scale);

    painter.save();
    // Half a device pixel of tolerance for rounding of the device's margins.
    if (printable.adjusted(-0.5, -0.5, 0.5, 0.5).contains(printedOnDevice)) {
        painter.translate(origin);
        painter.scale(scale, scale);
    } else {
        const double shrink = std::min({1.0, printable.width() / printedOnDevice.width(),
                                        printable.height() / printedOnDevice.height()});
        QRectF target(QPointF(0, 0), printedOnDevice.size() * shrink);
        target.moveCenter(printable.center());
        painter.translate(target.topLeft());
        painter.scale(scale * shrink, scale * shrink);
        painter.translate(-printed.topLeft());
    }
    PaintPage(painter, index);
    painter.restore();
}

// ===========================================================================
// Printing and saving
// ===========================================================================

bool TAccessReport::Print(QPrinter& printer, int currentPage, QString* error) const
{
    const int pageCount = PageCount();
    QVector<int> pages;
    switch (printer.printRange()) {
    case QPrinter::PageRange: {
        const int from = std::max(1, printer.fromPage());
        const int to = printer.toPage() > 0 ? std::min(pageCount, printer.toPage()) : pageCount;
        for (int page = from; page <= to; ++page)
            pages.append(page - 1);
        break;
    }
    case QPrinter::CurrentPage:
        if (currentPage >= 1 && currentPage <= pageCount)
            pages.append(currentPage - 1);
        break;
    case QPrinter::AllPages:
    case QPrinter::Selection:
        for (int page = 0; page < pageCount; ++page)
            pages.append(page);
        break;
    }
    if (pages.isEmpty()) {
        SetError(error, QStringLiteral("As páginas escolhidas não existem no relatório, que tem %1 página(s).")
                            .arg(pageCount));
        return false;
    }
    if (printer.pageOrder() == QPrinter::LastPageFirst)
        std::reverse(pages.begin(), pages.end());

    // Copies are made by the printing system when it can; otherwise here.
    QVector<int> sequence;
    const int copies = printer.supportsMultipleCopies() ? 1 : std::max(1, printer.copyCount());
    if (printer.collateCopies()) {
        for (int copy = 0; copy < copies; ++copy)
            sequence += pages;
    } else {
        for (int page : std::as_const(pages))
            for (int copy = 0; copy < copies; ++copy)
                sequence.append(page);
    }

    const QString printerName = printer.outputFormat() == QPrinter::PdfFormat
                                    ? QDir::toNativeSeparators(printer.outputFileName())
                                    : printer.printerName();
    const QString failure =
        QStringLiteral("Não foi possível imprimir o relatório em \"%1\". Verifique se a impressora está "
                       "ligada e pronta e tente novamente.")
            .arg(printerName);

    QPainter painter;
    if (!painter.begin(&printer)) {
        SetError(error, failure);
        return false;
    }
    // The painter starts at the corner of the printable area, or of the
    // paper when the printer is set to use the whole sheet.
    const QPageLayout layout = printer.pageLayout();
    const int resolution = printer.resolution();
    const QRectF full = layout.fullRectPixels(resolution);
    const QRectF paint = printer.fullPage() ? full : QRectF(layout.paintRectPixels(resolution));
    const QRectF paper = full.translated(-paint.topLeft());
    const QRectF printable(QPointF(0, 0), paint.size());

    for (qsizetype i = 0; i < sequence.size(); ++i) {
        if (i > 0 && !printer.newPage()) {
            painter.end();
            SetError(error, failure);
            return false;
        }
        PaintPage(painter, sequence.at(i), paper, printable);
    }
    painter.end();
    if (printer.printerState() == QPrinter::Error) {
        SetError(error, failure);
        return false;
    }
    return true;
}

bool TAccessReport::SaveToPdf(const QString& fileName, QString* error) const
{
    if (fileName.isEmpty()) {
        SetError(error, SaveFailure(fileName, QStringLiteral("nenhum nome de arquivo foi informado")));
        return false;
    }
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly)) {
        SetError(error, SaveFailure(fileName, file.errorString()));
        return false;
    }
    {
        QPdfWriter writer(&file);
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
        // One device pixel per layout unit: the pages go out at their real size.
        writer.setResolution(int(UnitsPerInch));
        writer.setTitle(Title());
        writer.setCreator(QStringLiteral("Pulsim"));

        QPainter painter;
        if (!painter.begin(&writer)) {
            file.cancelWriting();
            SetError(error, SaveFailure(fileName, QStringLiteral("o documento PDF não pôde ser iniciado")));
            return false;
        }
        const QRectF paper(0, 0, PageWidth, PageHeight);
        for (int i = 0; i < PageCount(); ++i) {
            if (i > 0 && !writer.newPage()) {
                painter.end();
                file.cancelWriting();
                SetError(error, SaveFailure(fileName, file.errorString()));
                return false;
            }
            PaintPage(painter, i, paper, paper);
        }
        painter.end();
    }
    if (!file.commit()) {
        SetError(error, SaveFailure(fileName, file.errorString()));
        return false;
    }
    return true;
}
