#pragma once

#include <QIcon>
#include <QObject>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QVector>

#include <functional>

class QMenu;

// The notification-area icon: a hint, a pop-up menu, a double-click handler and
// an animation that steps through its frames while a connection is up.
class TTrayIcon final : public QObject {
    Q_OBJECT

public:
    explicit TTrayIcon(QVector<QIcon> frames, QObject* parent = nullptr);

    QString Hint() const { return m_icon.toolTip(); }
    void SetHint(const QString& hint);

    bool Visible() const { return m_visible; }
    void SetVisible(bool visible);

    int IconIndex() const { return m_index; }
    void SetIconIndex(int index);
    int FrameCount() const { return int(m_frames.size()); }

    // While animating the icon moves to the next frame every AnimateInterval
    // milliseconds, wrapping around.
    bool Animate() const { return m_animation.isActive(); }
    void SetAnimate(bool animate);
    int AnimateInterval() const { return m_animation.interval(); }
    // One step of the animation (the timer's tick).
    void StepAnimation();

    void SetPopupMenu(QMenu* menu);
    QMenu* PopupMenu() const;

    // A balloon on the icon, when the desktop's notification area can show one.
    bool CanShowMessages() const;
    void ShowBalloon(const QString& title, const QString& text, int milliseconds);

    std::function<void()> OnDblClick;

    QSystemTrayIcon& Icon() { return m_icon; }

private:
    QVector<QIcon> m_frames;
    QSystemTrayIcon m_icon;
    QTimer m_animation;
    int m_index = 0;
    bool m_visible = false;
};
