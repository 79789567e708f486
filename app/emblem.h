#pragma once

#include <QByteArray>
#include <QIcon>
#include <QImage>

class QPainter;
class QRectF;

// The program's emblem, an open book with a quill on a rounded square, drawn from one list of
// shapes: the window icon, the about box's picture and the installed icon files all come from it.
namespace Emblem {

// Paints the emblem into the square `box`.
void Paint(QPainter &painter, const QRectF &box);

// The emblem as a square image of `size` pixels with a transparent surround.
QImage Image(int size);

// The emblem as an SVG document.
QByteArray Svg();

// The emblem as an icon, painted afresh at every size it is asked for.
QIcon Icon();

} // namespace Emblem
