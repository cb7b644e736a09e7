#include "app/uEngine.h"
#include "app/uUtil.h"
#include "core/Format.h"
#include "data/TableModel.h"
#include "data/uDM.h"
#include "platform/fake/FakePlatform.h"
#include "tests/support/DialogRecorder.h"
#include "tests/support/ProgramFolderFixture.h"
#include "ui/Grid.h"
#include "ui/Look.h"
#include "ui/uPeriodo.h"
#include "ui/uPrincipal.h"
#include "ui/uSobre.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDesktopServices>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QToolTip>
#include <QUrl>
#include <QWheelEvent>

#include <functional>
#include <memory>

namespace {

TDateTime At(int year, int month, int day, int hour = 0, int min = 0, int sec = 0)
{
    return EncodeDateTime(year, month, day, hour, min, sec);
}

// Records the addresses the window asks the desktop to open.
class UrlRecorder final : public QObject {
    Q_OBJECT

public:
    QList<QUrl> opened;

public Q_SLOTS:
    void Open(const QUrl& url) { opened << url; }
};

// The main window over the real data module and engine, on the fake platform
// (the clock at 15/03/2005 10:00 unless a test says otherwise), the dialogs
// recorded and the report replaced by a recorder.
class MainFixture : public ProgramFolderFixture {
public:
    DialogRecorder dialogs;
    platform::FakePlatform fake;
    std::unique_ptr<TEngine> engine;
    QPointer<TfrmPrincipal> window;
    struct Report {
        TReportTotals totals;
        TDateTime now;
    };
    QList<Report> reports;

    explicit MainFixture(TDateTime now = At(2005, 3, 15, 10))
    {
        SetFormatSettings(TFormatSettings::Brazilian());
        fake.Clock().SetNow(now);
        engine = std::make_unique<TEngine>(dm, fake.Get(), Path());
        engine->NetDetect1->SetEnabled(false);
    }

    ~MainFixture()
    {
        delete window.data();
    }

    void Add(const QString& user, TDateTime inicio, TDateTime fim, double custo = 0.1, double economia = 0,
             int pulsos = 1)
    {
        AddAccess(user, inicio, fim, custo, pulsos, economia);
    }

    void AddUsers(const QStringList& names)
    {
        for (const QString& name : names) {
            dm.cdsUsuarios->Append();
            dm.cdsUsuariosNome->SetAsString(name);
            dm.cdsUsuarios->Post();
        }
    }

    void SetPassword(const QString& password)
    {
        EditConfig([&](TDM& d) { d.cdsConfigSenhaSeguranca->SetAsString(ScramblePassword(password, PasswordKey)); });
    }

    TfrmPrincipal& Open()
    {
        window = new TfrmPrincipal(*engine);
        window->SetReportFunction([this](QWidget*, TDM&, const TReportTotals& totals, TDateTime now) {
            reports << Report{totals, now};
        });
        window->show();
        [[maybe_unused]] const bool exposed = QTest::qWaitForWindowExposed(window);
        return *window;
    }

    void Activate()
    {
        window->activateWindow();
        QApplication::setActiveWindow(window);
        [[maybe_unused]] const bool active = QTest::qWaitForWindowActive(window);
    }

    template <class T>
    T* Child(const char* name) const
    {
        return window->findChild<T*>(QString::fromLatin1(name));
    }
    QString Text(const char* label) const { return Child<QLabel>(label)->text(); }
    QComboBox* Box(const char* name) const { return Child<QComboBox>(name); }
    QCheckBox* Check(const char* name) const { return Child<QCheckBox>(name); }

    void ClickCheck(const char* name)
    {
        QCheckBox* box = Check(name);
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
    }

    // Presses "..." and lets `script` work the period dialog while it runs
    // modally; false when no period dialog came up.
    bool WithPeriodDialog(const std::function<void(TfrmPeriodo&)>& script)
    {
        bool seen = false;
        QTimer::singleShot(0, window, [&] {
            if (auto* dialog = qobject_cast<TfrmPeriodo*>(QApplication::activeModalWidget())) {
                seen = true;
                script(*dialog);
            } else if (QWidget* other = QApplication::activeModalWidget()) {
                other->close();
            }
        });
        QTest::mouseClick(Child<QPushButton>("btnPeriodo"), Qt::LeftButton);
        return seen;
    }

    bool ChoosePeriod(QDate first, QDate last)
    {
        return WithPeriodDialog([&](TfrmPeriodo& dialog) {
            dialog.InicioEdit()->setDate(first);
            dialog.FimEdit()->setDate(last);
            QTest::mouseClick(dialog.FiltrarButton(), Qt::LeftButton);
        });
    }

    bool CancelPeriod()
    {
        return WithPeriodDialog([](TfrmPeriodo& dialog) {
            dialog.InicioEdit()->setDate(QDate(2001, 1, 1));
            QTest::mouseClick(dialog.CancelarButton(), Qt::LeftButton);
        });
    }

    // The values of one field for the listed records, in the list's order.
    QStringList Listed(const char* field) const
    {
        QStringList out;
        const TTable* t = dm.cdsAcessos;
        const int index = t->FieldByName(QString::fromLatin1(field))->Index();
        for (int row = 0; row < window->Model()->rowCount(); ++row)
            out << t->DisplayTextAt(row, index);
        return out;
    }

    int ListedCount() const { return window->Model()->rowCount(); }

    void ClickTitle(int column)
    {
        TGridHeader* header = window->Grid()->Header();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(column) + 5, header->height() / 2));
    }

    void Connect()
    {
        fake.Connectivity().SetFlags(platform::ConnectionModem);
        engine->NetDetect1->Poll();
    }

    void Disconnect()
    {
        fake.Connectivity().SetFlags(0);
        engine->NetDetect1->Poll();
    }
};

void SendWheel(QWidget* target, int delta)
{
    const QPoint pos = target->rect().center();
    QWheelEvent wheel(pos, target->mapToGlobal(pos), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(target, &wheel);
}

QColor PixelOfRow(TDBGrid* grid, int row, int column)
{
    const QImage image = grid->viewport()->grab().toImage();
    return image.pixelColor(grid->columnViewportPosition(column) + 3, grid->rowViewportPosition(row) + 3);
}

} // namespace

class TestPrincipal final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // ---- Layout and texts ----

    void windowLayout()
    {
        MainFixture f;
        TfrmPrincipal& w = f.Open();
        QCOMPARE(w.windowTitle(), QStringLiteral("Pulsim"));
        QCOMPARE(w.centralWidget()->size(), QSize(693, 497));
        QCOMPARE(w.minimumSize(), w.maximumSize());
        QVERIFY(w.testAttribute(Qt::WA_DeleteOnClose));
        QCOMPARE(w.font().family(), QStringLiteral("Tahoma"));
        QCOMPARE(w.font().pointSize(), 8);
        QVERIFY(w.font().bold());
        QCOMPARE(f.Child<QLabel>("lblResumo")->text(), QStringLiteral("Resumo do Período"));
        QCOMPARE(f.Child<QLabel>("lblResumo")->font().family(), QStringLiteral("Arial"));
        QCOMPARE(f.Child<QLabel>("lblResumo")->font().pointSize(), 12);

        // The filter controls: twelve lines each, months in order, years from
        // 2000 through next year, "Período Selecionado" off at first.
        const QStringList months{"Janeiro", "Fevereiro", "Março",    "Abril",   "Maio",     "Junho",
                                 "Julho",   "Agosto",    "Setembro", "Outubro", "Novembro", "Dezembro"};
        QStringList monthItems, yearItems;
        for (int i = 0; i < f.Box("cmbx_Mes")->count(); ++i)
            monthItems << f.Box("cmbx_Mes")->itemText(i);
        for (int i = 0; i < f.Box("cmbx_Ano")->count(); ++i)
            yearItems << f.Box("cmbx_Ano")->itemText(i);
        QCOMPARE(monthItems, months);
        QCOMPARE(yearItems, (QStringList{"2000", "2001", "2002", "2003", "2004", "2005", "2006"}));
        for (const char* box : {"cmbxUsuarios", "cmbx_Mes", "cmbx_Ano"})
            QCOMPARE(f.Box(box)->maxVisibleItems(), 12);
        QCOMPARE(f.Check("ckbTodosMeses")->text(), QStringLiteral("Todos os Meses"));
        QCOMPARE(f.Check("ckbPeriodoSelecionado")->text(), QStringLiteral("Período Selecionado"));
        QCOMPARE(f.Child<QPushButton>("btnPeriodo")->text(), QStringLiteral("..."));

        // The hints, line breaks and blanks as users read them.
        QCOMPARE(f.Child<QPushButton>("btnPeriodo")->toolTip(),
                 QStringLiteral("Clique aqui para selecionar\num período personalizado"));
        QCOMPARE(f.Box("cmbx_Mes")->toolTip(),
                 QStringLiteral("Você pode configurar o dia \nde fechamento do mês nas \nopções gerais do programa"));
        QCOMPARE(f.Child<QLabel>("lblTotalGasto")->toolTip(),
                 QStringLiteral("Soma dos gastos\ncom as conexões do \nperíodo selecionado"));
        QCOMPARE(f.Child<QLabel>("lblTotalEconomizado")->toolTip(),
                 QStringLiteral("Soma das economias\ncom as conexões do \nperíodo selecionado"));
        QCOMPARE(f.Child<QLabel>("lblTempoTotal")->toolTip(),
                 QStringLiteral("Soma das durações\ndas conexões do\nperíodo selecionado"));
        QCOMPARE(w.Grid()->Header()->TitleHint(), QStringLiteral("Clique no título desejado\npara ordenar os acessos"));
        QVERIFY(w.Grid()->toolTip().isEmpty());

        // The list: its size, focus holder behind it, and first in the tab order.
        QCOMPARE(w.Grid()->size(), QSize(680, 291));
        QWidget* holder = f.Child<QWidget>("ControleDeFoco");
        QCOMPARE(holder->geometry(), w.Grid()->geometry());
        QVERIFY(w.centralWidget()->children().indexOf(holder) < w.centralWidget()->children().indexOf(w.Grid()));
        f.Activate();
        QTRY_VERIFY(w.Grid()->hasFocus());
        QTest::keyClick(w.Grid(), Qt::Key_Tab);
        QTRY_VERIFY(holder->hasFocus());
    }

    void toolbar_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("hint");
        QTest::addRow("print") << "btnImprimir" << "Visualizar a impressão...";
        QTest::addRow("delete") << "btnExcluir" << "Excluir acesso...";
        QTest::addRow("phone") << "btnTelefone" << "Configurações de telefone/tarifa...";
        QTest::addRow("options") << "btnOpcoes" << "Opções gerais...";
        QTest::addRow("date and time") << "btnDataHora" << "Atualização de Data/hora...";
        QTest::addRow("security") << "btnSeguranca" << "Opções de segurança...";
        QTest::addRow("users") << "btnUsuarios" << "Definir usuários permitidos...";
    }

    void toolbar()
    {
        QFETCH(QString, button);
        QFETCH(QString, hint);
        MainFixture f;
        f.Open();
        auto* b = f.window->findChild<QToolButton*>(button);
        QVERIFY(b);
        QCOMPARE(b->toolTip(), hint);
        QCOMPARE(b->size(), QSize(50, 40));
        QCOMPARE(b->iconSize(), QSize(32, 32));
        QVERIFY(!b->icon().pixmap(32, 32).isNull());
        QCOMPARE(b->cursor().shape(), Qt::PointingHandCursor);
    }

    void toolbarOrderAndSeparators()
    {
        MainFixture f;
        TfrmPrincipal& w = f.Open();
        // Left to right: print, delete | phone, options, date and time | security, users.
        const QList<QWidget*> order{w.PrintButton(), w.DeleteButton(), f.Child<QWidget>("sepFerramentas1"),
                                    w.PhoneButton(), w.OptionsButton(), w.DateTimeButton(),
                                    f.Child<QWidget>("sepFerramentas2"), w.SecurityButton(), w.UsersButton()};
        for (int i = 1; i < order.size(); ++i)
            QVERIFY2(order[i - 1]->geometry().right() < order[i]->geometry().left(), qPrintable(order[i]->objectName()));
    }

    void menus()
    {
        MainFixture f;
        TfrmPrincipal& w = f.Open();
        const auto items = [](QMenu* menu) {
            QStringList out;
            for (QAction* a : menu->actions())
                out << (a->isSeparator() ? QStringLiteral("-") : a->text());
            return out;
        };
        QStringList titles;
        for (QAction* a : w.menuBar()->actions())
            titles << a->text();
        QCOMPARE(titles, (QStringList{"&Principal ", "&Ferramentas   ", "Aj&uda"}));
        QCOMPARE(items(w.MainMenu()),
                 (QStringList{"Visualizar a &Impressão...", "&Excluir acesso...", "-", "&Desativar..."}));
        QCOMPARE(items(w.ToolsMenu()),
                 (QStringList{"Configurações de telefone/tarifa...", "Opções gerais...", "Atualização de Data/hora...",
                              "-", "Opções de segurança...", "Usuários..."}));
        QCOMPARE(items(w.HelpMenu()), (QStringList{"&Conteúdo", "Website &Oficial", "-", "&Sobre..."}));
    }

    void listColumns()
    {
        MainFixture f;
        f.Add(QStringLiteral("ana"), At(2005, 3, 5, 10, 0, 0), At(2005, 3, 5, 11, 30, 20), 1234.5, 0.25, 7);
        TfrmPrincipal& w = f.Open();
        TTableModel* model = w.Model();
        const QStringList titles{"Usuário", "Início", "Hora", "Fim", "Hora", "Duração", "Custo", "Economia", "Pulsos"};
        const QList<int> widths{90, 70, 60, 70, 60, 95, 70, 70, 53};
        const QStringList texts{"ana",           "05/03/2005",   "10:00:00", "05/03/2005", "11:30:20",
                                "1 h. e 31 min.", "R$ 1.234,5000", "0,2500",   "007"};
        QCOMPARE(model->columnCount(), 9);
        for (int c = 0; c < 9; ++c) {
            QCOMPARE(model->headerData(c, Qt::Horizontal).toString(), titles[c]);
            QCOMPARE(w.Grid()->columnWidth(c), widths[c]);
            QCOMPARE(model->index(0, c).data().toString(), texts[c]);
            const Qt::Alignment expected = c == 0 ? (Qt::AlignLeft | Qt::AlignVCenter) : Qt::Alignment(Qt::AlignCenter);
            QCOMPARE(model->index(0, c).data(Qt::TextAlignmentRole).value<Qt::Alignment>(), expected);
            QCOMPARE(model->headerData(c, Qt::Horizontal, Qt::TextAlignmentRole).value<Qt::Alignment>(), expected);
        }
        QCOMPARE(w.Grid()->selectionBehavior(), QAbstractItemView::SelectRows);
        QCOMPARE(w.Grid()->editTriggers(), QAbstractItemView::NoEditTriggers);
    }

    void detailColour()
    {
        MainFixture f;
        f.EditConfig([](TDM& dm) { dm.cdsConfigDetailColor->SetAsInteger(0x3060C0); }); // red in the low byte
        TfrmPrincipal& w = f.Open();
        const QColor detail(0xC0, 0x60, 0x30);
        QCOMPARE(w.Grid()->Delegate()->TextColor(), detail);
        QCOMPARE(w.Grid()->Header()->palette().color(QPalette::ButtonText), detail);
        for (const char* label : {"lblLeftStatus", "lblRightStatus", "lblTotalGasto", "lblResumo", "lblCredito1"})
            QCOMPARE(f.Child<QLabel>(label)->palette().color(QPalette::WindowText), detail);
        QCOMPARE(f.Box("cmbx_Mes")->palette().color(QPalette::Text), detail);
        QCOMPARE(f.Child<TDottedFrame>("shpUsuario")->OutlineColor(), detail);
    }

    // ---- Opening ----

    void openingShowsTheMonthNewestFirst()
    {
        MainFixture f;
        f.Add(QStringLiteral("ana"), At(2005, 3, 1, 9), At(2005, 3, 1, 10), 0.1, 0, 1);
        f.Add(QStringLiteral("bia"), At(2005, 3, 10, 9), At(2005, 3, 10, 10), 0.2, 0, 2);
        f.Add(QStringLiteral("ana"), At(2005, 3, 5, 9), At(2005, 3, 5, 10), 0.4, 0, 4);
        f.Add(QStringLiteral("ana"), At(2005, 2, 5, 9), At(2005, 2, 5, 10), 0.8, 0, 8); // January's bill
        f.dm.cdsAcessos->SetIndexName(QString());
        TfrmPrincipal& w = f.Open();

        QCOMPARE(w.FilterMode(), TfrmPrincipal::TFilterMode::Month);
        QCOMPARE(f.Box("cmbx_Mes")->currentIndex(), 2);
        QCOMPARE(f.Box("cmbx_Ano")->currentText(), QStringLiteral("2005"));
        QCOMPARE(f.Box("cmbxUsuarios")->currentText(), QStringLiteral("Todos"));
        QCOMPARE(f.dm.FiltroUsuario, QStringLiteral("Todos"));
        QVERIFY(f.dm.cdsAcessos->Filtered());
        QCOMPARE(f.dm.cdsAcessos->IndexName(), TDM::AcessosIndex);
        QCOMPARE(f.Listed("Pulsos"), (QStringList{"002", "004", "001"}));
        QCOMPARE(f.dm.cdsAcessos->RecNo(), 1);
        QCOMPARE(w.Grid()->currentIndex().row(), 0);
        QCOMPARE(f.Text("lblLeftStatus"), QStringLiteral("  Acessos em ordem descendente, pelo campo \"Início\""));
        QCOMPARE(f.Text("lblRightStatus"), QStringLiteral("  De 21/02/2005 até 20/03/2005"));
        QCOMPARE(f.Text("lblTotalGasto"), QStringLiteral("R$ 0,70"));
        QCOMPARE(f.Text("lblPulsosGastos"), QStringLiteral("7 pulsos"));
        QCOMPARE(f.Text("lblTempoTotal"), QStringLiteral("3 h. e 1 min."));
    }

    void refreshKeepsTheOrderShowingAgainDoesNot()
    {
        MainFixture f;
        f.Add(QStringLiteral("ana"), At(2005, 3, 1, 9), At(2005, 3, 1, 10), 0.3, 0, 1);
        f.Add(QStringLiteral("ana"), At(2005, 3, 2, 9), At(2005, 3, 2, 10), 0.1, 0, 2);
        TfrmPrincipal& w = f.Open();
        f.Box("cmbx_Mes")->setCurrentIndex(0);
        f.ClickTitle(6); // Custo, ascending
        QCOMPARE(f.dm.cdsAcessos->IndexName(), QStringLiteral("TempCusto"));

        // The refresh after the phone settings: today's month again, the sort kept.
        w.Refresh();
        QCOMPARE(f.Box("cmbx_Mes")->currentIndex(), 2);
        QCOMPARE(f.dm.cdsAcessos->IndexName(), QStringLiteral("TempCusto"));
        QCOMPARE(f.Listed("Pulsos"), (QStringList{"002", "001"}));

        // Shown again: the newest access first.
        w.hide();
        w.show();
        QCOMPARE(f.dm.cdsAcessos->IndexName(), TDM::AcessosIndex);
        QCOMPARE(f.Listed("Pulsos"), (QStringList{"002", "001"}));
    }

    void userBox_data()
    {
        QTest::addColumn<QStringList>("users");
        QTest::addRow("no allowed users") << QStringList{};
        QTest::addRow("in table order") << QStringList{"zeca", "ana", "Bia Souza"};
    }

    void userBox()
    {
        QFETCH(QStringList, users);
        MainFixture f;
        f.AddUsers(users);
        TfrmPrincipal& w = f.Open();
        const auto items = [&f] {
            QStringList out;
            for (int i = 0; i < f.Box("cmbxUsuarios")->count(); ++i)
                out << f.Box("cmbxUsuarios")->itemText(i);
            return out;
        };
        const QStringList expected = QStringList{"Todos"} + users;
        QCOMPARE(items(), expected);
        if (!users.isEmpty())
            f.Box("cmbxUsuarios")->setCurrentIndex(1);
        // Opening again (the refresh after the phone settings) lists each user once.
        w.Refresh();
        QCOMPARE(items(), expected);
        QCOMPARE(f.Box("cmbxUsuarios")->currentText(), QStringLiteral("Todos"));
        QCOMPARE(f.dm.FiltroUsuario, QStringLiteral("Todos"));
        w.hide();
        w.show();
        QCOMPARE(items(), expected);
    }

    // ---- Billing periods ----

    void monthPeriod_data()
    {
        QTest::addColumn<int>("diaFechaConta");
        QTest::addColumn<int>("year");
        QTest::addColumn<int>("month");
        QTest::addColumn<QString>("line");
        QTest::addColumn<QDateTime>("inicio");
        QTest::addColumn<QDateTime>("fim");
        const auto day = [](int y, int m, int d) { return QDateTime(QDate(y, m, d), QTime(0, 0)); };
        QTest::addRow("20, March 2005") << 20 << 2005 << 3 << "  De 21/02/2005 até 20/03/2005" << day(2005, 2, 21)
                                        << day(2005, 3, 21);
        QTest::addRow("0 is 20") << 0 << 2005 << 3 << "  De 21/02/2005 até 20/03/2005" << day(2005, 2, 21)
                                 << day(2005, 3, 21);
        QTest::addRow("20, January 2005") << 20 << 2005 << 1 << "  De 21/12/2004 até 20/01/2005" << day(2004, 12, 21)
                                          << day(2005, 1, 21);
        QTest::addRow("20, December 2004") << 20 << 2004 << 12 << "  De 21/11/2004 até 20/12/2004"
                                           << day(2004, 11, 21) << day(2004, 12, 21);
        QTest::addRow("30, February 2005") << 30 << 2005 << 2 << "  De 29/01/2005 até 28/02/2005" << day(2005, 1, 29)
                                           << day(2005, 3, 1);
        QTest::addRow("30, January 2005") << 30 << 2005 << 1 << "  De 31/12/2004 até 30/01/2005" << day(2004, 12, 31)
                                          << day(2005, 1, 31);
        QTest::addRow("30, March 2005") << 30 << 2005 << 3 << "  De 01/03/2005 até 30/03/2005" << day(2005, 3, 1)
                                        << day(2005, 3, 31);
        QTest::addRow("30, February 2004") << 30 << 2004 << 2 << "  De 29/01/2004 até 28/02/2004" << day(2004, 1, 29)
                                           << day(2004, 2, 29);
        QTest::addRow("30, March 2004") << 30 << 2004 << 3 << "  De 01/03/2004 até 30/03/2004" << day(2004, 3, 1)
                                        << day(2004, 3, 31);
        QTest::addRow("1, March 2005") << 1 << 2005 << 3 << "  De 02/02/2005 até 01/03/2005" << day(2005, 2, 2)
                                       << day(2005, 3, 2);
    }

    void monthPeriod()
    {
        QFETCH(int, diaFechaConta);
        QFETCH(int, year);
        QFETCH(int, month);
        QFETCH(QString, line);
        QFETCH(QDateTime, inicio);
        QFETCH(QDateTime, fim);
        MainFixture f(At(2006, 7, 10, 12));
        f.EditConfig([&](TDM& dm) { dm.cdsConfigDiaFechaConta->SetAsInteger(diaFechaConta); });
        f.Open();
        // The user picks the year and then the month.
        f.Box("cmbx_Ano")->setCurrentIndex(year - 2000);
        f.Box("cmbx_Mes")->setCurrentIndex(month - 1);
        QCOMPARE(f.Text("lblRightStatus"), line);
        QCOMPARE(f.dm.InicioPeriodo, FromQDateTime(inicio));
        QCOMPARE(f.dm.FimPeriodo, FromQDateTime(fim));
    }

    void periodBounds_data()
    {
        QTest::addColumn<QDateTime>("inicio");
        QTest::addColumn<QDateTime>("fim");
        QTest::addColumn<int>("month");
        QTest::addColumn<bool>("listed");
        QTest::addColumn<bool>("counted");
        const auto at = [](int d, int m, int h, int min) { return QDateTime(QDate(2005, m, d), QTime(h, min)); };
        QTest::addRow("begins exactly at the lower bound") << at(21, 2, 0, 0) << at(21, 2, 0, 30) << 3 << false
                                                           << false;
        QTest::addRow("one minute after the lower bound") << at(21, 2, 0, 1) << at(21, 2, 0, 30) << 3 << true << true;
        QTest::addRow("23:59 on the closing day") << at(20, 3, 23, 59) << at(20, 3, 23, 59) << 3 << true << true;
        QTest::addRow("00:01 after the closing day, March") << at(21, 3, 0, 1) << at(21, 3, 0, 40) << 3 << false
                                                            << false;
        QTest::addRow("00:01 after the closing day, April") << at(21, 3, 0, 1) << at(21, 3, 0, 40) << 4 << true
                                                            << true;
        QTest::addRow("ends after the period") << at(20, 3, 23, 50) << at(21, 3, 0, 20) << 3 << true << false;
        QTest::addRow("ends exactly at the upper bound") << at(20, 3, 23, 50) << at(21, 3, 0, 0) << 3 << true << true;
    }

    void periodBounds()
    {
        QFETCH(QDateTime, inicio);
        QFETCH(QDateTime, fim);
        QFETCH(int, month);
        QFETCH(bool, listed);
        QFETCH(bool, counted);
        MainFixture f(At(2005, 4, 2, 10));
        f.Add(QStringLiteral("ana"), FromQDateTime(inicio), FromQDateTime(fim), 1.25, 0.5, 5);
        f.Open();
        f.Box("cmbx_Mes")->setCurrentIndex(month - 1);
        QCOMPARE(f.ListedCount(), listed ? 1 : 0);
        QCOMPARE(f.Text("lblPulsosGastos"), counted ? QStringLiteral("5 pulsos") : QStringLiteral("0 pulsos"));
        QCOMPARE(f.Text("lblTotalGasto"), counted ? QStringLiteral("R$ 1,25") : QStringLiteral("R$ 0,00"));
        QCOMPARE(f.Text("lblTotalEconomizado"), counted ? QStringLiteral("R$ 0,50") : QStringLiteral("R$ 0,00"));
    }

    void emptyPeriodShowsZeroTexts()
    {
        MainFixture f;
        f.Add(QStringLiteral("ana"), At(2005, 3, 1, 9), At(2005, 3, 1, 10), 3.5, 1, 9);
        f.Open();
        QCOMPARE(f.Text("lblPulsosGastos"), QStringLiteral("9 pulsos"));
        f.Box("cmbx_Mes")->setCurrentIndex(6);
        QCOMPARE(f.ListedCount(), 0);
        QCOMPARE(f.Text("lblTotalGasto"), QStringLiteral("R$ 0,00"));
        QCOMPARE(f.Text("lblTotalEconomizado"), QStringLiteral("R$ 0,00"));
        QCOMPARE(f.Text("lblTempoTotal"), QStringLiteral("0 h. e 0 min."));
        QCOMPARE(f.Text("lblPulsosGastos"), QStringLiteral("0 pulsos"));
    }

    void showTotals_data()
    {
        QTest::addColumn<double>("custo");
        QTest::addColumn<double>("economia");
        QTest::addColumn<double>("duracao");
        QTest::addColumn<int>("pulsos");
        QTest::addColumn<QStringList>("texts");
        const double hour = 1.0 / 24, minute = 1.0 / 1440;
        QTest::addRow("cents") << 46.45 << 0.1 << 0.0 << 3
                               << QStringList{"R$ 46,45", "R$ 0,10", "0 h. e 0 min.", "3 pulsos"};
        QTest::addRow("thousands") << 1234.5 << 1234567.891 << 90.0 / 86400 << 1
                                   << QStringList{"R$ 1,234,50", "R$ 1,234,567,89", "0 h. e 2 min.", "1 pulsos"};
        QTest::addRow("hours beyond a day") << 0.0 << 0.0 << 29 * hour + 45 * minute << 0
                                            << QStringList{"R$ 0,00", "R$ 0,00", "29 h. e 46 min.", "0 pulsos"};
        QTest::addRow("half a cent rounds up") << 0.005 << 0.0 << 0.0 << 0
                                               << QStringList{"R$ 0,01", "R$ 0,00", "0 h. e 0 min.", "0 pulsos"};
        const QStringList zeros{"R$ 0,00", "R$ 0,00", "0 h. e 0 min.", "0 pulsos"};
        QTest::addRow("a cost that is not a number") << qQNaN() << 1.0 << hour << 4 << zeros;
        QTest::addRow("a duration that is not a number") << 2.0 << 1.0 << qQNaN() << 4 << zeros;
    }

    void showTotals()
    {
        QFETCH(double, custo);
        QFETCH(double, economia);
        QFETCH(double, duracao);
        QFETCH(int, pulsos);
        QFETCH(QStringList, texts);
        MainFixture f;
        TfrmPrincipal& w = f.Open();
        f.dm.SomaCusto = custo;
        f.dm.SomaEconomia = economia;
        f.dm.SomaDuracao = duracao;
        f.dm.SomaPulsos = pulsos;
        w.ShowTotals();
        QCOMPARE((QStringList{f.Text("lblTotalGasto"), f.Text("lblTotalEconomizado"), f.Text("lblTempoTotal"),
                              f.Text("lblPulsosGastos")}),
                 texts);
    }

    // ---- Filter modes ----

    void modes_data()
    {
        // Steps: "todos" and "periodo" click the check boxes; "ok" chooses
        // 01/03/2005–10/03/2005 in the period dialog, "cancel" cancels it;
        // "mes=N" picks a month, "user=X" a user.
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("boxesEnabled");
        QTest::addColumn<bool>("todosChecked");
        QTest::addColumn<bool>("periodoChecked");
        QTest::addColumn<bool>("periodoEnabled");
        QTest::addColumn<bool>("filtered");
        QTest::addColumn<QString>("line");
        QTest::addColumn<QStringList>("listed");
        QTest::addColumn<QString>("pulsos");

        const int month = int(TfrmPrincipal::TFilterMode::Month);
        const int all = int(TfrmPrincipal::TFilterMode::AllMonths);
        const int custom = int(TfrmPrincipal::TFilterMode::CustomPeriod);
        const QString march = QStringLiteral("  De 21/02/2005 até 20/03/2005");
        const QString february = QStringLiteral("  De 21/01/2005 até 20/02/2005");
        const QString chosen = QStringLiteral("  De 01/03/2005 até 10/03/2005");
        const QString every = QStringLiteral("  Todos os acessos");
        const QStringList everything{"016", "002", "001", "004", "008"};

        QTest::addRow("opened") << QStringList{} << month << true << false << false << false << true << march
                                << QStringList{"002", "001"} << "3 pulsos";
        QTest::addRow("month changed") << QStringList{"mes=1"} << month << true << false << false << false << true
                                       << february << QStringList{"004"} << "4 pulsos";
        QTest::addRow("all months from month")
            << QStringList{"todos"} << all << false << true << false << false << false << every << everything
            << "31 pulsos";
        QTest::addRow("all months left") << QStringList{"mes=1", "todos", "todos"} << month << true << false << false
                                         << false << true << february << QStringList{"004"} << "4 pulsos";
        QTest::addRow("period chosen in month") << QStringList{"ok"} << custom << false << false << true << true
                                                << true << chosen << QStringList{"001"} << "1 pulsos";
        QTest::addRow("period chosen in all months") << QStringList{"todos", "ok"} << custom << false << false << true
                                                     << true << true << chosen << QStringList{"001"} << "1 pulsos";
        QTest::addRow("all months from custom") << QStringList{"ok", "todos"} << all << false << true << false
                                                << false << false << every << everything << "31 pulsos";
        QTest::addRow("cancel in month") << QStringList{"mes=1", "cancel"} << month << true << false << false << false
                                         << true << february << QStringList{"004"} << "4 pulsos";
        QTest::addRow("cancel in custom") << QStringList{"mes=1", "ok", "cancel"} << month << true << false << false
                                          << false << true << february << QStringList{"004"} << "4 pulsos";
        QTest::addRow("cancel in all months") << QStringList{"todos", "cancel"} << all << false << true << false
                                              << false << false << every << everything << "31 pulsos";
        QTest::addRow("custom unchecked") << QStringList{"mes=1", "ok", "periodo"} << month << true << false << false
                                          << false << true << february << QStringList{"004"} << "4 pulsos";
        QTest::addRow("user in month") << QStringList{"user=ana"} << month << true << false << false << false << true
                                       << march << QStringList{"001"} << "1 pulsos";
        QTest::addRow("user in custom") << QStringList{"ok", "user=bia"} << custom << false << false << true << true
                                        << true << chosen << QStringList{} << "0 pulsos";
        QTest::addRow("user in all months") << QStringList{"todos", "user=ana"} << all << false << true << false
                                            << false << true << every << QStringList{"016", "001", "004"}
                                            << "21 pulsos";
        QTest::addRow("Todos again in all months") << QStringList{"todos", "user=ana", "user=Todos"} << all << false
                                                   << true << false << false << false << every << everything
                                                   << "31 pulsos";
        QTest::addRow("all months with a user chosen") << QStringList{"user=bia", "todos"} << all << false << true
                                                       << false << false << true << every
                                                       << QStringList{"002", "008"} << "10 pulsos";
        QTest::addRow("user kept into month") << QStringList{"todos", "user=ana", "todos"} << month << true << false
                                              << false << false << true << march << QStringList{"001"}
                                              << "1 pulsos";
    }

    void modes()
    {
        QFETCH(QStringList, steps);
        QFETCH(int, mode);
        QFETCH(bool, boxesEnabled);
        QFETCH(bool, todosChecked);
        QFETCH(bool, periodoChecked);
        QFETCH(bool, periodoEnabled);
        QFETCH(bool, filtered);
        QFETCH(QString, line);
        QFETCH(QStringList, listed);
        QFETCH(QString, pulsos);

        MainFixture f;
        f.AddUsers({QStringLiteral("ana"), QStringLiteral("bia")});
        f.Add(QStringLiteral("ana"), At(2005, 3, 5, 10), At(2005, 3, 5, 11), 0.1, 0, 1);
        f.Add(QStringLiteral("bia"), At(2005, 3, 12, 10), At(2005, 3, 12, 11), 0.2, 0, 2);
        f.Add(QStringLiteral("ana"), At(2005, 2, 10, 10), At(2005, 2, 10, 11), 0.4, 0, 4);
        // Before 2003 and after 2015: every month counts them too.
        f.Add(QStringLiteral("bia"), At(2001, 6, 10, 10), At(2001, 6, 10, 11), 0.8, 0, 8);
        f.Add(QStringLiteral("ana"), At(2016, 1, 10, 10), At(2016, 1, 10, 11), 1.6, 0, 16);
        TfrmPrincipal& w = f.Open();

        for (const QString& step : steps) {
            if (step == QLatin1String("todos")) {
                f.ClickCheck("ckbTodosMeses");
            } else if (step == QLatin1String("periodo")) {
                f.ClickCheck("ckbPeriodoSelecionado");
            } else if (step == QLatin1String("ok")) {
                QVERIFY(f.ChoosePeriod(QDate(2005, 3, 1), QDate(2005, 3, 10)));
            } else if (step == QLatin1String("cancel")) {
                // Cancel writes nothing; only leaving a custom period sets the month's.
                const auto modeBefore = w.FilterMode();
                const TDateTime inicio = f.dm.InicioPeriodo, fim = f.dm.FimPeriodo;
                QVERIFY(f.CancelPeriod());
                if (modeBefore != TfrmPrincipal::TFilterMode::CustomPeriod) {
                    QCOMPARE(f.dm.InicioPeriodo, inicio);
                    QCOMPARE(f.dm.FimPeriodo, fim);
                }
            } else if (step.startsWith(QLatin1String("mes="))) {
                f.Box("cmbx_Mes")->setCurrentIndex(step.mid(4).toInt());
            } else if (step.startsWith(QLatin1String("user="))) {
                f.Box("cmbxUsuarios")->setCurrentText(step.mid(5));
                QCOMPARE(f.dm.FiltroUsuario, step.mid(5));
            }
        }

        QCOMPARE(int(w.FilterMode()), mode);
        QCOMPARE(f.Box("cmbx_Mes")->isEnabled(), boxesEnabled);
        QCOMPARE(f.Box("cmbx_Ano")->isEnabled(), boxesEnabled);
        QCOMPARE(f.Check("ckbTodosMeses")->isChecked(), todosChecked);
        QVERIFY(f.Check("ckbTodosMeses")->isEnabled());
        QCOMPARE(f.Check("ckbPeriodoSelecionado")->isChecked(), periodoChecked);
        QCOMPARE(f.Check("ckbPeriodoSelecionado")->isEnabled(), periodoEnabled);
        QCOMPARE(f.dm.cdsAcessos->Filtered(), filtered);
        QCOMPARE(f.Text("lblRightStatus"), line);
        QCOMPARE(f.Listed("Pulsos"), listed);
        QCOMPARE(f.Text("lblPulsosGastos"), pulsos);
    }

    void periodWithFirstDayAfterLastListsNothing()
    {
        MainFixture f;
        f.Add(QStringLiteral("ana"), At(2005, 3, 5, 10), At(2005, 3, 5, 11), 0.1, 0, 1);
        f.Open();
        QVERIFY(f.ChoosePeriod(QDate(2005, 3, 10), QDate(2005, 3, 1)));
        QCOMPARE(f.ListedCount(), 0);
        QCOMPARE(f.Text("lblRightStatus"), QStringLiteral("  De 10/03/2005 até 01/03/2005"));
        QCOMPARE(f.Text("lblPulsosGastos"), QStringLiteral("0 pulsos"));
    }

    // ---- Sorting ----

    void sortingCycles()
    {
        MainFixture f;
        f.Add(QStringLiteral("ana"), At(2005, 3, 1, 9), At(2005, 3, 1, 10), 0.30, 0, 5);
        f.Add(QStringLiteral("bia"), At(2005, 3, 2, 9), At(2005, 3, 2, 10), 0.10, 0, 9);
        f.Add(QStringLiteral("cid"), At(2005, 3, 3, 9), At(2005, 3, 3, 10), 0.20, 0, 1);
        TfrmPrincipal& w = f.Open();
        TGridHeader* header = w.Grid()->Header();
        const int custo = 6, pulsos = 8;

        struct Step {
            int column;
            QString index;
            bool descending;
            QStringList users;
        };
        const Step steps[] = {
            {custo, QStringLiteral("TempCusto"), false, {"bia", "cid", "ana"}},
            {custo, QStringLiteral("TempCusto"), true, {"ana", "cid", "bia"}},
            {custo, QStringLiteral("TempCusto"), false, {"bia", "cid", "ana"}},
            {pulsos, QStringLiteral("TempPulsos"), false, {"cid", "ana", "bia"}},
            {0, QStringLiteral("TempUsuario"), false, {"ana", "bia", "cid"}},
            {0, QStringLiteral("TempUsuario"), true, {"cid", "bia", "ana"}},
        };
        for (const Step& step : steps) {
            f.dialogs.Clear();
            f.ClickTitle(step.column);
            QCOMPARE(f.dm.cdsAcessos->IndexName(), step.index);
            QCOMPARE(f.Listed("Usuario"), step.users);
            bool descending = !step.descending;
            QCOMPARE(header->ArrowColumn(&descending), step.column);
            QCOMPARE(descending, step.descending);
            // The arrow is drawn with its left edge 18 pixels left of the title's right edge.
            const QRect arrow = header->ArrowRect(step.column);
            QCOMPARE(arrow.left(), header->sectionViewportPosition(step.column) + header->sectionSize(step.column) - 18);
            const QImage title = header->viewport()->grab().toImage();
            QCOMPARE(title.pixelColor(arrow.center()), QColor(70, 100, 190));
            // The left status line stays as it was.
            QCOMPARE(f.Text("lblLeftStatus"), QStringLiteral("  Acessos em ordem descendente, pelo campo \"Início\""));
            QVERIFY(f.dialogs.Errors().isEmpty());
        }
        // The current record stays current through the sorts.
        QCOMPARE(w.Grid()->currentIndex().row(), f.dm.cdsAcessos->RecNo() - 1);
    }

    void sortingByDurationUsesTheDuration()
    {
        MainFixture f;
        f.Add(QStringLiteral("ana"), At(2005, 3, 1, 0), At(2005, 3, 1, 10), 0.1, 0, 1);   // 10 h
        f.Add(QStringLiteral("bia"), At(2005, 3, 2, 0), At(2005, 3, 2, 2), 0.1, 0, 1);    // 2 h
        f.Add(QStringLiteral("cid"), At(2005, 3, 3, 0), At(2005, 3, 3, 0, 30), 0.1, 0, 1); // 30 min
        f.Open();
        f.ClickTitle(5);
        QCOMPARE(f.dm.cdsAcessos->IndexName(), QStringLiteral("TempDuracaoStr"));
        QCOMPARE(f.Listed("DuracaoStr"), (QStringList{"0 h. e 31 min.", "2 h. e 1 min.", "10 h. e 1 min."}));
        f.ClickTitle(5);
        QCOMPARE(f.Listed("DuracaoStr"), (QStringList{"10 h. e 1 min.", "2 h. e 1 min.", "0 h. e 31 min."}));
        bool descending = false;
        QCOMPARE(f.window->Grid()->Header()->ArrowColumn(&descending), 5);
        QVERIFY(descending);
    }

    void closingClearsTheOrderAndKeepsTheFilter()
    {
        MainFixture f;
        f.AddUsers({QStringLiteral("ana")});
        f.Add(QStringLiteral("ana"), At(2005, 3, 1, 9), At(2005, 3, 1, 10), 0.3, 0, 1);
        f.Add(QStringLiteral("bia"), At(2005, 3, 2, 9), At(2005, 3, 2, 10), 0.1, 0, 2);
        f.Open();
        f.Box("cmbxUsuarios")->setCurrentText(QStringLiteral("ana"));
        f.ClickTitle(6);
        const TDateTime inicio = f.dm.InicioPeriodo, fim = f.dm.FimPeriodo;
        QVERIFY(f.window->close());
        QTRY_VERIFY(f.window.isNull());
        QVERIFY(f.dm.cdsAcessos->IndexName().isEmpty());
        QVERIFY(f.dm.cdsAcessos->Filtered());
        QCOMPARE(f.dm.FiltroUsuario, QStringLiteral("ana"));
        QCOMPARE(f.dm.InicioPeriodo, inicio);
        QCOMPARE(f.dm.FimPeriodo, fim);
        QCOMPARE(f.dm.cdsAcessos->RecordCount(), 1);
    }

    // ---- The list's look, pointer, keyboard and wheel ----

    void rowColours()
    {
        MainFixture f;
        for (int day = 1; day <= 3; ++day)
            f.Add(QStringLiteral("ana"), At(2005, 3, day, 9), At(2005, 3, day, 10), 0.1, 0, day);
        TfrmPrincipal& w = f.Open();
        f.Activate();
        TDBGrid* grid = w.Grid();
        const QColor selected(70, 80, 210), odd(210, 230, 250), even(255, 255, 255);

        grid->setFocus();
        QTRY_VERIFY(grid->hasFocus());
        QCOMPARE(PixelOfRow(grid, 0, 8), selected);
        QCOMPARE(PixelOfRow(grid, 1, 8), even);
        QCOMPARE(PixelOfRow(grid, 2, 8), odd);

        // Another record current: the highlight moves, row 0 shows its parity.
        f.dm.cdsAcessos->SetRecNo(2);
        QCOMPARE(PixelOfRow(grid, 0, 8), odd);
        QCOMPARE(PixelOfRow(grid, 1, 8), selected);

        // The focus holder keeps the highlight; a filter box takes it away.
        f.Child<QWidget>("ControleDeFoco")->setFocus();
        QTRY_VERIFY(f.Child<QWidget>("ControleDeFoco")->hasFocus());
        QCOMPARE(PixelOfRow(grid, 1, 8), selected);
        f.Box("cmbx_Mes")->setFocus();
        QTRY_VERIFY(f.Box("cmbx_Mes")->hasFocus());
        QCOMPARE(PixelOfRow(grid, 1, 8), even);
    }

    void pointerAndHintOverTitles()
    {
        MainFixture f;
        f.Add(QStringLiteral("ana"), At(2005, 3, 1, 9), At(2005, 3, 1, 10));
        TfrmPrincipal& w = f.Open();
        TGridHeader* header = w.Grid()->Header();
        QWidget* titles = header->viewport();
        const QPoint overTitle(header->sectionViewportPosition(3) + 10, header->height() / 2);
        const QPoint pastTitles(header->sectionViewportPosition(8) + header->sectionSize(8) + 5, header->height() / 2);

        QTest::mouseMove(titles, overTitle);
        QTRY_COMPARE(titles->cursor().shape(), Qt::PointingHandCursor);
        QTest::mouseMove(titles, pastTitles);
        QTRY_COMPARE(titles->cursor().shape(), Qt::ArrowCursor);
        QCOMPARE(w.Grid()->viewport()->cursor().shape(), Qt::ArrowCursor);

        QHelpEvent over(QEvent::ToolTip, overTitle, titles->mapToGlobal(overTitle));
        QApplication::sendEvent(titles, &over);
        QTRY_VERIFY(QToolTip::isVisible());
        QCOMPARE(QToolTip::text(), QStringLiteral("Clique no título desejado\npara ordenar os acessos"));
        QHelpEvent past(QEvent::ToolTip, pastTitles, titles->mapToGlobal(pastTitles));
        QApplication::sendEvent(titles, &past);
        QTRY_VERIFY(!QToolTip::isVisible());
    }

    void navigation_data()
    {
        // Start on record 2 of 3; where each key or wheel turn leads.
        QTest::addColumn<QString>("input");
        QTest::addColumn<int>("recNo");
        QTest::addRow("Down on the focus holder") << "Down" << 3;
        QTest::addRow("Right on the focus holder") << "Right" << 3;
        QTest::addRow("Up on the focus holder") << "Up" << 1;
        QTest::addRow("Left on the focus holder") << "Left" << 1;
        QTest::addRow("wheel up over the list") << "wheel+list" << 1;
        QTest::addRow("wheel down over the list") << "wheel-list" << 3;
        QTest::addRow("wheel down over the month box") << "wheel-month" << 3;
        QTest::addRow("wheel up over the totals") << "wheel+totals" << 1;
        QTest::addRow("wheel without a turn") << "wheel0list" << 2;
    }

    void navigation()
    {
        QFETCH(QString, input);
        QFETCH(int, recNo);
        MainFixture f;
        for (int day = 1; day <= 3; ++day)
            f.Add(QStringLiteral("ana"), At(2005, 3, day, 9), At(2005, 3, day, 10), 0.1, 0, day);
        TfrmPrincipal& w = f.Open();
        f.Activate();
        f.dm.cdsAcessos->SetRecNo(2);

        QWidget* holder = f.Child<QWidget>("ControleDeFoco");
        if (input.startsWith(QLatin1String("wheel"))) {
            const int delta = input.at(5) == QLatin1Char('+') ? 120 : (input.at(5) == QLatin1Char('-') ? -120 : 0);
            const QString where = input.mid(6);
            QWidget* target = where == QLatin1String("list")    ? w.Grid()->viewport()
                              : where == QLatin1String("month") ? static_cast<QWidget*>(f.Box("cmbx_Mes"))
                                                                : f.Child<QWidget>("shpGasto");
            SendWheel(target, delta);
        } else {
            holder->setFocus();
            QTRY_VERIFY(holder->hasFocus());
            const Qt::Key key = input == QLatin1String("Down")    ? Qt::Key_Down
                                : input == QLatin1String("Right") ? Qt::Key_Right
                                : input == QLatin1String("Up")    ? Qt::Key_Up
                                                                  : Qt::Key_Left;
            QTest::keyClick(holder, key);
        }
        QCOMPARE(f.dm.cdsAcessos->RecNo(), recNo);
        QCOMPARE(w.Grid()->currentIndex().row(), recNo - 1);
        // The wheel moves the list, never the month.
        QCOMPARE(f.Box("cmbx_Mes")->currentIndex(), 2);
    }

    void listAndTableFollowEachOther()
    {
        MainFixture f;
        for (int day = 1; day <= 3; ++day)
            f.Add(QStringLiteral("ana"), At(2005, 3, day, 9), At(2005, 3, day, 10), 0.1, 0, day);
        TfrmPrincipal& w = f.Open();
        TDBGrid* grid = w.Grid();
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                          QPoint(grid->columnViewportPosition(2) + 5, grid->rowViewportPosition(2) + 5));
        QCOMPARE(f.dm.cdsAcessos->RecNo(), 3);
        QCOMPARE(f.dm.cdsAcessosPulsos->AsInteger(), 1);
        f.dm.cdsAcessos->First();
        QCOMPARE(grid->currentIndex().row(), 0);
        QCOMPARE(grid->selectionModel()->selectedRows().value(0).row(), 0);
    }

    // ---- Deleting ----

    void deletion_data()
    {
        QTest::addColumn<bool>("locked");     // BloquearExclusao
        QTest::addColumn<QString>("password"); // the security password, empty for none
        QTest::addColumn<bool>("yes");        // the answer to the question
        QTest::addColumn<bool>("passwordOk"); // the answer of the password prompt
        QTest::addColumn<bool>("deleted");
        QTest::addColumn<int>("prompts");
        QTest::addRow("confirmed") << false << "" << true << false << true << 0;
        QTest::addRow("refused") << false << "" << false << false << false << 0;
        QTest::addRow("locked, right password") << true << "segredo" << true << true << true << 1;
        QTest::addRow("locked, wrong password") << true << "segredo" << true << false << false << 1;
        QTest::addRow("locked, refused before the password") << true << "segredo" << false << true << false << 0;
        QTest::addRow("locked without a password set") << true << "" << true << false << true << 0;
        QTest::addRow("password set, not locked") << false << "segredo" << true << false << true << 0;
    }

    void deletion()
    {
        QFETCH(bool, locked);
        QFETCH(QString, password);
        QFETCH(bool, yes);
        QFETCH(bool, passwordOk);
        QFETCH(bool, deleted);
        QFETCH(int, prompts);
        MainFixture f;
        f.EditConfig([&](TDM& dm) { dm.cdsConfigBloquearExclusao->SetAsBoolean(locked); });
        if (!password.isEmpty())
            f.SetPassword(password);
        f.Add(QStringLiteral("ana"), At(2005, 3, 1, 9), At(2005, 3, 1, 10), 0.1, 0, 1);
        f.Add(QStringLiteral("bia"), At(2005, 3, 2, 9), At(2005, 3, 2, 10), 0.2, 0, 2);
        TfrmPrincipal& w = f.Open();
        f.dialogs.Clear();
        f.dialogs.AnswerYesNo({yes});
        f.dialogs.AnswerPassword({passwordOk});

        QTest::mouseClick(w.DeleteButton(), Qt::LeftButton);

        QCOMPARE(f.dialogs.Questions(), QStringList{QStringLiteral("Deseja realmente excluir o acesso selecionado?")});
        QCOMPARE(f.dialogs.PasswordPrompts(), prompts);
        QVERIFY(f.dialogs.Infos().isEmpty());
        QVERIFY(f.dialogs.Errors().isEmpty());
        // The newest access was current; the totals follow the list.
        QCOMPARE(f.Listed("Usuario"), deleted ? QStringList{"ana"} : (QStringList{"bia", "ana"}));
        QCOMPARE(f.Text("lblPulsosGastos"), deleted ? QStringLiteral("1 pulsos") : QStringLiteral("3 pulsos"));
        QCOMPARE(f.Text("lblTotalGasto"), deleted ? QStringLiteral("R$ 0,10") : QStringLiteral("R$ 0,30"));
        QCOMPARE(w.Grid()->currentIndex().row(), f.dm.cdsAcessos->RecNo() - 1);
    }

    void deletionOnAnEmptyList()
    {
        MainFixture f;
        f.Add(QStringLiteral("ana"), At(2004, 3, 1, 9), At(2004, 3, 1, 10)); // another month
        TfrmPrincipal& w = f.Open();
        f.dialogs.Clear();
        w.DeleteAction()->trigger();
        QCOMPARE(f.dialogs.Infos(), QStringList{QStringLiteral("Não há acessos para serem excluídos.")});
        QVERIFY(f.dialogs.Questions().isEmpty());
        f.dm.cdsAcessos->SetFiltered(false);
        QCOMPARE(f.dm.cdsAcessos->RecordCount(), 1);
    }

    // ---- Connections ----

    void editingControlsDuringAConnection_data()
    {
        QTest::addColumn<QString>("before"); // the mode when the line comes up
        QTest::addColumn<bool>("boxes");     // month and year boxes afterwards
        QTest::addColumn<bool>("periodo");   // "Período Selecionado" afterwards
        QTest::addRow("month") << "" << true << false;
        QTest::addRow("all months") << "todos" << false << false;
        QTest::addRow("custom period") << "ok" << false << true;
    }

    void editingControlsDuringAConnection()
    {
        QFETCH(QString, before);
        QFETCH(bool, boxes);
        QFETCH(bool, periodo);
        MainFixture f;
        f.Add(QStringLiteral("ana"), At(2005, 3, 1, 9), At(2005, 3, 1, 10));
        TfrmPrincipal& w = f.Open();
        if (before == QLatin1String("todos"))
            f.ClickCheck("ckbTodosMeses");
        else if (before == QLatin1String("ok"))
            QVERIFY(f.ChoosePeriod(QDate(2005, 3, 1), QDate(2005, 3, 10)));

        const QList<QWidget*> editing{w.PrintButton(),        w.DeleteButton(),    w.PhoneButton(),
                                      w.OptionsButton(),      w.DateTimeButton(),  w.SecurityButton(),
                                      w.UsersButton(),        f.Box("cmbx_Mes"),   f.Box("cmbx_Ano"),
                                      f.Check("ckbTodosMeses"), f.Check("ckbPeriodoSelecionado"),
                                      f.Child<QWidget>("btnPeriodo"), w.Grid()};
        f.Connect();
        for (QWidget* control : editing)
            QVERIFY2(!control->isEnabled(), qPrintable(control->objectName()));
        QVERIFY(!w.MainMenu()->menuAction()->isEnabled());
        QVERIFY(!w.ToolsMenu()->menuAction()->isEnabled());
        QVERIFY(w.HelpMenu()->menuAction()->isEnabled());
        QVERIFY(f.Box("cmbxUsuarios")->isEnabled());
        // The wheel leaves the record alone while the list is off.
        const int recNo = f.dm.cdsAcessos->RecNo();
        SendWheel(w.centralWidget(), -120);
        QCOMPARE(f.dm.cdsAcessos->RecNo(), recNo);

        f.Disconnect();
        for (QWidget* control : {static_cast<QWidget*>(w.PrintButton()), static_cast<QWidget*>(w.UsersButton()),
                                 static_cast<QWidget*>(f.Check("ckbTodosMeses")), f.Child<QWidget>("btnPeriodo"),
                                 static_cast<QWidget*>(w.Grid())})
            QVERIFY2(control->isEnabled(), qPrintable(control->objectName()));
        QVERIFY(w.MainMenu()->menuAction()->isEnabled());
        QVERIFY(w.ToolsMenu()->menuAction()->isEnabled());
        QCOMPARE(f.Box("cmbx_Mes")->isEnabled(), boxes);
        QCOMPARE(f.Box("cmbx_Ano")->isEnabled(), boxes);
        QCOMPARE(f.Check("ckbPeriodoSelecionado")->isEnabled(), periodo);
    }

    void openedDuringAConnection()
    {
        MainFixture f;
        f.Connect();
        TfrmPrincipal& w = f.Open();
        for (QWidget* control : {static_cast<QWidget*>(w.PrintButton()), static_cast<QWidget*>(w.SecurityButton()),
                                 static_cast<QWidget*>(w.UsersButton()), static_cast<QWidget*>(f.Box("cmbx_Mes")),
                                 static_cast<QWidget*>(w.Grid())})
            QVERIFY2(!control->isEnabled(), qPrintable(control->objectName()));
        f.Disconnect();
        QVERIFY(w.PrintButton()->isEnabled());
        QVERIFY(f.Box("cmbx_Mes")->isEnabled());
    }

    // ---- Commands ----

    void print()
    {
        MainFixture f;
        f.Add(QStringLiteral("ana"), At(2005, 3, 1, 9), At(2005, 3, 1, 10), 46.45, 1.5, 12);
        TfrmPrincipal& w = f.Open();
        QTest::mouseClick(w.PrintButton(), Qt::LeftButton);
        w.PrintAction()->trigger();
        QCOMPARE(f.reports.size(), 2);
        const TReportTotals& totals = f.reports[0].totals;
        QCOMPARE(totals.CustoTotal, QStringLiteral("R$ 46,45"));
        QCOMPARE(totals.EconomiaTotal, QStringLiteral("R$ 1,50"));
        QCOMPARE(totals.PulsosTotal, QStringLiteral("12 pulsos"));
        QCOMPARE(totals.TempoTotal, QStringLiteral("1 h. e 1 min."));
        QCOMPARE(totals.Periodo, QStringLiteral("  De 21/02/2005 até 20/03/2005"));
        QCOMPARE(f.reports[0].now, At(2005, 3, 15, 10));
    }

    void helpAndWebPage()
    {
        MainFixture f;
        UrlRecorder urls;
        QDesktopServices::setUrlHandler(QStringLiteral("http"), &urls, "Open");
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &urls, "Open");
        TfrmPrincipal& w = f.Open();
        w.HelpAction()->trigger();
        w.WebPageAction()->trigger();
        QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        QCOMPARE(urls.opened,
                 (QList<QUrl>{QUrl::fromLocalFile(f.engine->HelpFile), QUrl(QStringLiteral("http://www.pulsim.com.br"))}));
    }

    void aboutBox()
    {
        MainFixture f;
        TfrmPrincipal& w = f.Open();
        QString title, version;
        bool modal = false;
        QTimer::singleShot(0, &w, [&] {
            if (auto* box = qobject_cast<TfrmSobre*>(QApplication::activeModalWidget())) {
                modal = box->isModal();
                title = box->windowTitle();
                version = box->findChild<QLabel*>(QStringLiteral("lblVersao"))->text();
                QTest::mouseClick(box->findChild<QPushButton*>(QStringLiteral("btnOK")), Qt::LeftButton);
            } else if (QWidget* other = QApplication::activeModalWidget()) {
                other->close();
            }
        });
        w.AboutAction()->trigger();
        QVERIFY(modal);
        QVERIFY(title.contains(QStringLiteral("Pulsim")));
        QVERIFY(version.startsWith(QStringLiteral("Versão ")));
        QVERIFY(w.findChildren<TfrmSobre*>().isEmpty());
    }

    void shutDownAsksTheEngine()
    {
        MainFixture f;
        TfrmPrincipal& w = f.Open();
        f.dialogs.Clear();
        f.dialogs.AnswerYesNo({false});
        w.ShutDownAction()->trigger();
        QCOMPARE(f.dialogs.Questions(), QStringList{QStringLiteral("Deseja realmente desativar o Pulsim ?")});
        QVERIFY(f.window);
    }

    void settingsWindows_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<bool>("bloquearUsuarios");
        QTest::addColumn<bool>("passwordSet");
        QTest::addColumn<bool>("passwordOk");
        QTest::addColumn<bool>("opened");
        QTest::addColumn<int>("prompts");
        QTest::addRow("options") << "btnOpcoes" << false << true << false << true << 0;
        QTest::addRow("date and time") << "btnDataHora" << false << true << false << true << 0;
        QTest::addRow("security, no password set") << "btnSeguranca" << false << false << false << true << 0;
        QTest::addRow("security, right password") << "btnSeguranca" << false << true << true << true << 1;
        QTest::addRow("security, wrong password") << "btnSeguranca" << false << true << false << false << 1;
        QTest::addRow("users, not locked") << "btnUsuarios" << false << true << false << true << 0;
        QTest::addRow("users, locked, right password") << "btnUsuarios" << true << true << true << true << 1;
        QTest::addRow("users, locked, wrong password") << "btnUsuarios" << true << true << false << false << 1;
    }

    void settingsWindows()
    {
        QFETCH(QString, command);
        QFETCH(bool, bloquearUsuarios);
        QFETCH(bool, passwordSet);
        QFETCH(bool, passwordOk);
        QFETCH(bool, opened);
        QFETCH(int, prompts);
        MainFixture f;
        f.EditConfig([&](TDM& dm) { dm.cdsConfigBloquearUsuarios->SetAsBoolean(bloquearUsuarios); });
        if (passwordSet)
            f.SetPassword(QStringLiteral("segredo"));
        TfrmPrincipal& w = f.Open();
        QStringList shown;
        const auto record = [&shown](const char* name) {
            return [&shown, name](QWidget*) { shown << QString::fromLatin1(name); };
        };
        w.SetSettingsWindows({record("btnTelefone"), record("btnOpcoes"), record("btnDataHora"),
                              record("btnSeguranca"), record("btnUsuarios")});
        f.dialogs.Clear();
        f.dialogs.AnswerPassword({passwordOk});
        QTest::mouseClick(w.findChild<QToolButton*>(command), Qt::LeftButton);
        QCOMPARE(shown, opened ? QStringList{command} : QStringList{});
        QCOMPARE(f.dialogs.PasswordPrompts(), prompts);
    }

    void phoneSettingsRefreshTheList()
    {
        MainFixture f;
        f.Add(QStringLiteral("ana"), At(2005, 3, 22, 9), At(2005, 3, 22, 10), 0.1, 0, 1);
        TfrmPrincipal& w = f.Open();
        f.Box("cmbx_Mes")->setCurrentIndex(0);
        QCOMPARE(f.ListedCount(), 0);
        // The phone settings move the closing day to the 25th.
        w.SetSettingsWindows({[&f](QWidget*) {
                                  f.EditConfig([](TDM& dm) { dm.cdsConfigDiaFechaConta->SetAsInteger(25); });
                              },
                              {}, {}, {}, {}});
        w.PhoneAction()->trigger();
        QCOMPARE(f.Box("cmbx_Mes")->currentIndex(), 2);
        QCOMPARE(f.Text("lblRightStatus"), QStringLiteral("  De 26/02/2005 até 25/03/2005"));
        QCOMPARE(f.ListedCount(), 1);
    }

    void commandsWithoutTheirWindowsDoNothing()
    {
        MainFixture f;
        TfrmPrincipal& w = f.Open();
        f.SetPassword(QStringLiteral("segredo"));
        f.dialogs.Clear();
        for (QAction* action : {w.PhoneAction(), w.OptionsAction(), w.DateTimeAction(), w.SecurityAction(),
                                w.UsersAction()})
            action->trigger();
        QVERIFY(f.dialogs.Log().isEmpty());
        QCOMPARE(f.Text("lblRightStatus"), QStringLiteral("  De 21/02/2005 até 20/03/2005"));
    }

    void yearBoxReachesNextYear()
    {
        MainFixture f(At(2027, 12, 31, 23, 59));
        TfrmPrincipal& w = f.Open();
        QCOMPARE(f.Box("cmbx_Ano")->count(), 29);
        QCOMPARE(f.Box("cmbx_Ano")->itemText(28), QStringLiteral("2028"));
        QCOMPARE(f.Box("cmbx_Ano")->currentText(), QStringLiteral("2027"));
        QCOMPARE(f.Box("cmbx_Mes")->currentIndex(), 11);
        // Kept open into the new year, the window gains the year it needs.
        f.fake.Clock().AdvanceMinutes(1);
        f.fake.Clock().AdvanceDays(366);
        w.Refresh();
        QCOMPARE(f.Box("cmbx_Ano")->currentText(), QStringLiteral("2029"));
        QCOMPARE(f.Box("cmbx_Ano")->itemText(f.Box("cmbx_Ano")->count() - 1), QStringLiteral("2030"));
    }
};

QTEST_MAIN(TestPrincipal)
#include "tst_principal.moc"
