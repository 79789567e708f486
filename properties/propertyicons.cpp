#include "properties/propertyicons.h"

#include <QPainter>
#include <QPainterPath>

namespace PropertyIcons {

namespace {

QPixmap BlankIcon()
{
    QPixmap pixmap(kSize, kSize);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

// A cog: the constructor builds the object.
QIcon ConstructorIcon()
{
    QPixmap pixmap = BlankIcon();
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor body(196, 120, 20);
    p.setPen(QPen(body, 3));
    for (int i = 0; i < 4; ++i) {
        p.save();
        p.translate(8, 8);
        p.rotate(45.0 * i);
        p.drawLine(QPointF(0, -7), QPointF(0, 7));
        p.restore();
    }
    p.setPen(Qt::NoPen);
    p.setBrush(body);
    p.drawEllipse(QPointF(8, 8), 5, 5);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(8, 8), 2, 2);
    return QIcon(pixmap);
}

// A green arrow: a method answers a verb.
QIcon MethodIcon()
{
    QPixmap pixmap = BlankIcon();
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(20, 100, 30), 1));
    p.setBrush(QColor(60, 170, 70));
    const QPointF arrow[] = {{3, 2}, {13, 8}, {3, 14}};
    p.drawPolygon(arrow, 3);
    return QIcon(pixmap);
}

// A hook: the catchers take events on their way.
QIcon CatchersIcon()
{
    QPixmap pixmap = BlankIcon();
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(120, 50, 160), 2.2, Qt::SolidLine, Qt::RoundCap));
    QPainterPath hook;
    hook.moveTo(10, 1.5);
    hook.lineTo(10, 10);
    hook.cubicTo(10, 15, 3, 15, 3, 10);
    hook.lineTo(5, 8.5);
    p.drawPath(hook);
    return QIcon(pixmap);
}

// A small table: the object's free data.
QIcon TableIcon()
{
    QPixmap pixmap = BlankIcon();
    QPainter p(&pixmap);
    p.setPen(QColor(30, 70, 150));
    p.setBrush(Qt::white);
    p.drawRect(1, 2, 13, 11);
    p.fillRect(2, 3, 12, 3, QColor(120, 160, 220));
    p.drawLine(1, 6, 14, 6);
    p.drawLine(1, 9, 14, 9);
    p.drawLine(6, 2, 6, 13);
    return QIcon(pixmap);
}

// A small diamond: one value.
QIcon ValueIcon()
{
    QPixmap pixmap = BlankIcon();
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QColor(30, 110, 60));
    p.setBrush(QColor(110, 190, 120));
    const QPointF diamond[] = {{8, 3}, {13, 8}, {8, 13}, {3, 8}};
    p.drawPolygon(diamond, 4);
    return QIcon(pixmap);
}

} // namespace

QList<QIcon> All()
{
    return {ConstructorIcon(), MethodIcon(), CatchersIcon(), TableIcon()};
}

QIcon Table()
{
    return TableIcon();
}

QIcon Value()
{
    return ValueIcon();
}

} // namespace PropertyIcons
