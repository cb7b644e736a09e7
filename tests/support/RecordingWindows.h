#pragma once

#include "app/EngineWindows.h"

#include <QStringList>

// The engine's windows as a test sees them: every request is written down, and
// the summary's existence and visibility follow the requests.
class RecordingWindows final : public IEngineWindows {
public:
    QStringList calls;
    bool summaryExists = false;
    bool summaryVisible = false;

    void ShowMainWindow() override { calls << QStringLiteral("ShowMainWindow"); }
    bool SummaryExists() const override { return summaryExists; }
    bool SummaryVisible() const override { return summaryVisible; }
    void ShowSummary() override
    {
        calls << QStringLiteral("ShowSummary");
        summaryExists = summaryVisible = true;
    }
    void CloseSummary() override
    {
        calls << QStringLiteral("CloseSummary");
        summaryExists = summaryVisible = false;
    }
    void RefreshSummary() override { calls << QStringLiteral("RefreshSummary"); }
    void ShowScheduleWindow() override { calls << QStringLiteral("ShowScheduleWindow"); }
    void ShowTariffUpdateWindow() override { calls << QStringLiteral("ShowTariffUpdateWindow"); }
};
