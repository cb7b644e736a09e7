#pragma once

#include "core/DateTime.h"
#include "ui/uRelatorio.h"

#include <QPixmap>
#include <QRectF>
#include <QString>
#include <QVector>

class QPainter;
class QPrinter;
class TDM;
class TTable;

// The access report's page geometry, in layout units of 1/96 inch (the unit
// the band positions were drawn in). The page is A4 portrait; the 752-unit
// band sits centred across the paper, between a top and a bottom margin of
// about 10 mm. Every position below is measured from the paper's top-left
// corner unless it says it is relative to the band.
namespace ReportGeometry {

inline constexpr double UnitsPerInch = 96.0;
inline constexpr double UnitsPerMm = UnitsPerInch / 25.4;
inline constexpr double PageWidth = 210.0 * UnitsPerMm;  // ≈ 793.7
inline constexpr double PageHeight = 297.0 * UnitsPerMm; // ≈ 1122.5
inline constexpr double BandWidth = 752.0;
inline constexpr double BandLeft = (PageWidth - BandWidth) / 2.0;
inline constexpr double TopMargin = 38.0;
inline constexpr double BottomMargin = 38.0;

inline constexpr double HeaderHeight = 90.0;
inline constexpr double DetailHeight = 20.0;
inline constexpr double FooterHeight = 24.0;
inline constexpr double SummaryHeight = 68.0;

// Where the page header starts, and where the page footer starts.
inline constexpr double HeaderTop = TopMargin;
inline constexpr double FooterTop = PageHeight - BottomMargin - FooterHeight;
// The room between the header and the footer, for detail bands and the summary.
inline constexpr double BodyTop = HeaderTop + HeaderHeight;
inline constexpr double BodyHeight = FooterTop - BodyTop;
// Whole detail bands that fit on a page.
inline constexpr int LinesPerPage = int(BodyHeight / DetailHeight);

} // namespace ReportGeometry

// One access as the report prints it; the texts are made once, when the
// report is prepared, so that paging and repainting never go back to the table.
struct TReportLine {
    QString Usuario;
    QString Inicio;
    QString Fim;
    QString TempoExtenso;
    QString Custo;    // "R$ " and the cost with four decimals
    QString Economia; // "R$ " and the savings with four decimals
    QString Pulsos;
};

// The few text styles of the report (all Arial).
enum class TReportFont {
    Title,          // 24 pt
    Credit,         // 8 pt
    ColumnHeading,  // 10 pt bold
    Detail,         // 8 pt
    Footer,         // 10 pt italic
    SummaryTitle,   // 18 pt bold
    SummaryHeading, // 10 pt bold
    SummaryText,    // 10 pt
};

// One thing drawn on a page: a text in a box, a rule (a line from the box's
// top-left to its bottom-right corner) or the program's picture.
struct TReportItem {
    enum class Kind { Text, Rule, Picture };
    Kind kind = Kind::Text;
    QRectF rect; // layout units, from the paper's top-left corner
    QString text;
    TReportFont font = TReportFont::Detail;
    Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter;
    // A text too wide for its box ends in "…" rather than running into the
    // next column (used for free text such as user names; figures are never cut).
    bool elide = false;
};

// What one page holds besides its header and footer.
struct TReportPage {
    int FirstLine = 0;
    int LineCount = 0;
    bool Summary = false;
};

// The prepared "Relatório de Acessos à Internet": the snapshot of the listed
// accesses, the totals as the main window shows them and the date of the
// footer, cut into A4 pages. It can be painted page by page (the preview),
// printed and written as a PDF file, as often as wanted, without the table.
class TAccessReport final {
public:
    TAccessReport(QVector<TReportLine> lines, TReportTotals totals, TDateTime now);

    // Walks cdsAcessos from its first to its last visible record, in its
    // current order and under its current filter, with the table's display
    // suspended, and then puts the list's current record back. The table is
    // neither opened, closed, filtered nor ordered. Throws the table's error
    // when it is closed; the display is resumed in every case.
    static TAccessReport Prepare(TDM& dm, const TReportTotals& totals, TDateTime now);

    // The printed texts of the current record of cdsAcessos.
    static TReportLine LineOfCurrentRecord(const TDM& dm);

    static QString Title();  // "Relatório de Acessos à Internet"
    static QString Credit(); // the credit line under the title

    const QVector<TReportLine>& Lines() const { return m_lines; }
    const TReportTotals& Totals() const { return m_totals; }
    const QString& DataHoraExtenso() const { return m_dataHoraExtenso; }

    int PageCount() const { return int(m_pages.size()); }
    const TReportPage& Page(int index) const { return m_pages.at(index); }

    // Everything drawn on page `index` (0-based), made from the snapshot.
    QVector<TReportItem> PageItems(int index) const;

    // Paints page `index` with the painter already mapping layout units
    // (origin at the paper's top-left corner).
    void PaintPage(QPainter& painter, int index) const;
    // Paints page `index` onto a device: `paper` is where the whole sheet lies
    // in device coordinates and `printable` the part the device can mark. The
    // page keeps its real size unless the printed area would leave
    // `printable`; then it is shrunk, evenly, just enough to fit.
    void PaintPage(QPainter& painter, int index, const QRectF& paper, const QRectF& printable) const;

    // Prints the pages the printer's settings ask for (all, a range, or
    // `currentPage` (1-based) when the user chose the current page),
    // honouring copies, collation and page order. Answers false with a
    // Portuguese explanation in `error` when the printer fails.
    bool Print(QPrinter& printer, int currentPage, QString* error) const;

    // Writes every page as an A4 PDF file. The file is written to a temporary
    // file and renamed over `fileName` only when complete, so a failure never
    // leaves a torn file nor spoils an existing one. Answers false with a
    // Portuguese explanation in `error` when the file cannot be written.
    bool SaveToPdf(const QString& fileName, QString* error) const;

private:
    void Paginate();

    QVector<TReportLine> m_lines;
    TReportTotals m_totals;
    QString m_dataHoraExtenso;
    QVector<TReportPage> m_pages;
    QPixmap m_picture;
};
