#include "ui/uRelatorio.h"

#include "data/uDM.h"
#include "ui/ReportLayout.h"
#include "ui/ReportPreview.h"

#include <QPointer>

void ShowAccessReport(QWidget* parent, TDM& dm, const TReportTotals& totals, TDateTime now)
{
    // The lists of every window hold still while the report is open, and
    // follow the table again however the preview ends.
    const TControlsDisabled suspension(*dm.cdsAcessos);
    // On the heap and watched: should the parent window go away while the
    // preview runs, it takes the preview with it and nothing is freed twice.
    QPointer<TfrmRelatorio> preview = new TfrmRelatorio(TAccessReport::Prepare(dm, totals, now), parent);
    preview->exec();
    delete preview.data();
}
