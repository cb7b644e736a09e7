#include "app/Artwork.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cmath>

namespace {

const QColor Navy(47, 66, 139);
const QColor Sky(70, 130, 210);
const QColor Amber(245, 170, 30);

QPixmap Blank(int w, int h)
{
    QPixmap pixmap(w, h);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

// A telephone handset, the program's emblem, inside `r`.
void DrawHandset(QPainter& p, const QRectF& r, const QColor& color)
{
    p.save();
    p.translate(r.center());
    p.rotate(-35);
    const double s = r.width();
    QPainterPath path;
    path.addRoundedRect(QRectF(-0.42 * s, -0.12 * s, 0.84 * s, 0.18 * s), 0.08 * s, 0.08 * s);
    path.addRoundedRect(QRectF(-0.46 * s, -0.04 * s, 0.26 * s, 0.22 * s), 0.07 * s, 0.07 * s);
    path.addRoundedRect(QRectF(0.20 * s, -0.04 * s, 0.26 * s, 0.22 * s), 0.07 * s, 0.07 * s);
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawPath(path.simplified());
    p.restore();
}

} // namespace

namespace Artwork {

QPixmap TrayFrame(int index, int size)
{
    QPixmap pixmap = Blank(size, size);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const double s = size;
    const QRectF disc(0.5, 0.5, s - 1, s - 1);

    QRadialGradient fill(disc.center(), s / 2);
    fill.setColorAt(0, Sky);
    fill.setColorAt(1, Navy);
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawEllipse(disc);

    // The pulse marker: a bright arc that travels round the disc, one tenth
    // of a turn per frame, like the meter counting the call.
    QPen arc(Amber, std::max(1.5, s / 8));
    arc.setCapStyle(Qt::RoundCap);
    p.setPen(arc);
    p.setBrush(Qt::NoBrush);
    const QRectF ring = disc.adjusted(s / 10, s / 10, -s / 10, -s / 10);
    p.drawArc(ring, int((90 - 36 * (index % 10)) * 16), -60 * 16);

    DrawHandset(p, QRectF(s * 0.22, s * 0.22, s * 0.56, s * 0.56), Qt::white);
    return pixmap;
}

QVector<QIcon> TrayFrames()
{
    QVector<QIcon> frames;
    for (int i = 0; i < 10; ++i) {
        QIcon icon;
        icon.addPixmap(TrayFrame(i, 16));
        icon.addPixmap(TrayFrame(i, 32));
        icon.addPixmap(TrayFrame(i, 64));
        frames << icon;
    }
    return frames;
}

QVector<QIcon> MenuImages()
{
    QVector<QIcon> images;
    for (int kind = 0; kind < 6; ++kind) {
        QPixmap pixmap = Blank(16, 16);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        switch (kind) {
        case 0: { // schedule: a clock
            p.setPen(QPen(Navy, 1.4));
            p.setBrush(Qt::white);
            p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
            p.drawLine(QPointF(8, 8), QPointF(8, 4));
            p.drawLine(QPointF(8, 8), QPointF(11, 9.5));
            break;
        }
        case 1: { // tariffs: a coin with an arrow coming down
            p.setPen(QPen(QColor(150, 100, 0), 1));
            p.setBrush(Amber);
            p.drawEllipse(QRectF(1.5, 5.5, 10, 10));
            p.setPen(QPen(Navy, 1.6));
            p.drawLine(QPointF(12.5, 1), QPointF(12.5, 8));
            p.drawLine(QPointF(10, 5.5), QPointF(12.5, 8));
            p.drawLine(QPointF(15, 5.5), QPointF(12.5, 8));
            break;
        }
        case 2: { // open: a window
            p.setPen(QPen(Navy, 1));
            p.setBrush(Qt::white);
            p.drawRect(QRectF(1.5, 2.5, 13, 11));
            p.fillRect(QRectF(2, 3, 12, 3), Sky);
            break;
        }
        case 3: { // help: a question mark in a disc
            p.setPen(Qt::NoPen);
            p.setBrush(Sky);
            p.drawEllipse(QRectF(1, 1, 14, 14));
            QFont font(QStringLiteral("Sans Serif"));
            font.setBold(true);
            font.setPixelSize(11);
            p.setFont(font);
            p.setPen(Qt::white);
            p.drawText(QRectF(1, 1, 14, 14), Qt::AlignCenter, QStringLiteral("?"));
            break;
        }
        case 4: { // simulate: the emblem
            DrawHandset(p, QRectF(1, 1, 14, 14), Navy);
            break;
        }
        default: { // shut down: the power symbol
            QPen pen(QColor(190, 30, 30), 1.8);
            pen.setCapStyle(Qt::RoundCap);
            p.setPen(pen);
            p.drawArc(QRectF(2.5, 3, 11, 11), 120 * 16, 300 * 16);
            p.drawLine(QPointF(8, 1.5), QPointF(8, 8));
            break;
        }
        }
        p.end();
        images << QIcon(pixmap);
    }
    return images;
}

QPixmap ProgramPicture(int size)
{
    return TrayFrame(0, size);
}

QPixmap SplashPicture()
{
    QPixmap pixmap(360, 230);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    QLinearGradient background(0, 0, 0, 230);
    background.setColorAt(0, QColor(30, 45, 110));
    background.setColorAt(1, QColor(70, 120, 200));
    p.fillRect(pixmap.rect(), background);

    // A row of pulses across the bottom, the tariff the program counts.
    p.setPen(QPen(QColor(255, 255, 255, 90), 2));
    QPainterPath wave;
    wave.moveTo(0, 190);
    for (int x = 0; x < 360; x += 30) {
        wave.lineTo(x + 10, 190);
        wave.lineTo(x + 10, 170);
        wave.lineTo(x + 20, 170);
        wave.lineTo(x + 20, 190);
        wave.lineTo(x + 30, 190);
    }
    p.drawPath(wave);

    p.drawPixmap(24, 40, ProgramPicture(72));

    QFont title(QStringLiteral("Sans Serif"));
    title.setPixelSize(46);
    title.setBold(true);
    p.setFont(title);
    p.setPen(Qt::white);
    p.drawText(QRect(110, 40, 240, 60), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Pulsim"));

    QFont subtitle(QStringLiteral("Sans Serif"));
    subtitle.setPixelSize(13);
    p.setFont(subtitle);
    p.setPen(QColor(230, 236, 255));
    p.drawText(QRect(112, 100, 240, 40), Qt::AlignLeft | Qt::TextWordWrap,
               QStringLiteral("Controle de gastos telefônicos\ncom Internet discada"));

    QFont small(QStringLiteral("Sans Serif"));
    small.setPixelSize(10);
    p.setFont(small);
    p.setPen(QColor(255, 255, 255, 200));
    p.drawText(QRect(0, 205, 350, 20), Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("Carregando..."));
    p.setPen(QColor(20, 30, 80));
    p.setBrush(Qt::NoBrush);
    p.drawRect(pixmap.rect().adjusted(0, 0, -1, -1));
    return pixmap;
}

QPixmap InformationPicture(int size)
{
    QPixmap pixmap = Blank(size, size);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(Sky);
    p.drawEllipse(QRectF(0.5, 0.5, size - 1, size - 1));
    p.setBrush(Qt::white);
    const double s = size;
    p.drawEllipse(QRectF(s * 0.44, s * 0.18, s * 0.13, s * 0.13));
    p.drawRoundedRect(QRectF(s * 0.43, s * 0.38, s * 0.15, s * 0.44), s * 0.05, s * 0.05);
    return pixmap;
}

QPixmap ClosePicture(bool highlighted, int size)
{
    QPixmap pixmap = Blank(size, size);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    if (highlighted) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(200, 40, 40));
        p.drawRoundedRect(QRectF(0, 0, size, size), 3, 3);
    }
    QPen pen(highlighted ? Qt::white : QColor(90, 90, 90), 1.6);
    pen.setCapStyle(Qt::RoundCap);
    p.setPen(pen);
    const double m = size * 0.28;
    p.drawLine(QPointF(m, m), QPointF(size - m, size - m));
    p.drawLine(QPointF(size - m, m), QPointF(m, size - m));
    return pixmap;
}

} // namespace Artwork
