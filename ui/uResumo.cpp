#include "ui/uResumo.h"

#include "ui_uResumo.h"

#include "app/uEngine.h"
#include "core/Errors.h"
#include "core/Format.h"
#include "data/Periods.h"
#include "data/uDM.h"
#include "ui/Look.h"

#include <QApplication>
#include <QShowEvent>

namespace {

const QColor FrameColor(47, 66, 139);
const QColor FigureColor(0, 75, 145);

void SetTextColor(QWidget* label, const QColor& color)
{
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, color);
    label->setPalette(pal);
}

QString Money(double value)
{
    return QStringLiteral("R$ ") + FormatFloat(QStringLiteral("0.00"), value);
}

} // namespace

TfrmResumo::TfrmResumo(TEngine& engine, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_engine(engine)
    , ui(std::make_unique<Ui::TfrmResumo>())
{
    ui->setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose);
    // A fixed border with the system menu only: the window closes, nothing else.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(378, 151);

    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);
    setAutoFillBackground(true);

    for (TDottedFrame* frame : {ui->shpDuracao, ui->shpCusto, ui->shpTempoTotal, ui->shpGastoTotal})
        frame->SetOutlineColor(FrameColor);
    for (QLabel* figure : {ui->lblDuracao, ui->lblTempoTotal, ui->lblGastoTotal})
        SetTextColor(figure, FigureColor);
    SetTextColor(ui->lblCusto, Qt::red);

    Look::CentreOnScreen(this);
}

TfrmResumo::~TfrmResumo() = default;

void TfrmResumo::Refresh()
{
    FormShow(false);
}

void TfrmResumo::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // Only our own show counts: the window system re-showing a window (after
    // a change of workspace, say) is no new opening.
    if (!event->spontaneous())
        RunGuarded([this] { FormShow(true); });
}

void TfrmResumo::ReadConnectionRecord(double& custo, double& duracao) const
{
    custo = duracao = 0;
    TDM& dm = m_engine.DM();
    TTable* acessos = dm.cdsAcessos;
    const TBookmark record = m_engine.ConnectionRecord;
    if (!acessos->BookmarkValid(record))
        return;

    // The main window lists this table: it must find its current record
    // where it left it, and must not even see the visit.
    const TBookmark current = acessos->GetBookmark();
    const TControlsDisabled suspended(*acessos);
    acessos->GotoBookmark(record);
    custo = dm.cdsAcessosCusto->AsFloat();
    duracao = dm.cdsAcessosDuracao->AsFloat();
    if (current == 0)
        acessos->First(); // the list had no current record: nothing listed
    else if (acessos->BookmarkValid(current))
        acessos->GotoBookmark(current);
}

void TfrmResumo::FormShow(bool comingIntoView)
{
    TDM& dm = m_engine.DM();
    const int diaFechaConta = dm.Setting(dm.cdsConfigDiaFechaConta).AsInteger();
    setWindowTitle(QStringLiteral("Pulsim - Resumo da Conexão"));

    double custo = 0, duracao = 0;
    ReadConnectionRecord(custo, duracao);

    // "Since the last bill closed" holds on every day of the month: the cycle
    // runs from the day after the last closing day through the next one.
    const TPeriod cycle = BillingCycleOf(m_engine.Now(), diaFechaConta);

    const TAccessTotals cycleTotals = dm.TotalsOfAllAccesses(cycle.Inicio, cycle.Fim);
    const double somaCusto = cycleTotals.Custo;
    const double somaDuracao = cycleTotals.Duracao;

    const QString textCusto = Money(custo);
    const QString textDuracao = FormatDuration(duracao);
    const QString textGastoTotal = Money(somaCusto);
    const QString textTempoTotal = FormatDuration(somaDuracao);
    ui->lblCusto->setText(textCusto);
    ui->lblDuracao->setText(textDuracao);
    ui->lblGastoTotal->setText(textGastoTotal);
    ui->lblTempoTotal->setText(textTempoTotal);

    // A dialog waiting for an answer (the password prompt, say) keeps the
    // front: the summary, centred like it, would cover it, and cannot be used
    // before the answer anyway.
    if (QApplication::activeModalWidget())
        return;
    raise();
    // Taking the keyboard focus at every refresh would pull it away from
    // whatever the user is typing in, every 15 seconds of a connection.
    if (comingIntoView)
        activateWindow();
}
