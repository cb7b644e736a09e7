#include "ui/uPrincipal.h"

#include "app/Artwork.h"
#include "app/uEngine.h"
#include "app/uUtil.h"
#include "core/Errors.h"
#include "core/Format.h"
#include "core/UserDialogs.h"
#include "data/Periods.h"
#include "data/TableModel.h"
#include "data/uDM.h"
#include "ui/Grid.h"
#include "ui/Look.h"
#include "ui/PrincipalArt.h"
#include "ui/uPeriodo.h"
#include "ui/uSobre.h"
#include "ui_uPrincipal.h"

#include <QCloseEvent>
#include <QDesktopServices>
#include <QKeyEvent>
#include <QPointer>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QUrl>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

const QString TfrmPrincipal::WebPageUrl = QStringLiteral("http://www.pulsim.com.br");

namespace {

const QString Todos = QStringLiteral("Todos");
const QString DuracaoStr = QStringLiteral("DuracaoStr");
constexpr int FirstYear = 2000;

// Bounds that take in every access there can be: the totals of "Todos os
// Meses" count the whole log, and a user's accesses of every month pass the
// filter. Real dates, so that whatever shows them can.
TDateTime AllAccessesStart()
{
    return EncodeDate(1, 1, 1);
}

TDateTime AllAccessesEnd()
{
    return EncodeDate(9999, 12, 31) + EncodeTime(23, 59, 59, 999);
}

// "R$ " and the amount with two decimals, thousands grouped, and a comma
// wherever the separators put a point, whatever the locale: 46.45 gives
// "R$ 46,45" and 1234.5 gives "R$ 1,234,50".
QString MoneyText(double value)
{
    if (!std::isfinite(value))
        throw EConvertError(QStringLiteral("Valor inválido: %1").arg(value));
    QString text = FormatFloat(QStringLiteral("0.00,"), value);
    text.replace(QLatin1Char('.'), QLatin1Char(','));
    return QStringLiteral("R$ ") + text;
}

} // namespace

TfrmPrincipal::TfrmPrincipal(TEngine& engine, QWidget* parent)
    : QMainWindow(parent)
    , m_engine(engine)
    , m_dm(engine.DM())
    , ui(std::make_unique<Ui::TfrmPrincipal>())
    , m_report(&ShowAccessReport)
{
    ui->setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setWindowIcon(QIcon(Artwork::ProgramPicture(32)));
    ui->pnlPrincipal->setFixedSize(693, 497);
    setFixedSize(693, 497 + menuBar()->sizeHint().height());

    // Toolbar and menu pictures.
    using PrincipalArt::TToolImage;
    const struct {
        QToolButton* button;
        QAction* action;
        TToolImage image;
    } pictures[] = {
        {ui->btnImprimir, ui->actImprimir, TToolImage::PrintPreview},
        {ui->btnExcluir, ui->actExcluir, TToolImage::DeleteAccess},
        {ui->btnTelefone, ui->actTelefone, TToolImage::PhoneTariff},
        {ui->btnOpcoes, ui->actOpcoes, TToolImage::Options},
        {ui->btnDataHora, ui->actDataHora, TToolImage::DateTime},
        {ui->btnSeguranca, ui->actSeguranca, TToolImage::Security},
        {ui->btnUsuarios, ui->actUsuarios, TToolImage::Users},
    };
    for (const auto& picture : pictures) {
        const QIcon icon(PrincipalArt::ToolImage(picture.image));
        picture.button->setIcon(icon);
        picture.action->setIcon(icon);
    }

    // The list: the access log as the table orders and filters it.
    const Qt::Alignment centre = Qt::AlignCenter;
    const Qt::Alignment left = Qt::AlignLeft | Qt::AlignVCenter;
    m_model = new TTableModel(m_dm.cdsAcessos,
                              {
                                  {QStringLiteral("Usuario"), QStringLiteral("Usuário"), left, left},
                                  {QStringLiteral("DataInicio"), QStringLiteral("Início"), centre, centre},
                                  {QStringLiteral("HoraInicio"), QStringLiteral("Hora"), centre, centre},
                                  {QStringLiteral("DataFim"), QStringLiteral("Fim"), centre, centre},
                                  {QStringLiteral("HoraFim"), QStringLiteral("Hora"), centre, centre},
                                  {DuracaoStr, QStringLiteral("Duração"), centre, centre},
                                  {QStringLiteral("Custo"), QStringLiteral("Custo"), centre, centre},
                                  {QStringLiteral("Economia"), QStringLiteral("Economia"), centre, centre},
                                  {QStringLiteral("Pulsos"), QStringLiteral("Pulsos"), centre, centre},
                              },
                              this);
    TDBGrid* grid = ui->DBGrid1;
    grid->SetTableModel(m_model);
    grid->SetColumnWidths({90, 70, 60, 70, 60, 95, 70, 70, 53});
    grid->SetFocusHolder(ui->ControleDeFoco);
    grid->Header()->SetTitleHint(QStringLiteral("Clique no título desejado\npara ordenar os acessos"));

    int year = 0, month = 0, day = 0;
    DecodeDate(m_engine.Now(), year, month, day);
    FillYearBox(year);
    for (QWidget* box : {static_cast<QWidget*>(ui->cmbxUsuarios), static_cast<QWidget*>(ui->cmbx_Mes),
                         static_cast<QWidget*>(ui->cmbx_Ano)})
        Look::HighlightFocus(box);

    const QColor detail = CurrentDetailColor(m_dm);
    Look::ApplyDetailColor(this, detail);
    grid->SetDetailColor(detail);

    // Commands: toolbar buttons and menu items are separate, so that a menu
    // item works while its button is disabled.
    const auto command = [this](auto* sender, auto signal, void (TfrmPrincipal::*handler)()) {
        connect(sender, signal, this, Guarded([this, handler] { (this->*handler)(); }));
    };
    command(ui->btnImprimir, &QToolButton::clicked, &TfrmPrincipal::Print);
    command(ui->btnExcluir, &QToolButton::clicked, &TfrmPrincipal::Delete);
    command(ui->btnTelefone, &QToolButton::clicked, &TfrmPrincipal::PhoneSettings);
    command(ui->btnOpcoes, &QToolButton::clicked, &TfrmPrincipal::Options);
    command(ui->btnDataHora, &QToolButton::clicked, &TfrmPrincipal::DateAndTime);
    command(ui->btnSeguranca, &QToolButton::clicked, &TfrmPrincipal::Security);
    command(ui->btnUsuarios, &QToolButton::clicked, &TfrmPrincipal::Users);
    command(ui->actImprimir, &QAction::triggered, &TfrmPrincipal::Print);
    command(ui->actExcluir, &QAction::triggered, &TfrmPrincipal::Delete);
    command(ui->actDesativar, &QAction::triggered, &TfrmPrincipal::ShutDown);
    command(ui->actTelefone, &QAction::triggered, &TfrmPrincipal::PhoneSettings);
    command(ui->actOpcoes, &QAction::triggered, &TfrmPrincipal::Options);
    command(ui->actDataHora, &QAction::triggered, &TfrmPrincipal::DateAndTime);
    command(ui->actSeguranca, &QAction::triggered, &TfrmPrincipal::Security);
    command(ui->actUsuarios, &QAction::triggered, &TfrmPrincipal::Users);
    command(ui->actConteudo, &QAction::triggered, &TfrmPrincipal::Help);
    command(ui->actWebsite, &QAction::triggered, &TfrmPrincipal::WebPage);
    command(ui->actSobre, &QAction::triggered, &TfrmPrincipal::About);

    // Filter controls. The boxes report only the user's changes: the window
    // sets them itself under a signal blocker, and the check boxes' clicks
    // come from the user alone.
    command(ui->cmbx_Mes, &QComboBox::currentIndexChanged, &TfrmPrincipal::cmbx_MesChange);
    command(ui->cmbx_Ano, &QComboBox::currentIndexChanged, &TfrmPrincipal::cmbx_AnoChange);
    command(ui->cmbxUsuarios, &QComboBox::currentIndexChanged, &TfrmPrincipal::cmbxUsuariosChange);
    command(ui->ckbTodosMeses, &QCheckBox::clicked, &TfrmPrincipal::ckbTodosMesesClick);
    command(ui->ckbPeriodoSelecionado, &QCheckBox::clicked, &TfrmPrincipal::ckbPeriodoSelecionadoClick);
    command(ui->btnPeriodo, &QPushButton::clicked, &TfrmPrincipal::btnPeriodoClick);
    connect(grid, &TDBGrid::TitleClick, this, Guarded([this](int column) { DBGrid1TitleClick(column); }));

    // The engine switches the editing controls off while a connection is up.
    m_engine.RegisterEditingControls(this, Guarded([this](bool enabled) { SetEditingControlsEnabled(enabled); }));
    SetEditingControlsEnabled(m_engine.EditingControlsEnabled());

    // The arrow keys of the focus holder and the wheel anywhere in the
    // window move through the list.
    for (QWidget* child : findChildren<QWidget*>())
        child->installEventFilter(this);
}

TfrmPrincipal::~TfrmPrincipal() = default;

// ---------------------------------------------------------------------------
// Opening
// ---------------------------------------------------------------------------

void TfrmPrincipal::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    // Coming back from another desktop or from minimised is not an opening.
    if (event->spontaneous())
        return;
    if (!m_centred) {
        m_centred = true;
        Look::CentreOnScreen(this);
    }
    RunGuarded([this] { Opening(); });
    ui->DBGrid1->setFocus();
}

void TfrmPrincipal::Opening()
{
    RunOpening(true);
}

void TfrmPrincipal::Refresh()
{
    RunOpening(false);
}

void TfrmPrincipal::RunOpening(bool showing)
{
    TTable* acessos = m_dm.cdsAcessos;

    int year = 0, month = 0, day = 0;
    DecodeDate(m_engine.Now(), year, month, day);
    {
        const QSignalBlocker blockMonth(ui->cmbx_Mes);
        const QSignalBlocker blockYear(ui->cmbx_Ano);
        FillYearBox(year);
        ui->cmbx_Mes->setCurrentIndex(month - 1);
        ui->cmbx_Ano->setCurrentIndex(std::clamp(year - FirstYear, 0, ui->cmbx_Ano->count() - 1));
    }

    m_mode = TFilterMode::Month;
    ApplyModeControls();
    ComputeMonthPeriod();

    FillUserBox();
    m_dm.FiltroUsuario = Todos;

    if (acessos->Active()) {
        const TControlsDisabled held(*acessos);
        Refilter();
        if (showing)
            acessos->SetIndexName(TDM::AcessosIndex);
    } else {
        acessos->SetFiltered(true);
    }

    ui->lblLeftStatus->setText(QStringLiteral("  Acessos em ordem descendente, pelo campo \"Início\""));
    UpdateTotals();

    const bool allowed = m_editingEnabled && !m_engine.NetDetect1->Connected();
    for (QToolButton* button : {ui->btnImprimir, ui->btnExcluir, ui->btnTelefone, ui->btnOpcoes, ui->btnDataHora,
                                ui->btnSeguranca})
        button->setEnabled(allowed);

    if (acessos->Active())
        acessos->First();
}

void TfrmPrincipal::FillYearBox(int year)
{
    // From 2000 through next year, so that today's month always has its item
    // (item i is the year 2000 + i); a window kept open into a new year
    // gains the items it needs.
    const int last = std::max(FirstYear, year + 1);
    const QSignalBlocker block(ui->cmbx_Ano);
    while (ui->cmbx_Ano->count() <= last - FirstYear)
        ui->cmbx_Ano->addItem(QString::number(FirstYear + ui->cmbx_Ano->count()));
}

void TfrmPrincipal::FillUserBox()
{
    const QSignalBlocker block(ui->cmbxUsuarios);
    ui->cmbxUsuarios->clear();
    ui->cmbxUsuarios->addItem(Todos);
    TTable* usuarios = m_dm.cdsUsuarios;
    // An allowed users table that could not be opened leaves "Todos" alone
    // (its failure was reported when it was opened).
    if (usuarios->Active()) {
        const TBookmark where = usuarios->GetBookmark();
        const TControlsDisabled held(*usuarios);
        for (usuarios->First(); !usuarios->Eof(); usuarios->Next())
            ui->cmbxUsuarios->addItem(m_dm.cdsUsuariosNome->AsString());
        if (where != 0 && usuarios->BookmarkValid(where))
            usuarios->GotoBookmark(where);
    }
    ui->cmbxUsuarios->setCurrentIndex(0);
}

void TfrmPrincipal::ComputeMonthPeriod()
{
    const int year = FirstYear + std::max(0, ui->cmbx_Ano->currentIndex());
    const int month = 1 + std::clamp(ui->cmbx_Mes->currentIndex(), 0, 11);
    const TPeriod period = MonthPeriod(year, month, m_dm.Setting(m_dm.cdsConfigDiaFechaConta).AsInteger());
    m_dm.InicioPeriodo = period.Inicio;
    m_dm.FimPeriodo = period.Fim;
    ShowPeriodLine();
}

void TfrmPrincipal::ShowPeriodLine()
{
    ui->lblRightStatus->setText(QStringLiteral("  De ") + DateToStr(m_dm.InicioPeriodo) + QStringLiteral(" até ") +
                                DateToStr(m_dm.FimPeriodo - 1));
}

// ---------------------------------------------------------------------------
// Totals
// ---------------------------------------------------------------------------

void TfrmPrincipal::ShowTotals()
{
    QString gasto, economia, tempo, pulsos;
    try {
        gasto = MoneyText(m_dm.SomaCusto);
        economia = MoneyText(m_dm.SomaEconomia);
        // FormatDuration has told the user already when it gives nothing.
        tempo = FormatDuration(m_dm.SomaDuracao);
        if (tempo.isEmpty())
            throw EConvertError(QStringLiteral("Duração inválida"));
        pulsos = QString::number(m_dm.SomaPulsos) + QStringLiteral(" pulsos");
    } catch (const std::exception&) {
        // The labels never show totals of two different periods.
        ShowZeroTotals();
        return;
    }
    ui->lblTotalGasto->setText(gasto);
    ui->lblTotalEconomizado->setText(economia);
    ui->lblTempoTotal->setText(tempo);
    ui->lblPulsosGastos->setText(pulsos);
}

void TfrmPrincipal::ShowZeroTotals()
{
    ui->lblTotalGasto->setText(QStringLiteral("R$ 0,00"));
    ui->lblTotalEconomizado->setText(QStringLiteral("R$ 0,00"));
    ui->lblTempoTotal->setText(QStringLiteral("0 h. e 0 min."));
    ui->lblPulsosGastos->setText(QStringLiteral("0 pulsos"));
}

void TfrmPrincipal::UpdateTotals()
{
    if (!m_dm.cdsAcessos->Active()) {
        ShowZeroTotals();
        return;
    }
    const bool allMonths = m_mode == TFilterMode::AllMonths;
    const TDateTime start = allMonths ? AllAccessesStart() : m_dm.InicioPeriodo;
    const TDateTime end = allMonths ? AllAccessesEnd() : m_dm.FimPeriodo;
    if (!RunGuarded([&] { m_dm.ComputePeriodTotals(start, end); })) {
        ShowZeroTotals();
        return;
    }
    ShowTotals();
}

// ---------------------------------------------------------------------------
// Filter modes
// ---------------------------------------------------------------------------

void TfrmPrincipal::Refilter()
{
    TTable* acessos = m_dm.cdsAcessos;
    if (!acessos->Active()) {
        acessos->SetFiltered(true);
        return;
    }
    // Off and on again: the filter asks every record anew. The list sees the
    // outcome once.
    const TControlsDisabled held(*acessos);
    acessos->SetFiltered(false);
    acessos->SetFiltered(true);
}

void TfrmPrincipal::ApplyAllMonthsFilter()
{
    // Every month of every user is the unfiltered table; every month of one
    // user is the filter with bounds that take in every access.
    if (m_dm.FiltroUsuario == Todos) {
        m_dm.cdsAcessos->SetFiltered(false);
        return;
    }
    m_dm.InicioPeriodo = AllAccessesStart();
    m_dm.FimPeriodo = AllAccessesEnd();
    Refilter();
}

void TfrmPrincipal::ApplyModeControls()
{
    const bool month = m_mode == TFilterMode::Month;
    ui->cmbx_Mes->setEnabled(month && m_editingEnabled);
    ui->cmbx_Ano->setEnabled(month && m_editingEnabled);
    ui->ckbTodosMeses->setChecked(m_mode == TFilterMode::AllMonths);
    ui->ckbPeriodoSelecionado->setChecked(m_mode == TFilterMode::CustomPeriod);
    ui->ckbPeriodoSelecionado->setEnabled(m_mode == TFilterMode::CustomPeriod && m_editingEnabled);
}

void TfrmPrincipal::EnterMonthMode()
{
    m_mode = TFilterMode::Month;
    ApplyModeControls();
    ComputeMonthPeriod();
    Refilter();
    UpdateTotals();
}

void TfrmPrincipal::EnterAllMonthsMode()
{
    m_mode = TFilterMode::AllMonths;
    ApplyModeControls();
    ComputeMonthPeriod();
    ApplyAllMonthsFilter();
    ui->lblRightStatus->setText(QStringLiteral("  Todos os acessos"));
    UpdateTotals();
}

void TfrmPrincipal::MonthOrYearChanged()
{
    // The boxes are disabled in the other modes; a change made there by
    // code does not take the list out of its mode.
    if (m_mode != TFilterMode::Month)
        return;
    ComputeMonthPeriod();
    Refilter();
    UpdateTotals();
}

void TfrmPrincipal::cmbx_MesChange()
{
    MonthOrYearChanged();
}

void TfrmPrincipal::cmbx_AnoChange()
{
    MonthOrYearChanged();
}

void TfrmPrincipal::cmbxUsuariosChange()
{
    m_dm.FiltroUsuario = ui->cmbxUsuarios->currentText();
    if (m_mode == TFilterMode::AllMonths)
        ApplyAllMonthsFilter();
    else
        Refilter();
    UpdateTotals();
}

void TfrmPrincipal::ckbTodosMesesClick()
{
    if (ui->ckbTodosMeses->isChecked())
        EnterAllMonthsMode();
    else
        EnterMonthMode();
}

void TfrmPrincipal::ckbPeriodoSelecionadoClick()
{
    // The box can only be unchecked (it is enabled in Custom period mode
    // alone, where it is checked).
    if (ui->ckbPeriodoSelecionado->isChecked() || m_mode != TFilterMode::CustomPeriod) {
        ApplyModeControls();
        return;
    }
    EnterMonthMode();
}

void TfrmPrincipal::btnPeriodoClick()
{
    // On the heap and watched: should this window go while the dialog runs,
    // it takes the dialog with it and nothing here is touched again.
    const QPointer<TfrmPrincipal> alive(this);
    QPointer<TfrmPeriodo> dialog = new TfrmPeriodo(m_dm, m_engine.Now(), this);
    const int answer = dialog->exec();
    delete dialog.data();
    if (!alive)
        return;

    if (answer == QDialog::Accepted) {
        // The dialog has set the period; the boxes leave it alone.
        m_mode = TFilterMode::CustomPeriod;
        ApplyModeControls();
        Refilter();
        ShowPeriodLine();
        UpdateTotals();
        return;
    }
    // Cancel leaves a custom period for the month of the boxes; the month
    // and every month stay as they were.
    if (m_mode == TFilterMode::CustomPeriod)
        EnterMonthMode();
}

void TfrmPrincipal::DBGrid1TitleClick(int column)
{
    const auto& columns = m_model->Columns();
    if (column < 0 || column >= columns.size())
        return;
    const QString field = columns.at(column).Field;
    // The duration text sorts by the duration itself, not alphabetically
    // ("10 h." would come before "2 h.").
    const QString key = field == DuracaoStr ? QStringLiteral("Duracao") : field;
    Grid::SortByColumn(*m_dm.cdsAcessos, field, key);
    ui->DBGrid1->Header()->viewport()->update();
}

// ---------------------------------------------------------------------------
// Commands
// ---------------------------------------------------------------------------

void TfrmPrincipal::Print()
{
    const TReportTotals totals{ui->lblTotalGasto->text(), ui->lblTotalEconomizado->text(),
                               ui->lblPulsosGastos->text(), ui->lblTempoTotal->text(),
                               ui->lblRightStatus->text()};
    if (m_report)
        m_report(this, m_dm, totals, m_engine.Now());
}

void TfrmPrincipal::Delete()
{
    TTable* acessos = m_dm.cdsAcessos;
    if (!acessos->Active() || acessos->IsEmpty()) {
        ShowInfo(QStringLiteral("Não há acessos para serem excluídos."));
        return;
    }
    if (!AskYesNo(QStringLiteral("Deseja realmente excluir o acesso selecionado?")))
        return;
    if (m_dm.Setting(m_dm.cdsConfigBloquearExclusao).AsBoolean() && !CheckSecurityPassword(m_dm))
        return;
    acessos->Delete();
    // The totals describe what the list shows, so they lose the record too.
    UpdateTotals();
}

void TfrmPrincipal::PhoneSettings()
{
    if (!m_settingsWindows.Telefone)
        return;
    const QPointer<TfrmPrincipal> alive(this);
    m_settingsWindows.Telefone(this);
    // The closing day may have changed, and with it the month's period.
    if (alive)
        Refresh();
}

void TfrmPrincipal::Options()
{
    if (m_settingsWindows.Opcoes)
        m_settingsWindows.Opcoes(this);
}

void TfrmPrincipal::DateAndTime()
{
    if (m_settingsWindows.DataHora)
        m_settingsWindows.DataHora(this);
}

void TfrmPrincipal::Security()
{
    if (!m_settingsWindows.Seguranca || !CheckSecurityPassword(m_dm))
        return;
    m_settingsWindows.Seguranca(this);
}

void TfrmPrincipal::Users()
{
    if (!m_settingsWindows.Usuarios)
        return;
    if (m_dm.Setting(m_dm.cdsConfigBloquearUsuarios).AsBoolean() && !CheckSecurityPassword(m_dm))
        return;
    m_settingsWindows.Usuarios(this);
}

void TfrmPrincipal::ShutDown()
{
    m_engine.Desativar1Click();
}

void TfrmPrincipal::Help()
{
    QDesktopServices::openUrl(QUrl::fromLocalFile(m_engine.HelpFile));
}

void TfrmPrincipal::WebPage()
{
    QDesktopServices::openUrl(QUrl(WebPageUrl));
}

void TfrmPrincipal::About()
{
    QPointer<TfrmSobre> box = new TfrmSobre(this);
    box->exec();
    delete box.data();
}

// ---------------------------------------------------------------------------
// Editing controls, navigation, closing
// ---------------------------------------------------------------------------

void TfrmPrincipal::SetEditingControlsEnabled(bool enabled)
{
    m_editingEnabled = enabled;
    ui->mnuPrincipal->menuAction()->setEnabled(enabled);
    ui->mnuFerramentas->menuAction()->setEnabled(enabled);
    for (QToolButton* button : {ui->btnImprimir, ui->btnExcluir, ui->btnTelefone, ui->btnOpcoes, ui->btnDataHora,
                                ui->btnSeguranca, ui->btnUsuarios})
        button->setEnabled(enabled);
    ui->ckbTodosMeses->setEnabled(enabled);
    ui->btnPeriodo->setEnabled(enabled);
    ui->DBGrid1->setEnabled(enabled);
    // Back on, the month boxes and "Período Selecionado" return to what the
    // mode allows rather than all coming on.
    ApplyModeControls();
}

void TfrmPrincipal::MoveRecord(bool forward)
{
    TTable* acessos = m_dm.cdsAcessos;
    // While the list is off (a connection is up) its record stays put.
    if (!ui->DBGrid1->isEnabled() || !acessos->Active())
        return;
    if (forward)
        acessos->Next();
    else
        acessos->Prior();
}

void TfrmPrincipal::WheelTurned(const QWheelEvent& event)
{
    // A turn up is the previous record, a turn down the next one; an event
    // with no turn (the start or end of a touchpad gesture) moves nothing.
    const int delta = event.angleDelta().y();
    if (delta == 0)
        return;
    RunGuarded([this, delta] { MoveRecord(delta < 0); });
}

void TfrmPrincipal::wheelEvent(QWheelEvent* event)
{
    WheelTurned(*event);
    event->accept();
}

bool TfrmPrincipal::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Wheel) {
        const auto* widget = qobject_cast<QWidget*>(watched);
        if (widget && widget->window() == this) {
            WheelTurned(*static_cast<QWheelEvent*>(event));
            return true;
        }
    } else if (event->type() == QEvent::KeyPress && watched == ui->ControleDeFoco) {
        switch (static_cast<QKeyEvent*>(event)->key()) {
        case Qt::Key_Down:
        case Qt::Key_Right:
            RunGuarded([this] { MoveRecord(true); });
            return true;
        case Qt::Key_Up:
        case Qt::Key_Left:
            RunGuarded([this] { MoveRecord(false); });
            return true;
        default:
            break;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void TfrmPrincipal::closeEvent(QCloseEvent* event)
{
    // The sort made here ends with the window: the table returns to its
    // natural order. The filter stays as the user left it.
    RunGuarded([this] { m_dm.cdsAcessos->SetIndexName(QString()); });
    QMainWindow::closeEvent(event);
}

// ---------------------------------------------------------------------------
// Controls
// ---------------------------------------------------------------------------

TDBGrid* TfrmPrincipal::Grid() const
{
    return ui->DBGrid1;
}

QToolButton* TfrmPrincipal::PrintButton() const
{
    return ui->btnImprimir;
}

QToolButton* TfrmPrincipal::DeleteButton() const
{
    return ui->btnExcluir;
}

QToolButton* TfrmPrincipal::PhoneButton() const
{
    return ui->btnTelefone;
}

QToolButton* TfrmPrincipal::OptionsButton() const
{
    return ui->btnOpcoes;
}

QToolButton* TfrmPrincipal::DateTimeButton() const
{
    return ui->btnDataHora;
}

QToolButton* TfrmPrincipal::SecurityButton() const
{
    return ui->btnSeguranca;
}

QToolButton* TfrmPrincipal::UsersButton() const
{
    return ui->btnUsuarios;
}

QMenu* TfrmPrincipal::MainMenu() const
{
    return ui->mnuPrincipal;
}

QMenu* TfrmPrincipal::ToolsMenu() const
{
    return ui->mnuFerramentas;
}

QMenu* TfrmPrincipal::HelpMenu() const
{
    return ui->mnuAjuda;
}

QAction* TfrmPrincipal::PrintAction() const
{
    return ui->actImprimir;
}

QAction* TfrmPrincipal::DeleteAction() const
{
    return ui->actExcluir;
}

QAction* TfrmPrincipal::ShutDownAction() const
{
    return ui->actDesativar;
}

QAction* TfrmPrincipal::PhoneAction() const
{
    return ui->actTelefone;
}

QAction* TfrmPrincipal::OptionsAction() const
{
    return ui->actOpcoes;
}

QAction* TfrmPrincipal::DateTimeAction() const
{
    return ui->actDataHora;
}

QAction* TfrmPrincipal::SecurityAction() const
{
    return ui->actSeguranca;
}

QAction* TfrmPrincipal::UsersAction() const
{
    return ui->actUsuarios;
}

QAction* TfrmPrincipal::HelpAction() const
{
    return ui->actConteudo;
}

QAction* TfrmPrincipal::WebPageAction() const
{
    return ui->actWebsite;
}

QAction* TfrmPrincipal::AboutAction() const
{
    return ui->actSobre;
}
