#include "ui/Look.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QEvent>
#include <QFont>
#include <QGuiApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTextEdit>

namespace {

// The windows are laid out for Tahoma and Arial. Where those are not
// installed, the fonts closest in width take their place, so that dates,
// times and figures still fit their columns. Done once for the whole program,
// as soon as it has its application object.
void InstallFontSubstitutes()
{
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return;
    QFont::insertSubstitutions(QStringLiteral("Tahoma"),
                               {QStringLiteral("Liberation Sans"), QStringLiteral("Arial"),
                                QStringLiteral("Helvetica"), QStringLiteral("DejaVu Sans")});
    QFont::insertSubstitutions(QStringLiteral("Arial"), {QStringLiteral("Liberation Sans"),
                                                         QStringLiteral("Helvetica"), QStringLiteral("DejaVu Sans")});
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(InstallFontSubstitutes)

namespace Look {

QColor DialogBackground()
{
    return QColor(244, 238, 238);
}

QColor FocusHighlight()
{
    return QColor(167, 196, 210);
}

void ApplyDialogBackground(QWidget* window)
{
    QPalette pal = window->palette();
    pal.setColor(QPalette::Window, DialogBackground());
    window->setPalette(pal);
    window->setAutoFillBackground(true);
}

void ApplyDetailColor(QWidget* root, const QColor& color)
{
    const auto paint = [&color](QWidget* w) {
        if (auto* frame = qobject_cast<TDottedFrame*>(w))
            frame->SetOutlineColor(color);
        if (qobject_cast<QLabel*>(w) || qobject_cast<QAbstractButton*>(w) || qobject_cast<QComboBox*>(w) ||
            qobject_cast<QLineEdit*>(w) || qobject_cast<QAbstractSpinBox*>(w) || qobject_cast<QGroupBox*>(w)) {
            QPalette pal = w->palette();
            pal.setColor(QPalette::WindowText, color);
            pal.setColor(QPalette::Text, color);
            pal.setColor(QPalette::ButtonText, color);
            w->setPalette(pal);
        }
    };
    paint(root);
    for (QWidget* child : root->findChildren<QWidget*>())
        paint(child);
}

void CentreOnScreen(QWidget* window)
{
    if (const QScreen* where = window->screen()) {
        QRect frame = window->frameGeometry();
        frame.moveCenter(where->availableGeometry().center());
        window->move(frame.topLeft());
    }
}

namespace {

// Swaps the base colour of the edit it watches as the focus comes and goes.
class FocusHighlighter final : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* w = qobject_cast<QWidget*>(watched);
        if (w && (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut)) {
            QPalette pal = w->palette();
            pal.setColor(QPalette::Base, event->type() == QEvent::FocusIn
                                             ? FocusHighlight()
                                             : w->style()->standardPalette().color(QPalette::Base));
            w->setPalette(pal);
        }
        return false;
    }
};

} // namespace

void HighlightFocus(QWidget* edit)
{
    edit->installEventFilter(new FocusHighlighter(edit));
}

} // namespace Look

TDottedFrame::TDottedFrame(QWidget* parent)
    : QFrame(parent)
{
    setFrameShape(QFrame::NoFrame);
}

void TDottedFrame::SetOutlineColor(const QColor& color)
{
    m_outline = color;
    update();
}

void TDottedFrame::paintEvent(QPaintEvent* event)
{
    QFrame::paintEvent(event);
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(m_outline, 1, Qt::DotLine));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 8, 8);
}
