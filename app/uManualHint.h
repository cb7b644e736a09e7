#pragma once

#include <QLabel>
#include <QTimer>
#include <QWidget>

// The floating notice at the bottom right of the screen, for desktops whose
// notification area cannot show balloons. Created once and reused: a new
// notice replaces the text but keeps the closing time of the one on screen.
class TfrmManualHint final : public QWidget {
    Q_OBJECT

public:
    explicit TfrmManualHint(QWidget* parent = nullptr);

    // Sets title and text, sizes and places the window, and shows it.
    void ShowNotice(const QString& title, const QString& text);

    // Height of the text area for a text `textWidth` pixels wide: one
    // 14-pixel line per 265 pixels, plus one.
    static int TextAreaHeight(int textWidth) { return (textWidth / 265 + 1) * 14; }

    QLabel* Title() const { return m_title; }
    QLabel* Text() const { return m_text; }
    QLabel* CloseButton() const { return m_close; }
    const QTimer& CloseTimer() const { return m_timer; }

    // Closing hides the window and stops its timer.
    void CloseHint();

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLabel* m_picture;
    QLabel* m_title;
    QLabel* m_close;
    QLabel* m_text;
    QTimer m_timer;
};
