#include "ProgramIcon.h"

#include <QPainter>
#include <QPixmap>

namespace {

QPixmap drawIcon(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 64.0, size / 64.0);
    // Platform of the scale.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(60, 60, 70));
    p.drawRect(2, 50, 60, 8);
    // Truck: cab and body.
    p.setBrush(QColor(30, 90, 200));
    p.drawRect(6, 22, 34, 20);
    p.setBrush(QColor(230, 120, 20));
    p.drawRect(42, 28, 16, 14);
    p.setBrush(QColor(200, 230, 255));
    p.drawRect(46, 31, 8, 6);
    // Wheels.
    p.setBrush(Qt::black);
    for (int x : {14, 30, 50})
        p.drawEllipse(QPointF(x, 45), 5, 5);
    return pixmap;
}

} // namespace

QIcon programIcon()
{
    QIcon icon;
    for (int size : {16, 32, 48, 64})
        icon.addPixmap(drawIcon(size));
    return icon;
}
