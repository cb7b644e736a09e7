// Table engine figures on an access log of 100,000 records: loading the file
// (calculated fields included, the descending start-time index active),
// saving it, and switching the access filter on. Build in Release to measure.

#include "core/Currency.h"
#include "core/DateTime.h"
#include "core/Format.h"
#include "data/Table.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr int RecordCount = 100000;
constexpr int Runs = 7;

// The access log as the program defines it, with handlers that keep their
// field pointers the way the data module does.
struct AccessLog {
    TTable Table{QStringLiteral("cdsAcessos")};
    TField* Codigo = nullptr;
    TField* Inicio = nullptr;
    TField* Fim = nullptr;
    TField* Custo = nullptr;
    TField* Economia = nullptr;
    TField* Duracao = nullptr;
    TField* Pulsos = nullptr;
    TField* Usuario = nullptr;
    TField* DuracaoStr = nullptr;
    TField* DataInicio = nullptr;
    TField* DataFim = nullptr;
    TField* HoraInicio = nullptr;
    TField* HoraFim = nullptr;

    TDateTime PeriodStart = 0;
    TDateTime PeriodEnd = 0;
    QString User = QStringLiteral("Todos");

    explicit AccessLog(const QString& fileName)
    {
        const auto data = [this](const QString& name, TFieldType type, int size = 0, bool readOnly = false) {
            return Table.AddField(TFieldDef{name, type, size, readOnly, false, TFieldKind::Data});
        };
        const auto calculated = [this](const QString& name, TFieldType type, int size = 0) {
            return Table.AddField(TFieldDef{name, type, size, false, false, TFieldKind::Calculated});
        };
        Codigo = data(QStringLiteral("Codigo"), TFieldType::AutoInc, 0, true);
        Inicio = data(QStringLiteral("Inicio"), TFieldType::DateTime);
        Fim = data(QStringLiteral("Fim"), TFieldType::DateTime);
        Custo = data(QStringLiteral("Custo"), TFieldType::Float);
        Economia = data(QStringLiteral("Economia"), TFieldType::Float);
        Duracao = data(QStringLiteral("Duracao"), TFieldType::Float);
        Pulsos = data(QStringLiteral("Pulsos"), TFieldType::Integer);
        Usuario = data(QStringLiteral("Usuario"), TFieldType::String, 30);
        DuracaoStr = calculated(QStringLiteral("DuracaoStr"), TFieldType::String, 20);
        DataInicio = calculated(QStringLiteral("DataInicio"), TFieldType::Date);
        DataFim = calculated(QStringLiteral("DataFim"), TFieldType::Date);
        HoraInicio = calculated(QStringLiteral("HoraInicio"), TFieldType::Time);
        HoraFim = calculated(QStringLiteral("HoraFim"), TFieldType::Time);
        Custo->DisplayFormat = QStringLiteral("'R$' #,0.0000");
        Pulsos->DisplayFormat = QStringLiteral("000");
        Table.AddIndex(QStringLiteral("cdsAcessosIndex1"), QStringLiteral("Inicio"), true, true);
        Table.SetFileName(fileName);

        Table.OnCalcFields = [this](TTable*) {
            DuracaoStr->SetAsString(FormatDuration(Duracao->AsFloat()));
            const TDateTime start = Inicio->AsDateTime();
            const TDateTime end = Fim->AsDateTime();
            DataInicio->SetAsDateTime(DateOf(start));
            HoraInicio->SetAsDateTime(TimeOf(start));
            DataFim->SetAsDateTime(DateOf(end));
            HoraFim->SetAsDateTime(TimeOf(end));
        };
        Table.OnFilterRecord = [this](TTable*) {
            const TDateTime start = Inicio->AsDateTime();
            if (!(start > PeriodStart && start <= PeriodEnd))
                return false;
            return User == QLatin1String("Todos") || Usuario->AsString() == User;
        };
    }
};

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
    const QString fileName = dir.filePath(QStringLiteral("Acessos.cds"));

    // Six years of connections, a little over one an hour, four users.
    const QStringList users = {QStringLiteral("joao"), QStringLiteral("maria"), QStringLiteral("Administrador"),
                               QStringLiteral("ana.paula")};
    const TDateTime firstDay = EncodeDate(2018, 1, 1);
    {
        AccessLog log(fileName);
        QRandomGenerator random(20240611);
        const double built = TimeMs([&] {
            log.Table.CreateDataSet();
            log.Table.SetIndexName(QString()); // appending in the natural order
            log.Table.DisableControls();
            for (int i = 0; i < RecordCount; ++i) {
                const TDateTime start = firstDay + i * (1.0 / 44.0) + random.bounded(1000) / 1e6;
                const double length = random.bounded(7200) / SecsPerDay + random.bounded(1000) / MSecsPerDay;
                log.Table.Append();
                log.Inicio->SetAsDateTime(start);
                log.Fim->SetAsDateTime(start + length);
                log.Duracao->SetAsFloat(length);
                log.Pulsos->SetAsInteger(1 + random.bounded(40));
                log.Custo->SetAsFloat(RoundToCurrency(random.bounded(100000) / 1e4));
                log.Economia->SetAsFloat(random.bounded(5000) / 1e4);
                log.Usuario->SetAsString(users.at(int(random.bounded(int(users.size())))));
                log.Table.Post();
            }
            log.Table.EnableControls();
        });
        std::printf("Access log of %d records built by Append/Post in %.0f ms (informative)\n", RecordCount, built);

        std::vector<double> saves;
        for (int run = 0; run < Runs; ++run)
            saves.push_back(TimeMs([&] { log.Table.SaveToFile(); }));
        std::printf("File: %.1f MB\n\n", double(QFileInfo(fileName).size()) / 1e6);
        log.Table.Close();
        const bool saveOk = Report("SaveToFile, whole table, fsync and rename", Median(saves), 100);

        AccessLog reader(fileName);
        reader.Table.SetIndexName(QStringLiteral("cdsAcessosIndex1"));
        std::vector<double> opens;
        for (int run = 0; run < Runs; ++run) {
            opens.push_back(TimeMs([&] { reader.Table.Open(); }));
            if (run + 1 < Runs)
                reader.Table.Close(); // nothing pending: no write
        }
        const bool openOk = Report("Open: load, calculated fields, descending index", Median(opens), 300);

        // A one-month window in the middle of the log.
        reader.PeriodStart = EncodeDate(2021, 3, 20);
        reader.PeriodEnd = IncMonth(reader.PeriodStart, 1);
        const auto filterRuns = [&](const QString& user) {
            reader.User = user;
            std::vector<double> times;
            int visible = 0;
            for (int run = 0; run < Runs; ++run) {
                reader.Table.SetFiltered(false);
                times.push_back(TimeMs([&] { reader.Table.SetFiltered(true); }));
                visible = reader.Table.RecordCount();
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
        reader.Table.AfterPost = [](TTable* table) { table->SaveToFile(); };
        reader.Table.First();
        const TBookmark connection = reader.Table.GetBookmark();
        std::vector<double> posts;
        for (int run = 0; run < Runs; ++run) {
            posts.push_back(TimeMs([&] {
                reader.Table.GotoBookmark(connection);
                reader.Table.Edit();
                const TDateTime end = reader.Fim->AsDateTime() + 15 * OneSecond;
                reader.Fim->SetAsDateTime(end);
                reader.Duracao->SetAsFloat(end - reader.Inicio->AsDateTime());
                reader.Custo->SetAsFloat(reader.Custo->AsFloat() + 0.0712);
                reader.Table.Post();
            }));
        }
        std::printf("%-52s %9.1f ms   (informative)\n", "Post of the current record, filtered, with its save",
                    Median(posts));
        reader.Table.AfterPost = nullptr;
        reader.Table.SetFiltered(false);
        reader.Table.Close();

        return saveOk && openOk && filterOk && filterUserOk ? 0 : 1;
    }
}
