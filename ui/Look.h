#pragma once

#include <QColor>
#include <QFrame>

class QWidget;

// The program's shared look: the dialogs' background, the dotted rounded
// frames that group controls, the accent colour of details and the highlight
// of the focused edit box.
namespace Look {

// RGB 244, 238, 238, the background of settings windows and dialogs.
QColor DialogBackground();
// RGB 167, 196, 210, the background of the edit box that has the focus.
QColor FocusHighlight();

// Gives a window the dialogs' background.
void ApplyDialogBackground(QWidget* window);

// Paints labels, frame outlines, combo box, edit and button texts under
// `root` in the detail colour (applied once, when the window is created).
void ApplyDetailColor(QWidget* root, const QColor& color);

// Centres a window on the screen it is on (its frame, where it has one).
void CentreOnScreen(QWidget* window);

// The focused edit box turns RGB 167, 196, 210 and returns to the window
// colour when it loses the focus (line edits, combo boxes, date edits, text
// edits). Installs itself on `edit` and keeps no other state.
void HighlightFocus(QWidget* edit);

} // namespace Look

// A group of controls inside a rounded rectangle drawn with a dotted pen.
class TDottedFrame final : public QFrame {
    Q_OBJECT

public:
    explicit TDottedFrame(QWidget* parent = nullptr);

    QColor OutlineColor() const { return m_outline; }
    void SetOutlineColor(const QColor& color);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_outline = Qt::black;
};
