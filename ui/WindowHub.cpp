#include "ui/WindowHub.h"

#include "app/uEngine.h"
#include "ui/uPrincipal.h"
#include "ui/uResumo.h"

TWindowHub::TWindowHub(TEngine& engine, QObject* parent)
    : QObject(parent)
    , m_engine(engine)
{
}

TWindowHub::~TWindowHub()
{
    delete frmPrincipal.data();
    delete frmResumo.data();
}

void TWindowHub::ShowMainWindow()
{
    if (!frmPrincipal)
        frmPrincipal = new TfrmPrincipal(m_engine);
    frmPrincipal->show();
    frmPrincipal->raise();
    frmPrincipal->activateWindow();
}

bool TWindowHub::SummaryExists() const
{
    return !frmResumo.isNull();
}

bool TWindowHub::SummaryVisible() const
{
    return frmResumo && frmResumo->isVisible();
}

void TWindowHub::ShowSummary()
{
    if (!frmResumo)
        frmResumo = new TfrmResumo(m_engine);
    frmResumo->show();
}

void TWindowHub::CloseSummary()
{
    if (frmResumo) {
        frmResumo->close();
        // Closing destroys it; the next summary is a new window.
        delete frmResumo.data();
    }
}

void TWindowHub::RefreshSummary()
{
    if (frmResumo)
        frmResumo->Refresh();
}

void TWindowHub::ShowScheduleWindow()
{
    // The scheduled disconnection window is not part of this version yet.
}

void TWindowHub::ShowTariffUpdateWindow()
{
    // The tariff update window is not part of this version yet.
}
