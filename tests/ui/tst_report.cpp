// The access report: what it prints and in which order, how it cuts the
// pages, how it leaves the access table, saving and printing, and the preview
// window. The printed text is read back from real PDF files with pdftotext.

#include "core/Format.h"
#include "tests/support/DialogRecorder.h"
#include "tests/support/ProgramFolderFixture.h"
#include "ui/ReportLayout.h"
#include "ui/ReportPreview.h"
#include "ui/uRelatorio.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QPointer>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QScrollArea>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>

#include <functional>

Q_DECLARE_METATYPE(TReportTotals)
Q_DECLARE_METATYPE(QPrinter::PrintRange)

namespace {

const QStringList Headings{QStringLiteral("Usuário"), QStringLiteral("Início"), QStringLiteral("Fim"),
                           QStringLiteral("Duração"), QStringLiteral("Custo"),  QStringLiteral("Economia"),
                           QStringLiteral("Pulsos")};

TReportTotals MonthTotals()
{
    return {QStringLiteral("R$ 46,45"), QStringLiteral("R$ 3,10"), QStringLiteral("12 pulsos"),
            QStringLiteral("29 h. e 46 min."), QStringLiteral("  De 21/02/2005 até 20/03/2005")};
}

TReportTotals ZeroTotals()
{
    return {QStringLiteral("R$ 0,00"), QStringLiteral("R$ 0,00"), QStringLiteral("0 pulsos"),
            QStringLiteral("0 h. e 0 min."), QStringLiteral("  Todos os acessos")};
}

const TDateTime Now = EncodeDateTime(2005, 3, 7, 19, 43, 0); // a Monday

// A program folder whose access log the tests fill.
struct ReportFixture : ProgramFolderFixture {
    DialogRecorder dialogs;

    void Add(const QString& usuario, TDateTime inicio, TDateTime duracao = 10 * OneMinute, double custo = 0.1159,
             double economia = 0, int pulsos = 1)
    {
        AddAccess(usuario, inicio, inicio + duracao, custo, pulsos, economia);
    }

    // `count` accesses named u001, u002, ... one a day from 1 March 2005.
    void AddMany(int count)
    {
        // One save at the end instead of one per post.
        const auto afterPost = std::exchange(dm.cdsAcessos->AfterPost, nullptr);
        for (int i = 1; i <= count; ++i)
            Add(QStringLiteral("u%1").arg(i, 3, 10, QLatin1Char('0')), EncodeDateTime(2005, 3, 1, 8, 0, 0) + i);
        dm.cdsAcessos->AfterPost = afterPost;
    }

    // The four accesses of the order and filter cases.
    void AddFour()
    {
        Add(QStringLiteral("alice"), EncodeDateTime(2005, 3, 1, 10, 0, 0), 30 * OneMinute, 0.40);
        Add(QStringLiteral("bruno"), EncodeDateTime(2005, 3, 3, 10, 0, 0), 10 * OneMinute, 0.10);
        Add(QStringLiteral("carla"), EncodeDateTime(2005, 3, 2, 10, 0, 0), 20 * OneMinute, 0.30);
        Add(QStringLiteral("diego"), EncodeDateTime(2005, 3, 5, 10, 0, 0), 40 * OneMinute, 0.20);
    }

    TAccessReport Prepare(const TReportTotals& totals = MonthTotals(), TDateTime now = Now)
    {
        return TAccessReport::Prepare(dm, totals, now);
    }
};

bool HavePdfToText()
{
    return !QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty();
}

#define REQUIRE_PDFTOTEXT()                                                                                            \
    do {                                                                                                               \
        if (!HavePdfToText())                                                                                          \
            QSKIP("pdftotext (poppler-utils) is not installed: the printed text cannot be read back");                \
    } while (false)

// The text of each page of a PDF file, as laid out on paper.
QStringList PdfPages(const QString& pdf)
{
    QProcess process;
    process.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), QStringLiteral("-enc"),
                                                QStringLiteral("UTF-8"), pdf, QStringLiteral("-")});
    if (!process.waitForFinished(30000) || process.exitCode() != 0)
        return {};
    QStringList pages = QString::fromUtf8(process.readAllStandardOutput()).split(QLatin1Char('\f'));
    if (!pages.isEmpty() && pages.last().trimmed().isEmpty())
        pages.removeLast();
    return pages;
}

// The report written as PDF and read back, page by page.
QStringList PrintedPages(const TAccessReport& report)
{
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("relatorio.pdf"));
    QString error;
    if (!report.SaveToPdf(pdf, &error)) {
        qWarning() << error;
        return {};
    }
    return PdfPages(pdf);
}

// The users of the record lines, top to bottom: the first word of every line
// that starts with one of `users`.
QStringList UsersInOrder(const QString& text, const QStringList& users)
{
    QStringList found;
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        const QString first = line.trimmed().section(QLatin1Char(' '), 0, 0);
        if (users.contains(first))
            found << first;
    }
    return found;
}

QStringList ItemTexts(const QVector<TReportItem>& items)
{
    QStringList texts;
    for (const TReportItem& item : items)
        if (item.kind == TReportItem::Kind::Text)
            texts << item.text;
    return texts;
}

QAbstractButton* ButtonOf(TfrmRelatorio* preview, const char* actionName)
{
    auto* toolBar = preview->findChild<QToolBar*>();
    auto* action = preview->findChild<QAction*>(QString::fromLatin1(actionName));
    if (!toolBar || !action)
        return nullptr;
    return qobject_cast<QAbstractButton*>(toolBar->widgetForAction(action));
}

void Click(TfrmRelatorio* preview, const char* actionName)
{
    QAbstractButton* button = ButtonOf(preview, actionName);
    QVERIFY2(button, actionName);
    QVERIFY2(button->isEnabled(), actionName);
    QTest::mouseClick(button, Qt::LeftButton);
}

// Runs ShowAccessReport with `script` acting on the open preview. The
// preview is closed afterwards whatever the script did (a failed check
// inside it leaves it open), so the test never hangs in exec().
void RunPreview(ReportFixture& f, const std::function<void(TfrmRelatorio*)>& script)
{
    QTimer::singleShot(0, qApp, [script] {
        auto* preview = qobject_cast<TfrmRelatorio*>(QApplication::activeModalWidget());
        QVERIFY2(preview, "the preview is the modal window");
        QPointer<TfrmRelatorio> watched(preview);
        script(preview);
        if (watched && watched->isVisible())
            watched->reject();
    });
    // A last resort should the script never have run.
    QTimer rescue;
    rescue.setSingleShot(true);
    QObject::connect(&rescue, &QTimer::timeout, qApp, [] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* preview = qobject_cast<TfrmRelatorio*>(w); preview && preview->isVisible())
                preview->reject();
    });
    rescue.start(20000);
    ShowAccessReport(nullptr, f.dm, MonthTotals(), Now);
}

} // namespace

class TstReport final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();

    // What is printed
    void linesFollowTheList_data();
    void linesFollowTheList();
    void lineValuesAsPrinted_data();
    void lineValuesAsPrinted();
    void footerDatesTheReport_data();
    void footerDatesTheReport();
    void summaryPrintsTheTotalsAsGiven_data();
    void summaryPrintsTheTotalsAsGiven();
    void emptyListPrintsHeadersFooterAndZeroSummary();

    // Pages
    void pagesAndSummaryPlacement_data();
    void pagesAndSummaryPlacement();
    void secondPageRepeatsHeaderAndFooter();

    // The table
    void tableIsLeftAsFound_data();
    void tableIsLeftAsFound();
    void failedWalkResumesTheDisplay_data();
    void failedWalkResumesTheDisplay();
    void preparedPagesNeverReadTheTableAgain();

    // Saving and printing
    void savesAnA4Pdf();
    void saveFailureIsReported_data();
    void saveFailureIsReported();
    void printsTheChosenPages_data();
    void printsTheChosenPages();

    // The preview
    void previewPagesThroughTheReport();
    void closingThePreviewResumesTheDisplay_data();
    void closingThePreviewResumesTheDisplay();
    void previewZooms();
};

void TstReport::initTestCase()
{
    SetFormatSettings(TFormatSettings::Brazilian());
}

// ===========================================================================
// What is printed
// ===========================================================================

void TstReport::linesFollowTheList_data()
{
    QTest::addColumn<QString>("index");       // active order; empty = natural
    QTest::addColumn<bool>("filtered");
    QTest::addColumn<QString>("user");        // FiltroUsuario
    QTest::addColumn<QStringList>("expected"); // users of the printed lines

    const QString ascending = QStringLiteral("TempInicio");
    QTest::addRow("ascending start") << ascending << false << QStringLiteral("Todos")
                                     << QStringList{"alice", "carla", "bruno", "diego"};
    QTest::addRow("descending start") << TDM::AcessosIndex << false << QStringLiteral("Todos")
                                      << QStringList{"diego", "bruno", "carla", "alice"};
    QTest::addRow("ascending cost") << QStringLiteral("TempCusto") << false << QStringLiteral("Todos")
                                    << QStringList{"bruno", "diego", "carla", "alice"};
    QTest::addRow("natural order") << QString() << false << QStringLiteral("Todos")
                                   << QStringList{"alice", "bruno", "carla", "diego"};
    // The period (2 March, 4 March] hides alice and diego.
    QTest::addRow("period hides some") << ascending << true << QStringLiteral("Todos")
                                       << QStringList{"carla", "bruno"};
    QTest::addRow("one user") << TDM::AcessosIndex << true << QStringLiteral("carla") << QStringList{"carla"};
}

void TstReport::linesFollowTheList()
{
    QFETCH(QString, index);
    QFETCH(bool, filtered);
    QFETCH(QString, user);
    QFETCH(QStringList, expected);
    REQUIRE_PDFTOTEXT();

    ReportFixture f;
    f.AddFour();
    f.dm.cdsAcessos->AddIndex(QStringLiteral("TempInicio"), QStringLiteral("Inicio"), false);
    f.dm.cdsAcessos->AddIndex(QStringLiteral("TempCusto"), QStringLiteral("Custo"), false);
    f.dm.cdsAcessos->SetIndexName(index);
    f.dm.FiltroUsuario = user;
    f.dm.InicioPeriodo = EncodeDateTime(2005, 3, 1, 12, 0, 0);
    f.dm.FimPeriodo = EncodeDate(2005, 3, 4);
    f.dm.cdsAcessos->SetFiltered(filtered);

    const QStringList pages = PrintedPages(f.Prepare());
    QCOMPARE(pages.size(), 1);
    QCOMPARE(UsersInOrder(pages.first(), {"alice", "bruno", "carla", "diego"}), expected);
}

void TstReport::lineValuesAsPrinted_data()
{
    QTest::addColumn<TDateTime>("duracao");
    QTest::addColumn<double>("custo");
    QTest::addColumn<double>("economia");
    QTest::addColumn<int>("pulsos");
    QTest::addColumn<QString>("expected"); // the line after the user and the start

    const TDateTime span = EncodeTime(1, 30, 20);
    QTest::addRow("four decimals") << span << 0.1159 << 0.0 << 12
                                   << QStringLiteral("07/03/2005 21:13:25 1 h. e 31 min. R$ 0,1159 R$ 0,0000 12");
    QTest::addRow("thousands grouped") << span << 1234.5 << 2.25 << 1500
                                       << QStringLiteral("07/03/2005 21:13:25 1 h. e 31 min. R$ 1.234,5000 R$ "
                                                         "2,2500 1500");
    QTest::addRow("zero length") << TDateTime(0) << 0.0 << 0.0 << 0
                                 << QStringLiteral("07/03/2005 19:43:05 0 h. e 0 min. R$ 0,0000 R$ 0,0000 0");
    QTest::addRow("over a day") << TDateTime(1 + OneHour + 10 * OneMinute) << 0.0 << 5.5 << 1
                                << QStringLiteral("08/03/2005 20:53:05 25 h. e 11 min. R$ 0,0000 R$ 5,5000 1");
}

void TstReport::lineValuesAsPrinted()
{
    QFETCH(TDateTime, duracao);
    QFETCH(double, custo);
    QFETCH(double, economia);
    QFETCH(int, pulsos);
    QFETCH(QString, expected);
    REQUIRE_PDFTOTEXT();

    ReportFixture f;
    f.Add(QStringLiteral("joao"), EncodeDateTime(2005, 3, 7, 19, 43, 5), duracao, custo, economia, pulsos);
    const QStringList pages = PrintedPages(f.Prepare());
    QCOMPARE(pages.size(), 1);

    const auto line = QRegularExpression(QStringLiteral("^\\s*joao\\s.*$"), QRegularExpression::MultilineOption)
                          .match(pages.first());
    QVERIFY2(line.hasMatch(), qPrintable(pages.first()));
    const QString simplified = line.captured().simplified();
    QCOMPARE(simplified, QStringLiteral("joao 07/03/2005 19:43:05 ") + expected);
}

void TstReport::footerDatesTheReport_data()
{
    QTest::addColumn<TDateTime>("now");
    QTest::addColumn<QString>("expected");

    QTest::addRow("monday") << Now << QStringLiteral("Gerado segunda-feira, 7 de março de 2005");
    QTest::addRow("saturday, new year") << EncodeDateTime(2005, 1, 1, 0, 0, 1)
                                        << QStringLiteral("Gerado sábado, 1 de janeiro de 2005");
    QTest::addRow("tuesday, late") << EncodeDateTime(2010, 12, 28, 23, 59, 59)
                                   << QStringLiteral("Gerado terça-feira, 28 de dezembro de 2010");
}

void TstReport::footerDatesTheReport()
{
    QFETCH(TDateTime, now);
    QFETCH(QString, expected);
    REQUIRE_PDFTOTEXT();

    ReportFixture f;
    f.AddMany(50); // two pages: every footer carries the date
    const QStringList pages = PrintedPages(f.Prepare(MonthTotals(), now));
    QCOMPARE(pages.size(), 2);
    for (const QString& page : pages)
        QVERIFY2(page.simplified().contains(expected), qPrintable(page));
}

void TstReport::summaryPrintsTheTotalsAsGiven_data()
{
    QTest::addColumn<TReportTotals>("totals");

    QTest::addRow("month") << MonthTotals();
    QTest::addRow("all months") << TReportTotals{QStringLiteral("R$ 1,234,50"), QStringLiteral("R$ 0,00"),
                                                 QStringLiteral("3 pulsos"), QStringLiteral("105 h. e 2 min."),
                                                 QStringLiteral("  Todos os acessos")};
    QTest::addRow("custom period") << TReportTotals{QStringLiteral("R$ 0,35"), QStringLiteral("R$ 12,00"),
                                                    QStringLiteral("7 pulsos"), QStringLiteral("0 h. e 59 min."),
                                                    QStringLiteral("  De 01/03/2005 até 10/03/2005")};
}

void TstReport::summaryPrintsTheTotalsAsGiven()
{
    QFETCH(TReportTotals, totals);
    REQUIRE_PDFTOTEXT();

    ReportFixture f;
    f.AddFour();
    const TAccessReport report = f.Prepare(totals);

    // The texts go to the page untouched (the leading blanks of the period too).
    const QStringList texts = ItemTexts(report.PageItems(report.PageCount() - 1));
    for (const QString& total :
         {totals.CustoTotal, totals.EconomiaTotal, totals.PulsosTotal, totals.TempoTotal, totals.Periodo})
        QVERIFY2(texts.contains(total), qPrintable(total));

    const QString printed = PrintedPages(report).join(QLatin1Char('\n'));
    QVERIFY(printed.contains(QLatin1String("Resumo Final")));
    for (const QString& total :
         {totals.CustoTotal, totals.EconomiaTotal, totals.PulsosTotal, totals.TempoTotal, totals.Periodo.trimmed()})
        QVERIFY2(printed.contains(total), qPrintable(total));
    // Each total under its heading, in the summary's order.
    const QRegularExpression headings(QStringLiteral("Tempo\\s+Custo\\s+Economia\\s+Pulsos"));
    QVERIFY2(headings.match(printed).hasMatch(), qPrintable(printed));
    const QRegularExpression values(QRegularExpression::escape(totals.TempoTotal) + QStringLiteral("\\s+") +
                                    QRegularExpression::escape(totals.CustoTotal) + QStringLiteral("\\s+") +
                                    QRegularExpression::escape(totals.EconomiaTotal) + QStringLiteral("\\s+") +
                                    QRegularExpression::escape(totals.PulsosTotal));
    QVERIFY2(values.match(printed).hasMatch(), qPrintable(printed));
}

void TstReport::emptyListPrintsHeadersFooterAndZeroSummary()
{
    REQUIRE_PDFTOTEXT();
    ReportFixture f;
    const TAccessReport report = f.Prepare(ZeroTotals());
    QCOMPARE(report.Lines().size(), 0);
    QCOMPARE(report.PageCount(), 1);

    const QStringList pages = PrintedPages(report);
    QCOMPARE(pages.size(), 1);
    const QString page = pages.first();
    QVERIFY(page.contains(QStringLiteral("Relatório de Acessos à Internet")));
    for (const QString& heading : Headings)
        QVERIFY2(page.contains(heading), qPrintable(heading));
    QVERIFY(page.contains(QStringLiteral("Página 1")));
    QVERIFY(page.simplified().contains(QStringLiteral("Gerado segunda-feira, 7 de março de 2005")));
    QVERIFY(page.contains(QLatin1String("Resumo Final")));
    QVERIFY(page.contains(QLatin1String("Todos os acessos")));
    QCOMPARE(page.count(QLatin1String("R$ 0,00")), 2);
    QVERIFY(page.contains(QLatin1String("0 h. e 0 min.")));
    QVERIFY(page.contains(QLatin1String("0 pulsos")));
}

// ===========================================================================
// Pages
// ===========================================================================

void TstReport::pagesAndSummaryPlacement_data()
{
    QTest::addColumn<int>("records");
    QTest::addColumn<int>("pages");

    QTest::addRow("empty") << 0 << 1;
    QTest::addRow("one") << 1 << 1;
    QTest::addRow("summary just fits") << 43 << 1;
    QTest::addRow("summary moves on") << 44 << 2;
    QTest::addRow("page full") << 46 << 2;
    QTest::addRow("one on the next page") << 47 << 2;
    QTest::addRow("three pages") << 92 << 3;
    QTest::addRow("many") << 200 << 5;
}

void TstReport::pagesAndSummaryPlacement()
{
    QFETCH(int, records);
    QFETCH(int, pages);

    ReportFixture f;
    f.AddMany(records);
    f.dm.cdsAcessos->SetIndexName(QString());
    const TAccessReport report = f.Prepare();
    QCOMPARE(report.PageCount(), pages);

    const double paperBottom = ReportGeometry::PageHeight - ReportGeometry::BottomMargin;
    QStringList printedUsers;
    int summaries = 0;
    for (int p = 0; p < report.PageCount(); ++p) {
        const QVector<TReportItem> items = report.PageItems(p);
        const QStringList texts = ItemTexts(items);
        QCOMPARE(texts.count(TAccessReport::Title()), 1);
        QCOMPARE(texts.count(QStringLiteral("Página %1").arg(p + 1)), 1);

        // Nothing reaches into the footer, and the footer stays on the paper.
        double footerTop = 0;
        for (const TReportItem& item : items)
            if (item.text.startsWith(QLatin1String("Gerado ")))
                footerTop = item.rect.top() - 4;
        QVERIFY(footerTop > 0);
        for (const TReportItem& item : items) {
            QVERIFY(item.rect.bottom() <= paperBottom);
            const bool footer = item.rect.top() >= footerTop;
            if (!footer)
                QVERIFY2(item.rect.bottom() <= footerTop, qPrintable(item.text));
            if (!footer && item.kind == TReportItem::Kind::Text && item.text.startsWith(QLatin1Char('u')))
                printedUsers << item.text;
        }
        if (texts.contains(QStringLiteral("Resumo Final"))) {
            ++summaries;
            QCOMPARE(p, report.PageCount() - 1);
        }
    }
    QCOMPARE(summaries, 1);
    // Every record once, in order, none lost at a page break.
    QStringList expected;
    for (int i = 1; i <= records; ++i)
        expected << QStringLiteral("u%1").arg(i, 3, 10, QLatin1Char('0'));
    QCOMPARE(printedUsers, expected);
}

void TstReport::secondPageRepeatsHeaderAndFooter()
{
    REQUIRE_PDFTOTEXT();
    ReportFixture f;
    f.AddMany(50);
    f.dm.cdsAcessos->SetIndexName(QString());

    const QStringList pages = PrintedPages(f.Prepare());
    QCOMPARE(pages.size(), 2);
    QStringList users;
    for (int i = 1; i <= 50; ++i)
        users << QStringLiteral("u%1").arg(i, 3, 10, QLatin1Char('0'));
    for (int p = 0; p < 2; ++p) {
        const QString& page = pages.at(p);
        QVERIFY(page.contains(QStringLiteral("Relatório de Acessos à Internet")));
        for (const QString& heading : Headings)
            QVERIFY2(page.contains(heading), qPrintable(heading));
        QVERIFY(page.contains(QStringLiteral("Página %1").arg(p + 1)));
        QVERIFY(page.contains(QLatin1String("Gerado ")));
    }
    QCOMPARE(UsersInOrder(pages.at(0), users), users.mid(0, 46));
    QCOMPARE(UsersInOrder(pages.at(1), users), users.mid(46));
    QVERIFY(!pages.at(0).contains(QLatin1String("Resumo Final")));
    QVERIFY(pages.at(1).contains(QLatin1String("Resumo Final")));
    // The header is above the records and the footer below them.
    const QString& second = pages.at(1);
    QVERIFY(second.indexOf(QStringLiteral("Usuário")) < second.indexOf(QLatin1String("u047")));
    QVERIFY(second.indexOf(QLatin1String("u050")) < second.indexOf(QLatin1String("Resumo Final")));
    QVERIFY(second.indexOf(QLatin1String("Resumo Final")) < second.indexOf(QStringLiteral("Página 2")));
}

// ===========================================================================
// The table
// ===========================================================================

void TstReport::tableIsLeftAsFound_data()
{
    QTest::addColumn<int>("recNo");
    QTest::addColumn<bool>("alreadySuspended");

    QTest::addRow("current in the middle") << 2 << false;
    QTest::addRow("current first") << 1 << false;
    QTest::addRow("current last") << 3 << false;
    QTest::addRow("display already suspended") << 2 << true;
}

void TstReport::tableIsLeftAsFound()
{
    QFETCH(int, recNo);
    QFETCH(bool, alreadySuspended);

    ReportFixture f;
    f.AddFour();
    TTable& acessos = *f.dm.cdsAcessos;
    acessos.AddIndex(QStringLiteral("TempCusto"), QStringLiteral("Custo"), true);
    acessos.SetIndexName(QStringLiteral("TempCusto"));
    f.dm.FiltroUsuario = QStringLiteral("Todos");
    f.dm.InicioPeriodo = EncodeDateTime(2005, 3, 1, 12, 0, 0);
    f.dm.FimPeriodo = EncodeDate(2005, 3, 6);
    acessos.SetFiltered(true);
    QCOMPARE(acessos.RecordCount(), 3);
    acessos.SetRecNo(recNo);
    const TBookmark current = acessos.GetBookmark();
    if (alreadySuspended)
        acessos.DisableControls();

    QSignalSpy moved(&acessos, &TTable::CurrentChanged);
    QSignalSpy reset(&acessos, &TTable::DataChanged);
    const TAccessReport report = f.Prepare();

    QCOMPARE(report.Lines().size(), 3);
    QCOMPARE(acessos.RecNo(), recNo);
    QCOMPARE(acessos.GetBookmark(), current);
    QCOMPARE(acessos.IndexName(), QStringLiteral("TempCusto"));
    QVERIFY(acessos.Filtered());
    QCOMPARE(acessos.RecordCount(), 3);
    QVERIFY(acessos.Active());
    QCOMPARE(acessos.State(), TDataSetState::Browse);
    // The views never saw the walk.
    QCOMPARE(moved.size(), 0);
    QCOMPARE(reset.size(), 0);
    QCOMPARE(acessos.ControlsDisabled(), alreadySuspended);
    if (alreadySuspended) {
        acessos.EnableControls();
        QVERIFY(!acessos.ControlsDisabled());
    }
    QVERIFY(f.dialogs.Log().isEmpty());
}

void TstReport::failedWalkResumesTheDisplay_data()
{
    QTest::addColumn<bool>("closed"); // else: a pending edit that fails to post

    QTest::addRow("closed table") << true;
    QTest::addRow("pending edit fails to post") << false;
}

void TstReport::failedWalkResumesTheDisplay()
{
    QFETCH(bool, closed);

    ReportFixture f;
    f.AddFour();
    TTable& acessos = *f.dm.cdsAcessos;
    if (closed) {
        acessos.Close();
    } else {
        acessos.Edit();
        f.dm.cdsAcessosPulsos->SetAsInteger(99);
        acessos.OnCalcFields = [](TTable*) { throw EDatabaseError(QStringLiteral("cdsAcessos: falha de teste")); };
    }

    QVERIFY_THROWS_EXCEPTION(EDatabaseError, f.Prepare());
    QVERIFY(!acessos.ControlsDisabled());
}

void TstReport::preparedPagesNeverReadTheTableAgain()
{
    REQUIRE_PDFTOTEXT();
    ReportFixture f;
    f.AddFour();
    const TAccessReport report = f.Prepare();

    // The list moves on (and even closes) while the preview is open.
    f.dm.cdsAcessos->First();
    f.dm.cdsAcessos->Delete();
    f.dm.cdsAcessos->Close();

    const QString printed = PrintedPages(report).join(QLatin1Char('\n'));
    QCOMPARE(UsersInOrder(printed, {"alice", "bruno", "carla", "diego"}),
             (QStringList{"diego", "bruno", "carla", "alice"}));
}

// ===========================================================================
// Saving and printing
// ===========================================================================

void TstReport::savesAnA4Pdf()
{
    ReportFixture f;
    f.AddFour();
    TfrmRelatorio preview(f.Prepare());
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("relatório.pdf"));
    {
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("an older file");
    }

    QVERIFY(preview.SaveToFile(path));
    QFile pdf(path);
    QVERIFY(pdf.open(QIODevice::ReadOnly));
    QVERIFY(pdf.read(5) == "%PDF-");
    QCOMPARE(preview.StatusText(), QStringLiteral("Relatório salvo em \"%1\".").arg(path));
    QVERIFY(f.dialogs.Log().isEmpty());

    if (QStandardPaths::findExecutable(QStringLiteral("pdfinfo")).isEmpty())
        return;
    QProcess info;
    info.start(QStringLiteral("pdfinfo"), {QStringLiteral("-enc"), QStringLiteral("UTF-8"), path});
    QVERIFY(info.waitForFinished(30000));
    const QString text = QString::fromUtf8(info.readAllStandardOutput());
    QVERIFY2(text.contains(QLatin1String("(A4)")), qPrintable(text));
    QVERIFY2(text.contains(QRegularExpression(QStringLiteral("Pages:\\s+1\\n"))), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("Relatório de Acessos à Internet")), qPrintable(text));
}

void TstReport::saveFailureIsReported_data()
{
    QTest::addColumn<QString>("relativePath");

    QTest::addRow("missing folder") << QStringLiteral("nao-existe/relatorio.pdf");
    QTest::addRow("folder is a file") << QStringLiteral("arquivo.txt/relatorio.pdf");
    QTest::addRow("name is a folder") << QStringLiteral("pasta");
}

void TstReport::saveFailureIsReported()
{
    QFETCH(QString, relativePath);

    ReportFixture f;
    f.AddFour();
    QTemporaryDir dir;
    {
        QFile file(dir.filePath(QStringLiteral("arquivo.txt")));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("pasta")));
    const QString path = dir.filePath(relativePath);

    TfrmRelatorio preview(f.Prepare());
    QVERIFY(!preview.SaveToFile(path));

    const QStringList infos = f.dialogs.Infos();
    QCOMPARE(infos.size(), 1);
    QVERIFY2(infos.first().startsWith(QStringLiteral("Não foi possível salvar o relatório no arquivo \"%1\".")
                                          .arg(QDir::toNativeSeparators(path))),
             qPrintable(infos.first()));
    QVERIFY(preview.StatusText().isEmpty());
    QVERIFY(!QFileInfo(path).isFile());
    // Nothing left behind in the folder either.
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::NoDotAndDotDot), QStringList{"arquivo.txt"});
}

void TstReport::printsTheChosenPages_data()
{
    QTest::addColumn<QPrinter::PrintRange>("range");
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<bool>("lastFirst");
    QTest::addColumn<int>("copies");
    QTest::addColumn<bool>("collate");
    QTest::addColumn<QList<int>>("expected"); // page numbers printed, in order

    QTest::addRow("all pages") << QPrinter::AllPages << 0 << 0 << false << 1 << true << QList<int>{1, 2, 3};
    QTest::addRow("a range") << QPrinter::PageRange << 2 << 3 << false << 1 << true << QList<int>{2, 3};
    QTest::addRow("range past the end") << QPrinter::PageRange << 3 << 9 << false << 1 << true << QList<int>{3};
    QTest::addRow("current page") << QPrinter::CurrentPage << 0 << 0 << false << 1 << true << QList<int>{2};
    QTest::addRow("last page first") << QPrinter::AllPages << 0 << 0 << true << 1 << true << QList<int>{3, 2, 1};
    QTest::addRow("two copies collated") << QPrinter::PageRange << 1 << 2 << false << 2 << true
                                         << QList<int>{1, 2, 1, 2};
    QTest::addRow("two copies uncollated") << QPrinter::PageRange << 1 << 2 << false << 2 << false
                                           << QList<int>{1, 1, 2, 2};
    QTest::addRow("nothing to print") << QPrinter::PageRange << 5 << 6 << false << 1 << true << QList<int>{};
}

void TstReport::printsTheChosenPages()
{
    QFETCH(QPrinter::PrintRange, range);
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(bool, lastFirst);
    QFETCH(int, copies);
    QFETCH(bool, collate);
    QFETCH(QList<int>, expected);
    REQUIRE_PDFTOTEXT();

    ReportFixture f;
    f.AddMany(100);
    const TAccessReport report = f.Prepare();
    QCOMPARE(report.PageCount(), 3);

    // A printer with ordinary margins, printing to a file.
    QTemporaryDir dir;
    const QString output = dir.filePath(QStringLiteral("impresso.pdf"));
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(output);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageMargins(QMarginsF(12, 12, 12, 12), QPageLayout::Millimeter);
    printer.setPrintRange(range);
    if (range == QPrinter::PageRange)
        printer.setFromTo(from, to);
    printer.setPageOrder(lastFirst ? QPrinter::LastPageFirst : QPrinter::FirstPageFirst);
    printer.setCopyCount(copies);
    printer.setCollateCopies(collate);
    if (copies > 1 && printer.supportsMultipleCopies())
        QSKIP("this printing system makes the copies itself");

    QString error;
    const bool printed = report.Print(printer, 2, &error);
    if (expected.isEmpty()) {
        QVERIFY(!printed);
        QCOMPARE(error, QStringLiteral("As páginas escolhidas não existem no relatório, que tem 3 página(s)."));
        return;
    }
    QVERIFY2(printed, qPrintable(error));

    const QStringList pages = PdfPages(output);
    QList<int> numbers;
    for (const QString& page : pages) {
        const auto match = QRegularExpression(QStringLiteral("Página (\\d+)")).match(page);
        QVERIFY2(match.hasMatch(), qPrintable(page));
        numbers << match.captured(1).toInt();
        // Shrunk into the margins, the whole page is still there.
        QVERIFY(page.contains(QStringLiteral("Relatório de Acessos à Internet")));
        QVERIFY(page.contains(QLatin1String("Gerado ")));
    }
    QCOMPARE(numbers, expected);
}

// ===========================================================================
// The preview
// ===========================================================================

void TstReport::previewPagesThroughTheReport()
{
    ReportFixture f;
    f.AddMany(100); // three pages
    bool ran = false;
    bool suspendedWhileOpen = false;
    QString title;
    QList<int> visited;
    QStringList countLabels;
    bool backDisabledOnFirst = false;
    bool forwardDisabledOnLast = false;

    RunPreview(f, [&](TfrmRelatorio* preview) {
        ran = true;
        title = preview->windowTitle();
        suspendedWhileOpen = f.dm.cdsAcessos->ControlsDisabled();
        auto* pageBox = preview->findChild<QSpinBox*>(QStringLiteral("spnPagina"));
        auto* countLabel = preview->findChild<QLabel*>(QStringLiteral("lblTotalPaginas"));
        QVERIFY(pageBox && countLabel);
        countLabels << countLabel->text().trimmed();

        visited << preview->CurrentPage();
        backDisabledOnFirst = !ButtonOf(preview, "actPaginaAnterior")->isEnabled() &&
                              !ButtonOf(preview, "actPrimeiraPagina")->isEnabled();
        Click(preview, "actProximaPagina");
        visited << preview->CurrentPage() << pageBox->value();
        Click(preview, "actUltimaPagina");
        visited << preview->CurrentPage() << pageBox->value();
        forwardDisabledOnLast = !ButtonOf(preview, "actProximaPagina")->isEnabled() &&
                                !ButtonOf(preview, "actUltimaPagina")->isEnabled();
        Click(preview, "actPaginaAnterior");
        visited << preview->CurrentPage();
        Click(preview, "actPrimeiraPagina");
        visited << preview->CurrentPage();
        // Typing a page number goes there.
        pageBox->setValue(3);
        visited << preview->CurrentPage();
        // And so does the keyboard.
        preview->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(preview));
        QTest::keyClick(preview, Qt::Key_PageUp);
        visited << preview->CurrentPage();
        Click(preview, "actFechar");
    });

    QVERIFY(ran);
    QCOMPARE(title, QStringLiteral("Relatório de Acessos à Internet"));
    QVERIFY(suspendedWhileOpen);
    QCOMPARE(countLabels, QStringList{"de 3"});
    QCOMPARE(visited, (QList<int>{1, 2, 2, 3, 3, 2, 1, 3, 2}));
    QVERIFY(backDisabledOnFirst);
    QVERIFY(forwardDisabledOnLast);
    QVERIFY(!f.dm.cdsAcessos->ControlsDisabled());
}

void TstReport::closingThePreviewResumesTheDisplay_data()
{
    QTest::addColumn<QString>("how");

    QTest::addRow("close button") << QStringLiteral("button");
    QTest::addRow("escape key") << QStringLiteral("escape");
    QTest::addRow("window closed") << QStringLiteral("window");
}

void TstReport::closingThePreviewResumesTheDisplay()
{
    QFETCH(QString, how);

    ReportFixture f;
    f.AddFour();
    f.dm.cdsAcessos->SetRecNo(3);
    bool suspendedWhileOpen = false;
    bool closed = false;

    RunPreview(f, [&](TfrmRelatorio* preview) {
        suspendedWhileOpen = f.dm.cdsAcessos->ControlsDisabled();
        if (how == QLatin1String("button"))
            Click(preview, "actFechar");
        else if (how == QLatin1String("escape"))
            QTest::keyClick(preview, Qt::Key_Escape);
        else
            preview->close();
        closed = !preview->isVisible();
    });

    QVERIFY(suspendedWhileOpen);
    QVERIFY(closed);
    QVERIFY(!f.dm.cdsAcessos->ControlsDisabled());
    QCOMPARE(f.dm.cdsAcessos->RecNo(), 3);
}

void TstReport::previewZooms()
{
    ReportFixture f;
    f.AddFour();
    TfrmRelatorio preview(f.Prepare());
    preview.resize(700, 600);
    preview.show();
    QVERIFY(QTest::qWaitForWindowExposed(&preview));

    auto* scroll = preview.findChild<QScrollArea*>();
    auto* zoomLabel = preview.findChild<QLabel*>(QStringLiteral("lblZoom"));
    QVERIFY(scroll && zoomLabel);
    const QSize room = scroll->maximumViewportSize();
    QWidget* page = scroll->widget();

    // It opens with the page's width filling the window.
    QVERIFY(page->width() <= room.width());
    QVERIFY(page->width() > room.width() * 0.8);

    Click(&preview, "actAmpliar");
    const double larger = preview.Zoom();
    QVERIFY(page->width() > room.width());
    Click(&preview, "actReduzir");
    Click(&preview, "actReduzir");
    QVERIFY(preview.Zoom() < larger);
    QCOMPARE(zoomLabel->text(), QStringLiteral("%1%").arg(qRound(preview.Zoom() * 100)));

    Click(&preview, "actPaginaInteira");
    QVERIFY(page->width() <= room.width() && page->height() <= room.height());
    QVERIFY(page->height() > room.height() * 0.8);

    // The fit follows the window.
    preview.resize(900, 800);
    QTRY_VERIFY(scroll->maximumViewportSize().height() > room.height());
    QTRY_VERIFY(page->height() > room.height());
    QVERIFY(page->height() <= scroll->maximumViewportSize().height());

    // The sheet is drawn: some of the paper is ink.
    const QImage shot = page->grab().toImage();
    const QRect paper = QRect(page->rect()).adjusted(20, 20, -20, -20);
    int ink = 0;
    for (int y = paper.top(); y < paper.bottom(); y += 2)
        for (int x = paper.left(); x < paper.right(); x += 2)
            ink += qGray(shot.pixel(x, y)) < 128;
    QVERIFY(ink > 50);
}

QTEST_MAIN(TstReport)
#include "tst_report.moc"
