// The access report on a log of 10,000 accesses: preparing it (the walk over
// the listed records and the texts of every line) and writing it as a PDF
// file. Target: both together within 5 s. Build in Release to measure.

#include "core/DateTime.h"
#include "core/Format.h"
#include "data/uDM.h"
#include "ui/ReportLayout.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int RecordCount = 10000;
constexpr int Runs = 3;
constexpr double TargetMs = 5000.0;

const char* const Users[] = {"maria", "joao", "ana.paula", "roberto", "administrador"};

void FillLog(TDM& dm)
{
    TTable& acessos = *dm.cdsAcessos;
    // One save at the end rather than one per post.
    const auto afterPost = std::exchange(acessos.AfterPost, nullptr);
    TDateTime start = EncodeDateTime(2003, 1, 2, 8, 0, 0);
    for (int i = 0; i < RecordCount; ++i) {
        const TDateTime length = (5 + (i * 37) % 180) * OneMinute + (i % 60) * OneSecond;
        acessos.Append();
        dm.cdsAcessosUsuario->SetAsString(QString::fromLatin1(Users[i % 5]));
        dm.cdsAcessosInicio->SetAsDateTime(start);
        dm.cdsAcessosFim->SetAsDateTime(start + length);
        dm.cdsAcessosDuracao->SetAsFloat(length);
        dm.cdsAcessosCusto->SetAsFloat(0.1159 * (1 + i % 23));
        dm.cdsAcessosEconomia->SetAsFloat(0.0773 * (i % 7));
        dm.cdsAcessosPulsos->SetAsInteger(1 + i % 23);
        acessos.Post();
        start += 0.29;
    }
    acessos.AfterPost = afterPost;
    acessos.SaveToFile();
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    SetFormatSettings(TFormatSettings::Brazilian());

    QTemporaryDir folder;
    TDM dm;
    dm.DataModuleCreate(folder.path());
    FillLog(dm);
    dm.cdsAcessos->SetRecNo(RecordCount / 2);

    const TReportTotals totals{QStringLiteral("R$ 15.432,10"), QStringLiteral("R$ 1.234,56"),
                               QStringLiteral("120000 pulsos"), QStringLiteral("16390 h. e 12 min."),
                               QStringLiteral("  Todos os acessos")};
    const TDateTime now = EncodeDateTime(2010, 12, 28, 21, 0, 0);
    const QString pdf = folder.filePath(QStringLiteral("relatorio.pdf"));

    std::vector<double> prepareMs;
    std::vector<double> writeMs;
    std::vector<double> totalMs;
    int pages = 0;
    for (int run = 0; run < Runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        const TAccessReport report = TAccessReport::Prepare(dm, totals, now);
        const double prepared = double(timer.nsecsElapsed()) / 1e6;
        QString error;
        if (!report.SaveToPdf(pdf, &error)) {
            std::fprintf(stderr, "PDF not written: %s\n", qPrintable(error));
            return 2;
        }
        const double total = double(timer.nsecsElapsed()) / 1e6;
        prepareMs.push_back(prepared);
        writeMs.push_back(total - prepared);
        totalMs.push_back(total);
        pages = report.PageCount();
    }

    const double median = Median(totalMs);
    std::printf("Access report, %d records, %d pages (median of %d runs)\n", RecordCount, pages, Runs);
    std::printf("  prepare (walk and texts): %8.1f ms\n", Median(prepareMs));
    std::printf("  write PDF:                %8.1f ms\n", Median(writeMs));
    std::printf("  total:                    %8.1f ms  (target <= %.0f ms) %s\n", median, TargetMs,
                median <= TargetMs ? "OK" : "TOO SLOW");
    std::printf("  PDF size:                 %8.1f KiB\n", double(QFileInfo(pdf).size()) / 1024.0);
    return median <= TargetMs ? 0 : 1;
}
