#include "ui/PrincipalArt.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cmath>
#include <numbers>

namespace {

const QColor Navy(47, 66, 139);
const QColor Steel(120, 130, 150);
const QColor Outline(40, 45, 60);

// Every picture is drawn on a 32-unit canvas and scaled to the size asked.
class Canvas final {
public:
    explicit Canvas(int size)
        : m_pixmap(size, size)
    {
        m_pixmap.fill(Qt::transparent);
        m_painter.begin(&m_pixmap);
        m_painter.setRenderHint(QPainter::Antialiasing);
        m_painter.scale(size / 32.0, size / 32.0);
    }

    QPainter& P() { return m_painter; }

    QPixmap Take()
    {
        m_painter.end();
        return m_pixmap;
    }

private:
    QPixmap m_pixmap;
    QPainter m_painter;
};

QLinearGradient Vertical(double top, double bottom, const QColor& from, const QColor& to)
{
    QLinearGradient g(0, top, 0, bottom);
    g.setColorAt(0, from);
    g.setColorAt(1, to);
    return g;
}

void DrawSheet(QPainter& p, const QRectF& r)
{
    QPainterPath sheet;
    const double fold = 6;
    sheet.moveTo(r.left(), r.top());
    sheet.lineTo(r.right() - fold, r.top());
    sheet.lineTo(r.right(), r.top() + fold);
    sheet.lineTo(r.right(), r.bottom());
    sheet.lineTo(r.left(), r.bottom());
    sheet.closeSubpath();
    p.setPen(QPen(Outline, 1));
    p.setBrush(Qt::white);
    p.drawPath(sheet);
    p.setPen(QPen(QColor(150, 170, 210), 1.2));
    for (double y = r.top() + 8; y < r.bottom() - 2; y += 3.5)
        p.drawLine(QPointF(r.left() + 3, y), QPointF(r.right() - 3, y));
}

void DrawPrintPreview(QPainter& p)
{
    // Paper going in, the printer's body, the sheet coming out.
    p.setPen(QPen(Outline, 1));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(8.5, 3.5, 13, 9));
    p.setBrush(Vertical(11, 23, QColor(200, 205, 215), QColor(120, 125, 140)));
    p.drawRoundedRect(QRectF(3.5, 11.5, 23, 11), 2, 2);
    p.setBrush(QColor(90, 200, 90));
    p.setPen(Qt::NoPen);
    p.drawEllipse(QRectF(22, 14, 2.5, 2.5));
    p.setPen(QPen(Outline, 1));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(7.5, 20.5, 15, 7));
    // The magnifying glass over the corner.
    p.setPen(QPen(QColor(60, 40, 20), 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(25, 25), QPointF(30, 30));
    QRadialGradient lens(QPointF(21, 21), 6);
    lens.setColorAt(0, QColor(230, 245, 255, 230));
    lens.setColorAt(1, QColor(150, 200, 240, 200));
    p.setPen(QPen(Navy, 1.8));
    p.setBrush(lens);
    p.drawEllipse(QPointF(21.5, 21.5), 5.5, 5.5);
}

void DrawDeleteAccess(QPainter& p)
{
    DrawSheet(p, QRectF(5.5, 2.5, 19, 26));
    p.setPen(QPen(QColor(200, 30, 30), 4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(15, 15), QPointF(27, 27));
    p.drawLine(QPointF(27, 15), QPointF(15, 27));
}

void DrawPhone(QPainter& p)
{
    // The base with its keypad, the handset resting on top.
    p.setPen(QPen(Outline, 1));
    QPainterPath base;
    base.moveTo(7, 14);
    base.lineTo(25, 14);
    base.lineTo(29, 28);
    base.lineTo(3, 28);
    base.closeSubpath();
    p.setBrush(Vertical(14, 28, QColor(90, 110, 190), Navy));
    p.drawPath(base);
    p.setBrush(QColor(235, 235, 240));
    p.setPen(Qt::NoPen);
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 3; ++col)
            p.drawRoundedRect(QRectF(11 + col * 4, 17 + row * 3.4, 2.6, 2.2), 0.6, 0.6);
    QPainterPath handset;
    handset.addRoundedRect(QRectF(3, 5, 26, 5), 2.5, 2.5);
    handset.addRoundedRect(QRectF(2, 7, 7, 6), 2, 2);
    handset.addRoundedRect(QRectF(23, 7, 7, 6), 2, 2);
    p.setPen(QPen(Outline, 1));
    p.setBrush(Vertical(5, 13, QColor(80, 80, 90), QColor(25, 25, 30)));
    p.drawPath(handset.simplified());
}

void DrawGear(QPainter& p)
{
    const QPointF c(16, 16);
    QPainterPath gear;
    constexpr int Teeth = 8;
    for (int i = 0; i < Teeth * 2; ++i) {
        const double outer = i % 2 == 0 ? 14.0 : 10.5;
        for (double d : {-0.16, 0.16}) {
            const double a = (i + 0.5 + d) * std::numbers::pi / Teeth;
            const QPointF pt(c.x() + outer * std::cos(a), c.y() + outer * std::sin(a));
            if (gear.elementCount() == 0)
                gear.moveTo(pt);
            else
                gear.lineTo(pt);
        }
    }
    gear.closeSubpath();
    QPainterPath hole;
    hole.addEllipse(c, 4, 4);
    QRadialGradient metal(c, 14);
    metal.setColorAt(0, QColor(215, 220, 230));
    metal.setColorAt(1, Steel);
    p.setPen(QPen(Outline, 1));
    p.setBrush(metal);
    p.drawPath(gear.subtracted(hole));
}

void DrawClock(QPainter& p)
{
    const QPointF c(16, 16);
    QRadialGradient face(c, 14);
    face.setColorAt(0, Qt::white);
    face.setColorAt(1, QColor(215, 225, 245));
    p.setPen(QPen(Navy, 2.2));
    p.setBrush(face);
    p.drawEllipse(c, 13.5, 13.5);
    p.setPen(QPen(Outline, 1.2, Qt::SolidLine, Qt::RoundCap));
    for (int i = 0; i < 12; ++i) {
        const double a = i * std::numbers::pi / 6;
        const double inner = i % 3 == 0 ? 9.5 : 11;
        p.drawLine(QPointF(c.x() + inner * std::sin(a), c.y() - inner * std::cos(a)),
                   QPointF(c.x() + 12 * std::sin(a), c.y() - 12 * std::cos(a)));
    }
    p.setPen(QPen(Outline, 2.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(c, QPointF(c.x() + 5.5, c.y() - 3));
    p.setPen(QPen(QColor(190, 30, 30), 1.5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(c, QPointF(c.x() - 1.5, c.y() - 9.5));
    p.setPen(Qt::NoPen);
    p.setBrush(Outline);
    p.drawEllipse(c, 1.5, 1.5);
}

void DrawPadlock(QPainter& p)
{
    p.setPen(QPen(Steel, 3.2));
    p.setBrush(Qt::NoBrush);
    QPainterPath shackle;
    shackle.moveTo(10, 15);
    shackle.lineTo(10, 10);
    shackle.arcTo(QRectF(10, 3, 12, 14), 180, -180);
    shackle.lineTo(22, 15);
    p.drawPath(shackle);
    p.setPen(QPen(QColor(120, 80, 10), 1));
    p.setBrush(Vertical(14, 29, QColor(250, 205, 80), QColor(205, 140, 20)));
    p.drawRoundedRect(QRectF(6.5, 14.5, 19, 14), 2.5, 2.5);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(70, 45, 5));
    p.drawEllipse(QPointF(16, 20.5), 2.2, 2.2);
    p.drawRect(QRectF(15.2, 21, 1.6, 4.5));
}

void DrawPerson(QPainter& p, double x, double y, double scale, const QColor& color)
{
    p.setPen(QPen(Outline, 1));
    p.setBrush(color);
    p.drawEllipse(QPointF(x, y), 4.2 * scale, 4.2 * scale);
    QPainterPath body;
    body.addRoundedRect(QRectF(x - 7 * scale, y + 5 * scale, 14 * scale, 10 * scale), 5 * scale, 5 * scale);
    p.drawPath(body);
}

void DrawUsers(QPainter& p)
{
    DrawPerson(p, 21, 8, 0.9, QColor(120, 170, 90));
    DrawPerson(p, 12, 12, 1.05, QColor(80, 120, 210));
}

} // namespace

namespace PrincipalArt {

QPixmap ToolImage(TToolImage image, int size)
{
    Canvas canvas(size);
    QPainter& p = canvas.P();
    switch (image) {
    case TToolImage::PrintPreview: DrawPrintPreview(p); break;
    case TToolImage::DeleteAccess: DrawDeleteAccess(p); break;
    case TToolImage::PhoneTariff: DrawPhone(p); break;
    case TToolImage::Options: DrawGear(p); break;
    case TToolImage::DateTime: DrawClock(p); break;
    case TToolImage::Security: DrawPadlock(p); break;
    case TToolImage::Users: DrawUsers(p); break;
    }
    return canvas.Take();
}

QPixmap FilterPicture(int size)
{
    Canvas canvas(size);
    QPainter& p = canvas.P();
    QPainterPath funnel;
    funnel.moveTo(3, 5);
    funnel.lineTo(29, 5);
    funnel.lineTo(19, 17);
    funnel.lineTo(19, 27);
    funnel.lineTo(13, 30);
    funnel.lineTo(13, 17);
    funnel.closeSubpath();
    p.setPen(QPen(Outline, 1.2));
    p.setBrush(Vertical(5, 30, QColor(110, 160, 230), Navy));
    p.drawPath(funnel);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 120));
    p.drawEllipse(QRectF(6, 5.5, 20, 3));
    return canvas.Take();
}

QPixmap CancelPicture(int size)
{
    Canvas canvas(size);
    QPainter& p = canvas.P();
    QRadialGradient disc(QPointF(13, 12), 16);
    disc.setColorAt(0, QColor(245, 110, 100));
    disc.setColorAt(1, QColor(180, 25, 25));
    p.setPen(QPen(QColor(120, 15, 15), 1));
    p.setBrush(disc);
    p.drawEllipse(QPointF(16, 16), 13.5, 13.5);
    p.setPen(QPen(Qt::white, 3.6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(10.5, 10.5), QPointF(21.5, 21.5));
    p.drawLine(QPointF(21.5, 10.5), QPointF(10.5, 21.5));
    return canvas.Take();
}

} // namespace PrincipalArt
