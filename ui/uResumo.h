#pragma once

#include <QWidget>

#include <memory>

class TEngine;

namespace Ui {
class TfrmResumo;
}

// The connection summary: four large figures telling what the current (or
// just finished) connection has cost and lasted, and what the connections of
// the bill's current cycle add up to. It only reads; closing it destroys it.
class TfrmResumo final : public QWidget {
    Q_OBJECT

public:
    explicit TfrmResumo(TEngine& engine, QWidget* parent = nullptr);
    ~TfrmResumo() override;

    // Reads the figures again (the engine does so while a connection lasts).
    // The four figures change together or not at all. The window comes to
    // the front but leaves the keyboard focus where it is.
    void Refresh();

protected:
    void showEvent(QShowEvent* event) override;

private:
    // Reads and shows the figures; `comingIntoView` when the window is being
    // shown, which is when it takes the keyboard focus.
    void FormShow(bool comingIntoView);
    // Custo and Duracao of the connection's record, read without moving the
    // main window's list; zeros when there is no such record.
    void ReadConnectionRecord(double& custo, double& duracao) const;

    TEngine& m_engine;
    std::unique_ptr<Ui::TfrmResumo> ui;
};
