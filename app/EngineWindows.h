#pragma once

// The windows the engine opens. The window layer implements this and hands it
// to the engine, so the engine never depends on the windows themselves; each
// call creates its window when it does not exist.
class IEngineWindows {
public:
    virtual ~IEngineWindows() = default;

    // The main window, shown non-modally (at most one).
    virtual void ShowMainWindow() = 0;
    // The connection summary.
    virtual bool SummaryExists() const = 0;
    virtual bool SummaryVisible() const = 0;
    virtual void ShowSummary() = 0;
    virtual void CloseSummary() = 0;
    virtual void RefreshSummary() = 0;
    // The scheduled disconnection and the tariff update windows.
    virtual void ShowScheduleWindow() = 0;
    virtual void ShowTariffUpdateWindow() = 0;
};
