#include "tree/itemimages.h"

#include <QPainter>
#include <QPixmap>
#include <QPolygon>

namespace ItemImages {

namespace {

// A cube seen from the front, the right and above: front face, top face, right face.
const QPolygon kFront({QPoint(1, 5), QPoint(10, 5), QPoint(10, 14), QPoint(1, 14)});
const QPolygon kTop({QPoint(1, 5), QPoint(5, 1), QPoint(14, 1), QPoint(10, 5)});
const QPolygon kSide({QPoint(10, 5), QPoint(14, 1), QPoint(14, 10), QPoint(10, 14)});

void DrawCube(QPainter &painter, bool filled)
{
    if (filled) {
        const QPen edge(QColor(0, 0, 128));
        painter.setPen(edge);
        painter.setBrush(QColor(64, 128, 255));
        painter.drawPolygon(kTop);
        painter.setBrush(QColor(0, 0, 160));
        painter.drawPolygon(kSide);
        painter.setBrush(QColor(0, 64, 224));
        painter.drawPolygon(kFront);
    } else {
        painter.setPen(QColor(0, 0, 0));
        painter.setBrush(Qt::NoBrush);
        painter.drawPolygon(kTop);
        painter.drawPolygon(kSide);
        painter.drawPolygon(kFront);
    }
}

void DrawChest(QPainter &painter)
{
    painter.setPen(QColor(0, 0, 128));
    painter.setBrush(QColor(64, 128, 255));
    painter.drawRoundedRect(QRect(1, 3, 13, 4), 2, 2);
    painter.setBrush(QColor(0, 64, 224));
    painter.drawRect(QRect(1, 7, 13, 7));
    painter.setPen(QColor(128, 96, 0));
    painter.setBrush(QColor(255, 208, 0));
    painter.drawRect(QRect(6, 6, 3, 3));
}

} // namespace

QImage Draw(int index)
{
    if (index < 0 || index >= kCount)
        return QImage();
    QImage image(kSize, kSize, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    switch (index) {
    case Owned:
        DrawCube(painter, true);
        break;
    case Reference:
        DrawCube(painter, false);
        break;
    default:
        DrawChest(painter);
        break;
    }
    return image;
}

QList<QIcon> List()
{
    QList<QIcon> icons;
    for (int i = 0; i < kCount; ++i) {
        const QPixmap pixmap = QPixmap::fromImage(Draw(i));
        QIcon icon;
        icon.addPixmap(pixmap, QIcon::Normal);
        icon.addPixmap(pixmap, QIcon::Selected);
        icon.addPixmap(pixmap, QIcon::Active);
        icons.append(icon);
    }
    return icons;
}

} // namespace ItemImages
