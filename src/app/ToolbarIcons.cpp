#include "app/ToolbarIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <functional>

namespace toolbar_icons {

namespace {

constexpr int Size = 64; // drawn on a 64 x 64 grid, scaled by the button

QIcon draw(const std::function<void(QPainter&)>& paint)
{
    QIcon icon;
    for (const int side : {32, 64}) {
        QPixmap pixmap(side, side);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(side / double(Size), side / double(Size));
        paint(painter);
        icon.addPixmap(pixmap);
    }
    return icon;
}

QPen pen(const QColor& colour, double width)
{
    return QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

const QColor Ink(40, 44, 52);
const QColor Live(0, 160, 60);
const QColor Dead(200, 40, 30);

// A plug on a cable, and a socket it goes into.
void plug(QPainter& p, bool joined)
{
    const double gap = joined ? 0 : 10;
    p.setPen(pen(Ink, 4));
    p.drawLine(QPointF(4, 44), QPointF(18 - gap / 2, 36)); // cable
    p.setBrush(Ink);
    p.drawRoundedRect(QRectF(16 - gap, 26, 14, 20), 3, 3);    // plug body
    p.drawLine(QPointF(30 - gap, 31), QPointF(36 - gap, 31)); // pins
    p.drawLine(QPointF(30 - gap, 41), QPointF(36 - gap, 41));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(36, 22, 16, 28), 3, 3); // socket
    p.drawLine(QPointF(52, 36), QPointF(60, 36));
}

} // namespace

QIcon Connect()
{
    return draw([](QPainter& p) {
        plug(p, true);
        p.setPen(pen(Live, 5));
        p.drawLine(QPointF(40, 10), QPointF(46, 16));
        p.drawLine(QPointF(46, 16), QPointF(58, 4));
    });
}

QIcon Disconnect()
{
    return draw([](QPainter& p) {
        plug(p, false);
        p.setPen(pen(Dead, 5));
        p.drawLine(QPointF(44, 4), QPointF(56, 16));
        p.drawLine(QPointF(56, 4), QPointF(44, 16));
    });
}

QIcon GraphicalTune()
{
    return draw([](QPainter& p) {
        // Three sliders over a correction curve.
        p.setPen(pen(Ink, 3));
        for (const int x : {14, 32, 50})
            p.drawLine(QPointF(x, 8), QPointF(x, 56));
        p.setBrush(QColor(70, 120, 210));
        p.setPen(pen(Ink, 2));
        p.drawRect(QRectF(8, 34, 12, 8));
        p.drawRect(QRectF(26, 18, 12, 8));
        p.drawRect(QRectF(44, 28, 12, 8));
        p.setPen(pen(Live, 3));
        p.setBrush(Qt::NoBrush);
        QPainterPath curve(QPointF(4, 40));
        curve.cubicTo(QPointF(20, 36), QPointF(26, 20), QPointF(32, 22));
        curve.cubicTo(QPointF(40, 24), QPointF(46, 32), QPointF(60, 30));
        p.drawPath(curve);
    });
}

QIcon VentrixRun()
{
    return draw([](QPainter& p) {
        // A gauge with its needle.
        p.setPen(pen(Ink, 4));
        p.setBrush(QColor(245, 245, 240));
        p.drawEllipse(QRectF(6, 6, 52, 52));
        p.setPen(pen(Dead, 3));
        p.drawArc(QRectF(12, 12, 40, 40), -30 * 16, 60 * 16);
        p.setPen(pen(Ink, 2));
        for (int i = 0; i <= 6; ++i) {
            p.save();
            p.translate(32, 32);
            p.rotate(-210 + i * 40);
            p.drawLine(QPointF(17, 0), QPointF(22, 0));
            p.restore();
        }
        p.setPen(pen(Live, 4));
        p.drawLine(QPointF(32, 32), QPointF(46, 18));
        p.setBrush(Ink);
        p.setPen(Qt::NoPen);
        p.drawEllipse(QPointF(32, 32), 4, 4);
    });
}

QIcon MemoryModify()
{
    return draw([](QPainter& p) {
        // A memory chip with its legs.
        p.setPen(pen(Ink, 3));
        for (int i = 0; i < 4; ++i) {
            const double y = 16 + i * 10;
            p.drawLine(QPointF(6, y), QPointF(14, y));
            p.drawLine(QPointF(50, y), QPointF(58, y));
        }
        p.setBrush(QColor(60, 64, 72));
        p.drawRoundedRect(QRectF(14, 8, 36, 48), 3, 3);
        p.setPen(QColor(230, 230, 230));
        QFont font;
        font.setPixelSize(14);
        font.setBold(true);
        p.setFont(font);
        p.drawText(QRectF(14, 8, 36, 48), Qt::AlignCenter, QStringLiteral("0A\nFF"));
    });
}

QIcon AirFuelCalculator()
{
    return draw([](QPainter& p) {
        p.setPen(pen(Ink, 3));
        p.setBrush(QColor(235, 235, 228));
        p.drawRoundedRect(QRectF(12, 4, 40, 56), 5, 5);
        p.setBrush(QColor(150, 200, 150));
        p.drawRect(QRectF(18, 10, 28, 12));
        p.setBrush(Ink);
        for (int row = 0; row < 3; ++row)
            for (int col = 0; col < 3; ++col)
                p.drawRect(QRectF(18 + col * 10, 28 + row * 10, 6, 6));
    });
}

} // namespace toolbar_icons
