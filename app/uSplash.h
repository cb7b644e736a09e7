#pragma once

#include <QWidget>

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
