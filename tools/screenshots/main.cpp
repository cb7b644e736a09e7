// Draws the pictures of the README: the main window with a few months of
// sample accesses, the connection summary during a connection, and the first
// page of the access report. Run it through tools/screenshots.sh.

#include "app/Application.h"
#include "app/TrayIcon.h"
#include "app/uEngine.h"
#include "components/PhoneTax.h"
#include "core/Format.h"
#include "data/uDM.h"
#include "platform/fake/FakePlatform.h"
#include "ui/Grid.h"
#include "ui/ReportLayout.h"
#include "ui/WindowHub.h"
#include "ui/uPrincipal.h"
#include "ui/uResumo.h"

#include <QDir>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

namespace {

// Three users browsing on weekday evenings and weekend afternoons for the
// last few months, priced the way the program prices them.
void FillSampleLog(TDM& dm, TDateTime today)
{
    QRandomGenerator random(2003);
    const QStringList users = {QStringLiteral("ana"), QStringLiteral("bruno"), QStringLiteral("carla")};
    const Currency pulse = Currency::FromDouble(dm.cdsConfigTarifaSelecionada->AsFloat());
    const auto afterPost = std::exchange(dm.cdsAcessos->AfterPost, nullptr);
    for (TDateTime day = DateOf(today) - 95; day < DateOf(today); day += 1) {
        const int sessions = random.bounded(0, 3);
        for (int s = 0; s < sessions; ++s) {
            const bool weekend = DayOfWeek(day) == 1 || DayOfWeek(day) == 7;
            const int hour = weekend ? random.bounded(14, 23) : (random.bounded(0, 4) == 0 ? random.bounded(0, 5)
                                                                                           : random.bounded(7, 23));
            const TDateTime inicio = day + EncodeTime(hour, random.bounded(0, 60), random.bounded(0, 60));
            const TDateTime fim = inicio + random.bounded(3, 95) * OneMinute + random.bounded(0, 60) * OneSecond;
            Currency custo, economia;
            TPhoneTax::ComputeCost(4, inicio, fim, pulse, custo, economia);
            dm.cdsAcessos->Append();
            dm.cdsAcessosUsuario->SetAsString(users.at(random.bounded(0, int(users.size()))));
            dm.cdsAcessosInicio->SetAsDateTime(inicio);
            dm.cdsAcessosFim->SetAsDateTime(fim);
            dm.cdsAcessosDuracao->SetAsFloat(fim - inicio);
            dm.cdsAcessosCusto->SetAsFloat(custo.ToDouble());
            dm.cdsAcessosEconomia->SetAsFloat(economia.ToDouble());
            dm.cdsAcessosPulsos->SetAsInteger(int(custo.Raw() / pulse.Raw()));
            dm.cdsAcessos->Post();
        }
    }
    dm.cdsAcessos->AfterPost = afterPost;
    dm.cdsAcessos->SaveToFile();
    for (const QString& user : users) {
        dm.cdsUsuarios->Append();
        dm.cdsUsuariosNome->SetAsString(user);
        dm.cdsUsuarios->Post();
    }
}

bool Save(const QImage& image, const QString& path)
{
    if (!image.save(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

QImage Grab(QWidget* window)
{
    for (int i = 0; i < 10; ++i)
        QCoreApplication::processEvents();
    return window->grab().toImage();
}

} // namespace

int main(int argc, char** argv)
{
    TApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("docs/img");
    QDir().mkpath(out);
    SetFormatSettings(TFormatSettings::Brazilian());

    QTemporaryDir folder;
    platform::FakePlatform fake;
    const TDateTime today = EncodeDateTime(2026, 12, 10, 21, 30, 0);
    fake.Clock().SetNow(today);
    TDM dm;
    dm.DataModuleCreate(folder.path());
    FillSampleLog(dm, today);

    TEngine engine(dm, fake.Get(), folder.path());
    TWindowHub windows(engine);
    engine.SetWindows(&windows);
    engine.NetDetect1->SetEnabled(false);
    engine.TrayIcon->SetVisible(false);

    bool ok = true;
    windows.ShowMainWindow();
    windows.MainWindow()->Grid()->setFocus();
    ok &= Save(Grab(windows.MainWindow()), out + QStringLiteral("/principal.png"));

    TReportTotals totals;
    for (const auto& [label, text] : {std::pair{"lblTotalGasto", &totals.CustoTotal},
                                      std::pair{"lblTotalEconomizado", &totals.EconomiaTotal},
                                      std::pair{"lblPulsosGastos", &totals.PulsosTotal},
                                      std::pair{"lblTempoTotal", &totals.TempoTotal},
                                      std::pair{"lblRightStatus", &totals.Periodo}})
        *text = windows.MainWindow()->findChild<QLabel*>(QString::fromLatin1(label))->text();
    const TAccessReport report = TAccessReport::Prepare(dm, totals, today);
    QImage page(794, 1123, QImage::Format_RGB32);
    page.fill(Qt::white);
    {
        QPainter painter(&page);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::TextAntialiasing);
        report.PaintPage(painter, 0);
    }
    ok &= Save(page, out + QStringLiteral("/relatorio.png"));
    windows.MainWindow()->close();

    // A connection of 47 minutes, still up: the summary the tray opens.
    fake.Connectivity().SetFlags(platform::ConnectionModem);
    engine.NetDetect1->Poll();
    for (int i = 0; i < 47 * 60; ++i) {
        fake.Clock().AdvanceSeconds(1);
        engine.NetDetect1->Poll();
    }
    windows.ShowSummary();
    ok &= Save(Grab(windows.Summary()), out + QStringLiteral("/resumo.png"));
    return ok ? 0 : 1;
}
