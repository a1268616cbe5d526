#include "memory/Lamp.h"

#include <QPainter>
#include <QPalette>

Lamp::Lamp(QWidget* parent) : QWidget(parent)
{
    setColour(palette().color(QPalette::Button));
}

void Lamp::setColour(const QColor& colour)
{
    QPalette p = palette();
    p.setColor(QPalette::Base, colour);
    setPalette(p);
    update();
}

QColor Lamp::colour() const
{
    return palette().color(QPalette::Base);
}

void Lamp::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(colour());
    painter.drawEllipse(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
}
