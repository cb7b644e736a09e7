#pragma once

#include "core/DateTime.h"

#include <QDialog>

#include <memory>

class QDateEdit;
class QPushButton;
class TDM;

namespace Ui {
class TfrmPeriodo;
}

// "Selecionar Período...": the first and the last day of the main window's
// list. "&Filtrar" writes the bounds of the access filter — InicioPeriodo at
// midnight starting the first day, FimPeriodo at midnight after the last
// day — and answers Accepted; "&Cancelar" writes nothing and answers Rejected.
// A first day after the last one is accepted: it lists nothing.
class TfrmPeriodo final : public QDialog {
    Q_OBJECT

public:
    // Proposes the thirty days up to `today`.
    TfrmPeriodo(TDM& dm, TDateTime today, QWidget* parent = nullptr);
    ~TfrmPeriodo() override;

    QDateEdit* InicioEdit() const;
    QDateEdit* FimEdit() const;
    QPushButton* FiltrarButton() const;
    QPushButton* CancelarButton() const;

    void btnFiltrarClick();
    void btnCancelarClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    TDM& m_dm;
    std::unique_ptr<Ui::TfrmPeriodo> ui;
};
