#include "core/Format.h"
#include "data/uDM.h"
#include "tests/support/DialogRecorder.h"
#include "tests/support/ProgramFolderFixture.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray ReadFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void WriteFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

QJsonObject ReadJson(const QString& path)
{
    return QJsonDocument::fromJson(ReadFile(path)).object();
}

// The rows of Acessos.cds as written, in file order.
QJsonArray SavedRows(const ProgramFolderFixture& f)
{
    return ReadJson(f.DataFile(QStringLiteral("Acessos.cds"))).value(QStringLiteral("rows")).toArray();
}


} // namespace

class TestDM final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { SetFormatSettings(TFormatSettings::Brazilian()); }

    void newInstallationCreatesItsFiles()
    {
        DialogRecorder dialogs;
        ProgramFolderFixture f;
        QCOMPARE(dialogs.Errors(), QStringList());
        for (const char* name : {"Acessos.cds", "Config.cds", "Tarifas.cds", "Usuarios.cds"})
            QVERIFY2(QFile::exists(f.DataFile(QString::fromLatin1(name))), name);

        // The empty tables carry their field definitions.
        const QJsonObject acessos = ReadJson(f.DataFile(QStringLiteral("Acessos.cds")));
        QStringList names;
        for (const QJsonValue& field : acessos.value(QStringLiteral("fields")).toArray())
            names << field.toObject().value(QStringLiteral("name")).toString();
        QCOMPARE(names, (QStringList{"Codigo", "Inicio", "Fim", "Custo", "Economia", "Duracao", "Pulsos", "Usuario"}));
        QCOMPARE(acessos.value(QStringLiteral("rows")).toArray().size(), 0);

        // Settings and tariffs come from the shipped copies, byte for byte.
        QCOMPARE(ReadFile(f.DataFile(QStringLiteral("Config.cds"))), ReadFile(QStringLiteral(":/defaults/Dados/Config.cds")));
        QVERIFY(QFileInfo(f.DataFile(QStringLiteral("Config.cds"))).isWritable());
        QCOMPARE(f.dm.cdsConfig->RecordCount(), 1);
        QCOMPARE(f.dm.cdsConfigMinutosPulso->AsInteger(), 4);
        QCOMPARE(f.dm.cdsConfigDiaFechaConta->AsInteger(), 20);
        QCOMPARE(f.dm.cdsConfigTempoEspera->AsInteger(), 60);
        QCOMPARE(f.dm.cdsConfigPortaModem->AsString(), QStringLiteral("COM2"));
        QVERIFY(f.dm.cdsConfigInformarGastos->AsBoolean());
        QVERIFY(!f.dm.cdsConfigBloquearInternet->AsBoolean());
        QVERIFY(!f.dm.cdsConfigAtualizarHora->AsBoolean());
        QVERIFY(!f.dm.cdsConfigAtualizarTarifa->AsBoolean());
        QCOMPARE(f.dm.cdsConfigSenhaSeguranca->AsString(), QString());
    }

    void shippedTariffsCoverEveryState()
    {
        ProgramFolderFixture f;
        TTable* t = f.dm.cdsTarifas;
        QSet<QString> states;
        QStringList order;
        QString previous;
        bool selectedFound = false;
        for (t->First(); !t->Eof(); t->Next()) {
            const QString code = f.dm.cdsTarifasCodigoTarifa->AsString();
            QCOMPARE(code.size(), 5);
            states << code.left(2);
            if (f.dm.cdsTarifasEstado->AsString() != previous)
                order << f.dm.cdsTarifasEstado->AsString();
            previous = f.dm.cdsTarifasEstado->AsString();
            QVERIFY(f.dm.cdsTarifasTarifa->AsFloat() > 0.05 && f.dm.cdsTarifasTarifa->AsFloat() < 0.3);
            QVERIFY(!f.dm.cdsTarifasOperadora->AsString().isEmpty());
            if (code == f.dm.cdsConfigEstadoSelecionado->AsString()) {
                selectedFound = true;
                QCOMPARE(f.dm.cdsTarifasTarifa->AsFloat(), f.dm.cdsConfigTarifaSelecionada->AsFloat());
            }
        }
        QCOMPARE(states.size(), 27);
        // In the order people read them: accents do not push "Pará" after "Paraná".
        QCOMPARE(order.mid(12, 5), (QStringList{"Minas Gerais", "Pará", "Paraíba", "Paraná", "Pernambuco"}));
        QCOMPARE(order.first(), QStringLiteral("Acre"));
        QCOMPARE(order.last(), QStringLiteral("Tocantins"));
        QVERIFY(selectedFound);
        QCOMPARE(f.dm.cdsTarifasTarifa->DisplayText().left(3), QStringLiteral("R$ "));
    }

    void accessLogOrder()
    {
        ProgramFolderFixture f;
        f.AddAccess("a", 38000.5, 38000.6);
        f.AddAccess("b", 38002.5, 38002.6);
        f.AddAccess("c", 38001.5, 38001.6);

        TDM reopened;
        reopened.DataModuleCreate(f.Path());
        TTable* t = reopened.cdsAcessos;
        QCOMPARE(t->IndexName(), TDM::AcessosIndex);
        QStringList order;
        for (t->First(); !t->Eof(); t->Next())
            order << reopened.cdsAcessosUsuario->AsString();
        QCOMPARE(order, (QStringList{"b", "c", "a"}));

        t->SetIndexName(QString());
        order.clear();
        for (t->First(); !t->Eof(); t->Next())
            order << reopened.cdsAcessosUsuario->AsString() + QString::number(reopened.cdsAcessosCodigo->AsInteger());
        QCOMPARE(order, (QStringList{"a1", "b2", "c3"}));
    }

    void derivedFields_data()
    {
        QTest::addColumn<double>("inicio");
        QTest::addColumn<double>("fim");
        QTest::addColumn<QString>("duracao");
        QTest::addColumn<QString>("dataInicio");
        QTest::addColumn<QString>("horaInicio");
        QTest::addColumn<QString>("dataFim");
        QTest::addColumn<QString>("horaFim");
        const double t = EncodeDateTime(2003, 2, 19, 21, 43, 20);
        QTest::addRow("no duration") << t << t << "0 h. e 0 min." << "19/02/2003" << "21:43:20" << "19/02/2003"
                                     << "21:43:20";
        QTest::addRow("90 seconds") << t << t + 90.0 / 86400 << "0 h. e 2 min." << "19/02/2003" << "21:43:20"
                                    << "19/02/2003" << "21:44:50";
        QTest::addRow("across midnight") << t << t + 3.0 / 24 << "3 h. e 1 min." << "19/02/2003" << "21:43:20"
                                         << "20/02/2003" << "00:43:20";
    }

    void derivedFields()
    {
        QFETCH(double, inicio);
        QFETCH(double, fim);
        ProgramFolderFixture f;
        f.AddAccess("u", inicio, fim);
        QTEST(f.dm.cdsAcessosDuracaoStr->AsString(), "duracao");
        QTEST(f.dm.cdsAcessosDataInicio->DisplayText(), "dataInicio");
        QTEST(f.dm.cdsAcessosHoraInicio->DisplayText(), "horaInicio");
        QTEST(f.dm.cdsAcessosDataFim->DisplayText(), "dataFim");
        QTEST(f.dm.cdsAcessosHoraFim->DisplayText(), "horaFim");
        QCOMPARE(f.dm.cdsAcessosDataInicio->AsDateTime(), DateOf(inicio));
    }

    void displayFormats()
    {
        ProgramFolderFixture f;
        f.AddAccess("u", 38000.5, 38000.6, 1234.5, 7, 0.22);
        QCOMPARE(f.dm.cdsAcessosCusto->DisplayText(), QStringLiteral("R$ 1.234,5000"));
        QCOMPARE(f.dm.cdsAcessosEconomia->DisplayText(), QStringLiteral("0,2200"));
        QCOMPARE(f.dm.cdsAcessosPulsos->DisplayText(), QStringLiteral("007"));
    }

    void accessFilter_data()
    {
        QTest::addColumn<QString>("filtroUsuario");
        QTest::addColumn<QString>("usuario");
        QTest::addColumn<double>("offset"); // Inicio relative to the period, in days
        QTest::addColumn<bool>("accepted");
        // The period is (10, 20]: the lower bound exclusive, the upper inclusive.
        QTest::addRow("inside, everyone") << "Todos" << "ana" << 15.0 << true;
        QTest::addRow("at the lower bound") << "Todos" << "ana" << 10.0 << false;
        QTest::addRow("just after the lower bound") << "Todos" << "ana" << 10.0 + 1.0 / 86400 << true;
        QTest::addRow("at the upper bound") << "Todos" << "ana" << 20.0 << true;
        QTest::addRow("after the upper bound") << "Todos" << "ana" << 20.0 + 1.0 / 86400 << false;
        QTest::addRow("the user") << "ana" << "ana" << 15.0 << true;
        QTest::addRow("another user") << "ana" << "bia" << 15.0 << false;
        QTest::addRow("user differs in case") << "Ana" << "ana" << 15.0 << false;
        QTest::addRow("'todos' is a user name") << "todos" << "ana" << 15.0 << false;
        QTest::addRow("user named todos") << "todos" << "todos" << 15.0 << true;
        QTest::addRow("the user, outside") << "ana" << "ana" << 25.0 << false;
    }

    void accessFilter()
    {
        QFETCH(QString, filtroUsuario);
        QFETCH(QString, usuario);
        QFETCH(double, offset);
        QFETCH(bool, accepted);
        ProgramFolderFixture f;
        const double base = 38000;
        f.AddAccess(usuario, base + offset, base + offset + 0.01);
        f.dm.FiltroUsuario = filtroUsuario;
        f.dm.InicioPeriodo = base + 10;
        f.dm.FimPeriodo = base + 20;
        f.dm.cdsAcessos->SetFiltered(true);
        QCOMPARE(f.dm.cdsAcessos->RecordCount(), accepted ? 1 : 0);
    }

    void longUserNameIsCut()
    {
        ProgramFolderFixture f;
        const QString name = QStringLiteral("abcdefghijklmnopqrstuvwxyz0123456789");
        f.AddAccess(name, 38000.5, 38000.6);
        QCOMPARE(f.dm.cdsAcessosUsuario->AsString(), name.left(30));
        QCOMPARE(SavedRows(f).at(0).toArray().at(7).toString(), name.left(30));
        f.dm.FiltroUsuario = name;
        f.dm.InicioPeriodo = 0;
        f.dm.FimPeriodo = 1e6;
        f.dm.cdsAcessos->SetFiltered(true);
        QCOMPARE(f.dm.cdsAcessos->RecordCount(), 0);
    }

    void everyPostIsSaved()
    {
        ProgramFolderFixture f;
        const QString config = f.DataFile(QStringLiteral("Config.cds"));
        f.EditConfig([](TDM& dm) { dm.cdsConfigMinutosPulso->SetAsInteger(7); });
        QCOMPARE(ReadJson(config).value(QStringLiteral("rows")).toArray().at(0).toArray().at(7).toInt(), 7);

        f.dm.cdsUsuarios->Append();
        f.dm.cdsUsuariosNome->SetAsString(QStringLiteral("joao"));
        f.dm.cdsUsuarios->Post();
        QCOMPARE(ReadJson(f.DataFile(QStringLiteral("Usuarios.cds"))).value(QStringLiteral("rows")).toArray().size(), 1);

        f.dm.cdsTarifas->Edit();
        f.dm.cdsTarifasTarifa->SetAsFloat(0.2);
        f.dm.cdsTarifas->Post();
        QVERIFY(ReadFile(f.DataFile(QStringLiteral("Tarifas.cds"))) != ReadFile(QStringLiteral(":/defaults/Dados/Tarifas.cds")));
    }

    void deletionReachesTheFileLater()
    {
        ProgramFolderFixture f;
        f.AddAccess("a", 38000.5, 38000.6);
        f.AddAccess("b", 38001.5, 38001.6);
        f.dm.cdsAcessos->First();
        f.dm.cdsAcessos->Delete();
        QCOMPARE(SavedRows(f).size(), 2);
        f.AddAccess("c", 38002.5, 38002.6);
        QCOMPARE(SavedRows(f).size(), 2);

        f.dm.cdsAcessos->First();
        f.dm.cdsAcessos->Delete();
        QCOMPARE(SavedRows(f).size(), 2);
        f.dm.CloseTables();
        QCOMPARE(SavedRows(f).size(), 1);
    }

    void editOfEmptySettingsCreatesTheRow()
    {
        ProgramFolderFixture f;
        f.dm.cdsConfig->First();
        f.dm.cdsConfig->Delete();
        QCOMPARE(f.dm.cdsConfig->RecordCount(), 0);
        f.dm.cdsConfig->Edit();
        f.dm.cdsConfigDiaFechaConta->SetAsInteger(5);
        f.dm.cdsConfig->Post();
        QCOMPARE(f.dm.cdsConfig->RecordCount(), 1);
        QCOMPARE(f.dm.cdsConfigDiaFechaConta->AsInteger(), 5);
    }

    void userWithoutNameIsRefusedOnce()
    {
        DialogRecorder dialogs;
        ProgramFolderFixture f;
        f.dm.cdsUsuarios->Append();
        f.dm.cdsUsuariosNome->SetAsString(QString());
        QVERIFY_THROWS_EXCEPTION(EAbort, f.dm.cdsUsuarios->Post());
        QCOMPARE(dialogs.Infos(), QStringList{QStringLiteral("Não é possível dar permissão a um usuário sem nome.")});
        QCOMPARE(f.dm.cdsUsuarios->State(), TDataSetState::Insert);
        // Through the central mechanism no second box appears.
        RunGuarded([&] { f.dm.cdsUsuarios->Post(); });
        QCOMPARE(dialogs.Errors(), QStringList());
        f.dm.cdsUsuariosNome->SetAsString(QStringLiteral("maria"));
        f.dm.cdsUsuarios->Post();
        QCOMPARE(f.dm.cdsUsuarios->RecordCount(), 1);
    }

    void otherPostErrorsTakeTheirCourse()
    {
        ProgramFolderFixture f;
        const EDatabaseError other(QStringLiteral("cdsUsuarios: something else"));
        QCOMPARE(f.dm.cdsUsuariosPostError(f.dm.cdsUsuarios, other), TDataAction::Fail);
    }

    void damagedFilesAreReportedAndKept_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("error");
        QTest::addRow("corrupt log") << "Acessos.cds" << QByteArray("{\"format\":\"Pulsim.Tab")
                                     << "cdsAcessos: Missing data provider or data packet.";
        QTest::addRow("empty log") << "Acessos.cds" << QByteArray() << "cdsAcessos: Missing data provider or data packet.";
        QTest::addRow("foreign users") << "Usuarios.cds" << QByteArray("{\"hello\": [1, 2, 3]}")
                                       << "cdsUsuarios: Missing data provider or data packet.";
        QTest::addRow("binary settings") << "Config.cds" << QByteArray("\x00\x01\x02\xff", 4)
                                         << "cdsConfig: Missing data provider or data packet.";
    }

    void damagedFilesAreReportedAndKept()
    {
        QFETCH(QString, file);
        QFETCH(QByteArray, content);
        QFETCH(QString, error);
        DialogRecorder dialogs;
        QTemporaryDir folder;
        const QString path = folder.path() + QStringLiteral("/Dados/") + file;
        WriteFile(path, content);
        {
            TDM dm;
            dm.DataModuleCreate(folder.path());
            QCOMPARE(dialogs.Errors(), QStringList{error});
            // The other tables open all the same.
            int open = 0;
            for (TTable* t : {dm.cdsAcessos, dm.cdsConfig, dm.cdsTarifas, dm.cdsUsuarios})
                open += t->Active() ? 1 : 0;
            QCOMPARE(open, 3);
            // Settings still apply: the shipped ones stand in for a damaged file.
            QCOMPARE(dm.Setting(dm.cdsConfigMinutosPulso).AsInteger(), 4);
            QCOMPARE(dm.Setting(dm.cdsConfigDiaFechaConta).AsInteger(), 20);
            dm.OpenTables();
            dm.CloseTables();
        }
        QCOMPARE(ReadFile(path), content);
    }

    void failedSaveIsReportedAndRetried()
    {
        DialogRecorder dialogs;
        ProgramFolderFixture f;
        const QString data = f.Path() + QStringLiteral("/Dados");
        const QString aside = f.Path() + QStringLiteral("/Dados.aside");
        QVERIFY(QDir().rename(data, aside));
        WriteFile(data, "not a folder");

        f.AddAccess("a", 38000.5, 38000.6);
        QCOMPARE(dialogs.Errors().size(), 1);
        QVERIFY(dialogs.Errors().at(0).startsWith(QStringLiteral("cdsAcessos: ")));
        QCOMPARE(f.dm.cdsAcessos->RecordCount(), 1);
        QVERIFY(f.dm.cdsAcessos->ChangesPending());

        QVERIFY(QFile::remove(data));
        QVERIFY(QDir().rename(aside, data));
        f.AddAccess("b", 38001.5, 38001.6);
        QVERIFY(!f.dm.cdsAcessos->ChangesPending());
        QCOMPARE(SavedRows(f).size(), 2);
    }

    void periodTotals()
    {
        ProgramFolderFixture f;
        f.AddAccess("a", 100.25, 100.5, 0.11, 1, 0.0);
        f.AddAccess("b", 101.25, 101.5, 0.33, 3, 0.22);
        f.AddAccess("a", 102.25, 103.5, 0.55, 5, 0.0); // ends after the period
        f.AddAccess("a", 99.5, 99.75, 0.77, 7, 0.0);   // begins before it
        f.dm.cdsAcessos->SetRecNo(2);
        const TBookmark current = f.dm.cdsAcessos->GetBookmark();

        f.dm.ComputePeriodTotals(100, 103);
        QCOMPARE(f.dm.SomaPulsos, 4);
        QCOMPARE(f.dm.SomaCusto, 0.44);
        QCOMPARE(f.dm.SomaEconomia, 0.22);
        QCOMPARE(f.dm.SomaDuracao, 0.5);
        QCOMPARE(f.dm.cdsAcessos->GetBookmark(), current);
        QVERIFY(!f.dm.cdsAcessos->ControlsDisabled());

        // The listed records only; every record for the summary.
        f.dm.FiltroUsuario = QStringLiteral("b");
        f.dm.InicioPeriodo = 0;
        f.dm.FimPeriodo = 1000;
        f.dm.cdsAcessos->SetFiltered(true);
        f.dm.ComputePeriodTotals(0, 1000);
        QCOMPARE(f.dm.SomaPulsos, 3);
        f.dm.cdsAcessos->First();
        const TBookmark listed = f.dm.cdsAcessos->GetBookmark();
        const TAccessTotals all = f.dm.TotalsOfAllAccesses(0, 1000);
        QCOMPARE(all.Pulsos, 16);
        QCOMPARE(f.dm.SomaPulsos, 3);
        QCOMPARE(f.dm.cdsAcessos->GetBookmark(), listed);
        QCOMPARE(f.dm.cdsAcessos->RecordCount(), 1);

        // The summary's walk reads; an edit someone has in progress stays so.
        f.dm.cdsAcessos->Edit();
        f.dm.cdsAcessosCusto->SetAsFloat(9);
        QCOMPARE(f.dm.TotalsOfAllAccesses(0, 1000).Pulsos, 16);
        QCOMPARE(f.dm.cdsAcessos->State(), TDataSetState::Edit);
        f.dm.cdsAcessos->Cancel();
        QCOMPARE(f.dm.TotalsOfAllAccesses(0, 1000).Custo, 0.11 + 0.33 + 0.55 + 0.77);
    }

    void walkingTheListDoesNotResetViews()
    {
        ProgramFolderFixture f;
        f.AddAccess("a", 100.25, 100.5);
        f.AddAccess("b", 101.25, 101.5);
        int resets = 0, moves = 0;
        connect(f.dm.cdsAcessos, &TTable::DataChanged, this, [&] { ++resets; });
        connect(f.dm.cdsAcessos, &TTable::CurrentChanged, this, [&] { ++moves; });
        f.dm.ComputePeriodTotals(0, 1000);
        QCOMPARE(resets, 0);
        QCOMPARE(moves, 0);
    }
};

QTEST_GUILESS_MAIN(TestDM)
#include "tst_dm.moc"
