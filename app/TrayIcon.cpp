#include "app/TrayIcon.h"

#include "core/Errors.h"

#include <QMenu>

TTrayIcon::TTrayIcon(QVector<QIcon> frames, QObject* parent)
    : QObject(parent)
    , m_frames(std::move(frames))
{
    m_animation.setInterval(200);
    connect(&m_animation, &QTimer::timeout, this, Guarded([this] { StepAnimation(); }));
    connect(&m_icon, &QSystemTrayIcon::activated, this, Guarded([this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::DoubleClick && OnDblClick)
            OnDblClick();
    }));
    SetIconIndex(0);
}

void TTrayIcon::SetHint(const QString& hint)
{
    // The notification area holds at most 127 characters of hint.
    m_icon.setToolTip(hint.left(127));
}

void TTrayIcon::SetVisible(bool visible)
{
    m_visible = visible;
    m_icon.setVisible(visible);
}

void TTrayIcon::SetIconIndex(int index)
{
    if (m_frames.isEmpty())
        return;
    m_index = ((index % FrameCount()) + FrameCount()) % FrameCount();
    m_icon.setIcon(m_frames.at(m_index));
}

void TTrayIcon::SetAnimate(bool animate)
{
    if (animate)
        m_animation.start();
    else
        m_animation.stop();
}

void TTrayIcon::StepAnimation()
{
    SetIconIndex(m_index + 1);
}

void TTrayIcon::SetPopupMenu(QMenu* menu)
{
    m_icon.setContextMenu(menu);
}

QMenu* TTrayIcon::PopupMenu() const
{
    return m_icon.contextMenu();
}

bool TTrayIcon::CanShowMessages() const
{
    return m_visible && QSystemTrayIcon::isSystemTrayAvailable() && QSystemTrayIcon::supportsMessages();
}

void TTrayIcon::ShowBalloon(const QString& title, const QString& text, int milliseconds)
{
    // A balloon holds a title of 63 and a text of 255 characters at most.
    m_icon.showMessage(title.left(63), text.left(255), QSystemTrayIcon::Information, milliseconds);
}
