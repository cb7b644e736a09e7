#pragma once

#include "app/EngineWindows.h"
#include "ui/uPrincipal.h"
#include "ui/uResumo.h"

#include <QObject>
#include <QPointer>

class TEngine;

// The windows the engine opens, one program-wide reference each: created on
// demand, shown non-modally, forgotten when they close (they destroy
// themselves then).
class TWindowHub final : public QObject, public IEngineWindows {
    Q_OBJECT

public:
    explicit TWindowHub(TEngine& engine, QObject* parent = nullptr);
    ~TWindowHub() override;

    TfrmPrincipal* MainWindow() const { return frmPrincipal; }
    TfrmResumo* Summary() const { return frmResumo; }

    void ShowMainWindow() override;
    bool SummaryExists() const override;
    bool SummaryVisible() const override;
    void ShowSummary() override;
    void CloseSummary() override;
    void RefreshSummary() override;
    void ShowScheduleWindow() override;
    void ShowTariffUpdateWindow() override;

private:
    TEngine& m_engine;
    QPointer<TfrmPrincipal> frmPrincipal;
    QPointer<TfrmResumo> frmResumo;
};
