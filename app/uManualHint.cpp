#include "app/uManualHint.h"

#include "app/Artwork.h"
#include "core/Errors.h"

#include <QEnterEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScreen>

namespace {
constexpr int ClientWidth = 317;
constexpr int TextLeft = 8;
constexpr int TextTop = 24;
constexpr int TextWidth = 301;
} // namespace

TfrmManualHint::TfrmManualHint(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
    , m_picture(new QLabel(this))
    , m_title(new QLabel(this))
    , m_close(new QLabel(this))
    , m_text(new QLabel(this))
{
    setObjectName(QStringLiteral("frmManualHint"));
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, pal.color(QPalette::ToolTipBase));
    pal.setColor(QPalette::WindowText, pal.color(QPalette::ToolTipText));
    setPalette(pal);

    m_picture->setPixmap(Artwork::InformationPicture(16));
    m_picture->setGeometry(6, 4, 16, 16);

    QFont bold = font();
    bold.setBold(true);
    m_title->setFont(bold);
    m_title->setGeometry(26, 4, 240, 16);

    m_close->setPixmap(Artwork::ClosePicture(false));
    m_close->setGeometry(ClientWidth - 20, 5, 14, 14);
    m_close->setCursor(Qt::PointingHandCursor);
    m_close->installEventFilter(this);

    m_text->setWordWrap(true);
    m_text->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_text->move(TextLeft, TextTop);

    m_timer.setInterval(10000);
    m_timer.setSingleShot(true);
    // Exactly ten seconds after it appeared, not whenever a coarse timer fits.
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, Guarded([this] { CloseHint(); }));
}

void TfrmManualHint::ShowNotice(const QString& title, const QString& text)
{
    m_title->setText(title);
    m_text->setText(text);
    const int width = m_text->fontMetrics().horizontalAdvance(text);
    const int textHeight = TextAreaHeight(width);
    m_text->resize(TextWidth, textHeight);
    const int clientHeight = textHeight + 31;
    setFixedSize(ClientWidth, clientHeight);

    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->geometry() : QRect(0, 0, 1024, 768);
    move(area.left() + area.width() - 325, area.top() + area.height() - clientHeight - 40);

    // Shown again while visible, it comes to the front but keeps its timer:
    // it still closes ten seconds after it first appeared.
    show();
    raise();
}

void TfrmManualHint::CloseHint()
{
    m_timer.stop();
    hide();
}

void TfrmManualHint::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    activateWindow();
    m_timer.start();
}

void TfrmManualHint::keyPressEvent(QKeyEvent* event)
{
    event->accept();
    CloseHint();
}

bool TfrmManualHint::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_close) {
        switch (event->type()) {
        case QEvent::Enter:
            m_close->setPixmap(Artwork::ClosePicture(true));
            break;
        case QEvent::Leave:
            m_close->setPixmap(Artwork::ClosePicture(false));
            break;
        case QEvent::MouseButtonRelease:
            if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
                CloseHint();
                return true;
            }
            break;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}
