#include "app/emblem.h"

#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>

namespace Emblem {

namespace {

constexpr qreal kSide = 64; // the drawing's own square

// A shape in the drawing's coordinates. The path is written as in SVG, with absolute commands
// M, L, Q, C and Z only, every command and number set apart by a blank; a colour is "#rrggbb",
// or null for none.
struct Shape
{
    const char *path;
    const char *fill;
    const char *stroke;
    qreal width;
};

const char *const kInk = "#3a2c20";

const Shape kShapes[] = {
    // The ground: a rounded square.
    {"M 12 2 L 52 2 Q 62 2 62 12 L 62 52 Q 62 62 52 62 L 12 62 Q 2 62 2 52 L 2 12 Q 2 2 12 2 Z",
     "#2e5e6e", nullptr, 0},
    // A bookmark ribbon hanging from the spine.
    {"M 29.5 47 L 29.5 58 L 31.5 56 L 33.5 58 L 33.5 47 Z", "#e0a526", nullptr, 0},
    // The pages, bowing up from the spine.
    {"M 32 20 C 26 15 16 14 8 17 L 8 48 C 16 45 26 46 32 51 Z", "#f8f0dc", kInk, 1.5},
    {"M 32 20 C 38 15 48 14 56 17 L 56 48 C 48 45 38 46 32 51 Z", "#f8f0dc", kInk, 1.5},
    {"M 32 20 L 32 51", nullptr, kInk, 1.2},
    // Lines of writing.
    {"M 12 23 L 27 24 M 12 28.5 L 27 29.5 M 12 34 L 27 35 M 12 39.5 L 24 40.5", nullptr,
     "#a8967c", 1.3},
    {"M 37 24 L 51 23 M 37 29.5 L 47 28.5 M 37 35 L 43 34.5", nullptr, "#a8967c", 1.3},
    // The quill across the right page: its vane, shaft and nib.
    {"M 43.8 35.5 C 52.9 31.4 59.7 19.1 58.2 9.2 C 50.9 14.3 44.1 26.6 43.8 35.5 Z", "#c0392b",
     kInk, 1.2},
    {"M 36.6 48.6 L 58.2 9.2", nullptr, kInk, 1.4},
    {"M 35.1 51.3 L 38.4 47.9 L 36.3 46.7 Z", kInk, kInk, 0.8},
};

QPainterPath PathOf(const char *data)
{
    QPainterPath path;
    char command = 0;
    QList<qreal> numbers;
    const auto point = [&numbers](int i) { return QPointF(numbers.at(i), numbers.at(i + 1)); };
    for (const QByteArray &token : QByteArray(data).split(' ')) {
        if (token.isEmpty())
            continue;
        if (token.at(0) >= 'A' && token.at(0) <= 'Z') {
            command = token.at(0);
            numbers.clear();
            if (command == 'Z')
                path.closeSubpath();
            continue;
        }
        numbers.append(token.toDouble());
        if ((command == 'M' || command == 'L') && numbers.size() == 2) {
            if (command == 'M')
                path.moveTo(point(0));
            else
                path.lineTo(point(0));
        } else if (command == 'Q' && numbers.size() == 4) {
            path.quadTo(point(0), point(2));
        } else if (command == 'C' && numbers.size() == 6) {
            path.cubicTo(point(0), point(2), point(4));
        } else {
            continue;
        }
        numbers.clear();
    }
    return path;
}

class EmblemEngine : public QIconEngine
{
public:
    void paint(QPainter *painter, const QRect &rect, QIcon::Mode, QIcon::State) override
    {
        const int side = qMin(rect.width(), rect.height());
        QRectF box(0, 0, side, side);
        box.moveCenter(QRectF(rect).center());
        Paint(*painter, box);
    }

    QIconEngine *clone() const override { return new EmblemEngine; }
};

} // namespace

void Paint(QPainter &painter, const QRectF &box)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(box.topLeft());
    painter.scale(box.width() / kSide, box.height() / kSide);
    for (const Shape &shape : kShapes) {
        painter.setBrush(shape.fill ? QBrush(QColor(QLatin1String(shape.fill))) : QBrush());
        painter.setPen(shape.stroke ? QPen(QColor(QLatin1String(shape.stroke)), shape.width,
                                           Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin)
                                    : QPen(Qt::NoPen));
        painter.drawPath(PathOf(shape.path));
    }
    painter.restore();
}

QImage Image(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    Paint(painter, QRectF(0, 0, size, size));
    return image;
}

QByteArray Svg()
{
    QByteArray svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"64\" height=\"64\" "
                     "viewBox=\"0 0 64 64\">\n";
    for (const Shape &shape : kShapes) {
        svg += "  <path d=\"" + QByteArray(shape.path) + "\" fill=\""
               + QByteArray(shape.fill ? shape.fill : "none") + '"';
        if (shape.stroke)
            svg += " stroke=\"" + QByteArray(shape.stroke) + "\" stroke-width=\""
                   + QByteArray::number(shape.width)
                   + "\" stroke-linecap=\"round\" stroke-linejoin=\"round\"";
        svg += "/>\n";
    }
    return svg + "</svg>\n";
}

QIcon Icon()
{
    return QIcon(new EmblemEngine);
}

} // namespace Emblem
