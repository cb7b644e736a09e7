#pragma once

#include "core/DateTime.h"

#include <QString>

class QWidget;
class TDM;

// What the access report prints after the last record: the main window's
// totals and period line, exactly as the window shows them.
struct TReportTotals {
    QString CustoTotal;    // lblTotalGasto
    QString EconomiaTotal; // lblTotalEconomizado
    QString PulsosTotal;   // lblPulsosGastos
    QString TempoTotal;    // lblTempoTotal
    QString Periodo;       // lblRightStatus
};

// "Relatório de Acessos à Internet": the listed accesses of cdsAcessos (in the
// list's order and under its filter) with the totals, shown in a preview that
// zooms, pages, prints and saves the report as PDF. The display of cdsAcessos
// is suspended while the preview is open. `now` dates the page footer.
void ShowAccessReport(QWidget* parent, TDM& dm, const TReportTotals& totals, TDateTime now);
