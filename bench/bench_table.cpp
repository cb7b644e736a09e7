// Table engine figures on an access log of 100,000 records: loading the file
// (calculated fields included, the descending start-time index active),
// saving it, and switching the access filter on. Build in Release to measure.

#include "core/DateTime.h"
#include "data/Table.h"
#include "data/uDM.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <utility>
#include <vector>

namespace {

constexpr int RecordCount = 100000;
constexpr int Runs = 7;

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double TimeMs(const std::function<void()>& action)
{
    QElapsedTimer timer;
    timer.start();
    action();
    return double(timer.nsecsElapsed()) / 1e6;
}

bool Report(const char* what, double ms, double target)
{
    const bool ok = ms <= target;
    std::printf("%-52s %9.1f ms   (target <= %5.0f ms)  %s\n", what, ms, target, ok ? "ok" : "TOO SLOW");
    return ok;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "no temporary folder\n");
        return 2;
    }

    // The program's own data module: its access log, calculated fields,
    // stored index and filter, in a program folder of its own.
    TDM dm;
    dm.DataModuleCreate(dir.path());
    TTable& acessos = *dm.cdsAcessos;
    const QString fileName = acessos.FileName();

    // Six years of connections, a little over one an hour, four users.
    const QStringList users = {QStringLiteral("joao"), QStringLiteral("maria"), QStringLiteral("Administrador"),
                               QStringLiteral("ana.paula")};
    const TDateTime firstDay = EncodeDate(2018, 1, 1);
    QRandomGenerator random(20240611);
    const auto afterPost = std::exchange(acessos.AfterPost, nullptr); // one save at the end
    const double built = TimeMs([&] {
        acessos.SetIndexName(QString()); // appending in the natural order
        const TControlsDisabled suspended(acessos);
        for (int i = 0; i < RecordCount; ++i) {
            const TDateTime start = firstDay + i * (1.0 / 44.0) + random.bounded(1000) / 1e6;
            const double length = random.bounded(7200) / SecsPerDay + random.bounded(1000) / MSecsPerDay;
            acessos.Append();
            dm.cdsAcessosInicio->SetAsDateTime(start);
            dm.cdsAcessosFim->SetAsDateTime(start + length);
            dm.cdsAcessosDuracao->SetAsFloat(length);
            dm.cdsAcessosPulsos->SetAsInteger(1 + random.bounded(40));
            dm.cdsAcessosCusto->SetAsFloat(random.bounded(100000) / 1e4);
            dm.cdsAcessosEconomia->SetAsFloat(random.bounded(5000) / 1e4);
            dm.cdsAcessosUsuario->SetAsString(users.at(int(random.bounded(int(users.size())))));
            acessos.Post();
        }
    });
    acessos.AfterPost = afterPost;
    std::printf("Access log of %d records built by Append/Post in %.0f ms (informative)\n", RecordCount, built);

    std::vector<double> saves;
    for (int run = 0; run < Runs; ++run)
        saves.push_back(TimeMs([&] { acessos.SaveToFile(); }));
    std::printf("File: %.1f MB\n\n", double(QFileInfo(fileName).size()) / 1e6);
    const bool saveOk = Report("SaveToFile, whole table, fsync and rename", Median(saves), 100);

    acessos.Close();
    acessos.SetIndexName(TDM::AcessosIndex);
    std::vector<double> opens;
    for (int run = 0; run < Runs; ++run) {
        opens.push_back(TimeMs([&] { acessos.Open(); }));
        if (run + 1 < Runs)
            acessos.Close(); // nothing pending: no write
    }
    const bool openOk = Report("Open: load, calculated fields, descending index", Median(opens), 300);

    // A one-month window in the middle of the log.
    dm.InicioPeriodo = EncodeDate(2021, 3, 20);
    dm.FimPeriodo = IncMonth(dm.InicioPeriodo, 1);
    const auto filterRuns = [&](const QString& user) {
        dm.FiltroUsuario = user;
        std::vector<double> times;
        int visible = 0;
        for (int run = 0; run < Runs; ++run) {
            acessos.SetFiltered(false);
            times.push_back(TimeMs([&] { acessos.SetFiltered(true); }));
            visible = acessos.RecordCount();
        }
        std::printf("  (%d records visible for user \"%s\")\n", visible, qPrintable(user));
        return Median(times);
    };
    const double allUsers = filterRuns(QStringLiteral("Todos"));
    const bool filterOk = Report("Filter on, one month, every user", allUsers, 100);
    const double oneUser = filterRuns(QStringLiteral("maria"));
    const bool filterUserOk = Report("Filter on, one month, one user", oneUser, 100);

    // What a connection costs every 15 seconds: the current record's end,
    // length and cost posted, and the whole file saved after the post.
    acessos.First();
    const TBookmark connection = acessos.GetBookmark();
    std::vector<double> posts;
    for (int run = 0; run < Runs; ++run) {
        posts.push_back(TimeMs([&] {
            acessos.GotoBookmark(connection);
            acessos.Edit();
            const TDateTime end = dm.cdsAcessosFim->AsDateTime() + 15 * OneSecond;
            dm.cdsAcessosFim->SetAsDateTime(end);
            dm.cdsAcessosDuracao->SetAsFloat(end - dm.cdsAcessosInicio->AsDateTime());
            dm.cdsAcessosCusto->SetAsFloat(dm.cdsAcessosCusto->AsFloat() + 0.0712);
            acessos.Post();
        }));
    }
    std::printf("%-52s %9.1f ms   (informative)\n", "Post of the current record, filtered, with its save",
                Median(posts));
    acessos.SetFiltered(false);
    dm.CloseTables();

    return saveOk && openOk && filterOk && filterUserOk ? 0 : 1;
}
