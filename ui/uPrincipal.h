#pragma once

#include "core/DateTime.h"
#include "ui/uRelatorio.h"

#include <QMainWindow>

#include <functional>
#include <memory>

class QAction;
class QMenu;
class QToolButton;
class TDBGrid;
class TDM;
class TEngine;
class TTableModel;

namespace Ui {
class TfrmPrincipal;
}

// The main window: the access log by billing month, for every month or for a
// period of the user's choice, for every user or one, in any column's order,
// with the totals of what it lists; it deletes an access, prints the list and
// opens the settings windows and the shutdown command.
//
// It sets the access filter (FiltroUsuario, InicioPeriodo, FimPeriodo) that
// cdsAcessos applies, and orders cdsAcessos itself, so the report prints what
// the list shows in the list's order. The filter stays as it was when the
// window closes; the order returns to the table's natural one.
class TfrmPrincipal final : public QMainWindow {
    Q_OBJECT

public:
    // What the list holds: the billing month of the month and year boxes,
    // every month ("Todos os Meses"), or the period chosen in the period
    // dialog ("Período Selecionado").
    enum class TFilterMode { Month, AllMonths, CustomPeriod };

    // The settings windows the toolbar and the tools menu open, each shown
    // modally by the function given; a command whose window is not set does
    // nothing.
    struct TSettingsWindows {
        std::function<void(QWidget* parent)> Telefone; // the list is refreshed after it
        std::function<void(QWidget* parent)> Opcoes;
        std::function<void(QWidget* parent)> DataHora;
        std::function<void(QWidget* parent)> Seguranca; // behind the security password
        std::function<void(QWidget* parent)> Usuarios;  // behind it when BloquearUsuarios is set
    };

    // How Print shows the report (ShowAccessReport unless replaced).
    using TReportFunction = std::function<void(QWidget* parent, TDM& dm, const TReportTotals& totals, TDateTime now)>;

    static const QString WebPageUrl;

    explicit TfrmPrincipal(TEngine& engine, QWidget* parent = nullptr);
    ~TfrmPrincipal() override;

    // ---- Opening ----
    // Runs each time the window is shown: today's month for every user, the
    // newest access first and current, the totals, the buttons that a
    // connection forbids disabled while it is up.
    void Opening();
    // The opening again without changing the order of the list (after the
    // phone settings, whose closing day changes the month's period).
    void Refresh();
    // InicioPeriodo and FimPeriodo from the month and year boxes and the
    // closing day, then the period line.
    void ComputeMonthPeriod();
    // lblRightStatus := "  De <first day> até <last day>".
    void ShowPeriodLine();
    // The four totals labels from SomaCusto, SomaEconomia, SomaDuracao and
    // SomaPulsos (their zero texts when they cannot be written).
    void ShowTotals();
    TFilterMode FilterMode() const { return m_mode; }

    // ---- Filter controls (what the user's change of each one does) ----
    void cmbx_MesChange();
    void cmbx_AnoChange();
    void cmbxUsuariosChange();
    void ckbTodosMesesClick();
    void ckbPeriodoSelecionadoClick();
    void btnPeriodoClick();
    void DBGrid1TitleClick(int column);

    // ---- Commands ----
    void Print();
    void Delete();
    void PhoneSettings();
    void Options();
    void DateAndTime();
    void Security();
    void Users();
    void ShutDown();
    void Help();
    void WebPage();
    void About();

    void SetSettingsWindows(TSettingsWindows windows) { m_settingsWindows = std::move(windows); }
    void SetReportFunction(TReportFunction report) { m_report = std::move(report); }

    // ---- Controls ----
    TDBGrid* Grid() const;
    TTableModel* Model() const { return m_model; }
    QToolButton* PrintButton() const;
    QToolButton* DeleteButton() const;
    QToolButton* PhoneButton() const;
    QToolButton* OptionsButton() const;
    QToolButton* DateTimeButton() const;
    QToolButton* SecurityButton() const;
    QToolButton* UsersButton() const;
    QMenu* MainMenu() const;  // "&Principal "
    QMenu* ToolsMenu() const; // "&Ferramentas   "
    QMenu* HelpMenu() const;  // "Aj&uda"
    QAction* PrintAction() const;
    QAction* DeleteAction() const;
    QAction* ShutDownAction() const;
    QAction* PhoneAction() const;
    QAction* OptionsAction() const;
    QAction* DateTimeAction() const;
    QAction* SecurityAction() const;
    QAction* UsersAction() const;
    QAction* HelpAction() const;
    QAction* WebPageAction() const;
    QAction* AboutAction() const;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void RunOpening(bool showing);
    void SetEditingControlsEnabled(bool enabled);
    // The month and year boxes and the two check boxes as the mode has them.
    void ApplyModeControls();
    void EnterMonthMode();
    void EnterAllMonthsMode();
    void MonthOrYearChanged();
    void ApplyAllMonthsFilter();
    void Refilter();
    void UpdateTotals();
    void ShowZeroTotals();
    void FillUserBox();
    void FillYearBox(int year);
    void MoveRecord(bool forward);
    void WheelTurned(const QWheelEvent& event);

    TEngine& m_engine;
    TDM& m_dm;
    std::unique_ptr<Ui::TfrmPrincipal> ui;
    TTableModel* m_model = nullptr;
    TFilterMode m_mode = TFilterMode::Month;
    bool m_editingEnabled = true;
    bool m_centred = false;
    TSettingsWindows m_settingsWindows;
    TReportFunction m_report;
};
