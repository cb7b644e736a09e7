#include "ui/uPeriodo.h"

#include "app/uUtil.h"
#include "core/Errors.h"
#include "data/uDM.h"
#include "ui/Look.h"
#include "ui/PrincipalArt.h"
#include "ui_uPeriodo.h"

#include <QBoxLayout>
#include <QCalendarWidget>
#include <QLabel>
#include <QLocale>
#include <QShowEvent>

namespace {

// The drop-down calendar of a date field, titled "Selecione a data". The
// popup has no title bar of its own, so the title sits above the month; the
// calendar counts it in its size, so that the popup shows every week.
class TDateCalendar final : public QCalendarWidget {
public:
    explicit TDateCalendar(QWidget* parent)
        : QCalendarWidget(parent)
    {
        setWindowTitle(QStringLiteral("Selecione a data"));
        setLocale(QLocale(QLocale::Portuguese, QLocale::Brazil));
        setFirstDayOfWeek(Qt::Sunday);
        setGridVisible(true);
        setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
        if (auto* column = qobject_cast<QBoxLayout*>(layout())) {
            m_title = new QLabel(QStringLiteral("Selecione a data"), this);
            m_title->setObjectName(QStringLiteral("lblTituloCalendario"));
            QFont font(QStringLiteral("Arial"));
            font.setPointSize(9);
            font.setBold(true);
            m_title->setFont(font);
            m_title->setAlignment(Qt::AlignCenter);
            m_title->setContentsMargins(0, 3, 0, 3);
            column->insertWidget(0, m_title);
        }
    }

    QSize minimumSizeHint() const override { return WithTitle(QCalendarWidget::minimumSizeHint()); }
    QSize sizeHint() const override { return WithTitle(QCalendarWidget::sizeHint()); }

private:
    QSize WithTitle(QSize size) const
    {
        if (m_title)
            size.rheight() += m_title->sizeHint().height();
        return size;
    }

    QLabel* m_title = nullptr;
};

} // namespace

TfrmPeriodo::TfrmPeriodo(TDM& dm, TDateTime today, QWidget* parent)
    : QDialog(parent)
    , m_dm(dm)
    , ui(std::make_unique<Ui::TfrmPeriodo>())
{
    ui->setupUi(this);
    setWindowFlags(Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(285, 124);
    Look::ApplyDialogBackground(this);

    for (QDateEdit* edit : {ui->dtpInicio, ui->dtpFim}) {
        edit->setCalendarPopup(true);
        edit->setCalendarWidget(new TDateCalendar(edit));
    }
    ui->btnCancelar->setIcon(PrincipalArt::CancelPicture());
    ui->btnFiltrar->setIcon(PrincipalArt::FilterPicture());
    Look::ApplyDetailColor(this, CurrentDetailColor(dm));

    const QDate day = ToQDate(DateOf(today));
    ui->dtpInicio->setDate(day.addDays(-30));
    ui->dtpFim->setDate(day);

    connect(ui->btnFiltrar, &QPushButton::clicked, this, Guarded([this] { btnFiltrarClick(); }));
    connect(ui->btnCancelar, &QPushButton::clicked, this, Guarded([this] { btnCancelarClick(); }));
}

TfrmPeriodo::~TfrmPeriodo() = default;

QDateEdit* TfrmPeriodo::InicioEdit() const
{
    return ui->dtpInicio;
}

QDateEdit* TfrmPeriodo::FimEdit() const
{
    return ui->dtpFim;
}

QPushButton* TfrmPeriodo::FiltrarButton() const
{
    return ui->btnFiltrar;
}

QPushButton* TfrmPeriodo::CancelarButton() const
{
    return ui->btnCancelar;
}

void TfrmPeriodo::btnFiltrarClick()
{
    // Whole days: the list shows what began on the first day through the
    // last one (the filter's lower bound is exclusive, its upper inclusive).
    m_dm.FimPeriodo = DateOf(FromQDate(ui->dtpFim->date())) + 1;
    m_dm.InicioPeriodo = DateOf(FromQDate(ui->dtpInicio->date()));
    accept();
}

void TfrmPeriodo::btnCancelarClick()
{
    reject();
}

void TfrmPeriodo::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    Look::CentreOnScreen(this);
}
