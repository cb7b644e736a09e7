#pragma once

#include "platform/Platform.h"

#include <QWidget>

// The user's choice of a splash at start: ShowSplash under "\Software\Pulsim"
// of the machine's root. Opening the key creates it; a missing value, or a key
// that cannot be opened, means no splash.
bool SplashWanted(platform::IRegistry& registry);

// The picture shown while the program loads, when the user asked for one.
class TfrmSplash final : public QWidget {
    Q_OBJECT

public:
    explicit TfrmSplash(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap m_picture;
};
