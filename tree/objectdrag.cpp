#include "tree/objectdrag.h"

#include "tree/droprules.h"
#include "widgets/dragcursors.h"

#include <QCoreApplication>
#include <QDrag>
#include <QImage>
#include <QMimeData>
#include <QWidget>

namespace ObjectDrag {

Qt::DropAction ActionOfMode(int mode)
{
    switch (mode) {
    case DropRules::Clone: return Qt::CopyAction;
    case DropRules::Reference: return Qt::LinkAction;
    default: return Qt::MoveAction;
    }
}

int CursorOfMode(int mode)
{
    switch (mode) {
    case DropRules::Clone: return DragCursors::Clone;
    case DropRules::Reference: return DragCursors::Add;
    default: return DragCursors::MoveTo;
    }
}

QPixmap CursorPixmap(int number)
{
    const QBitmap bitmap = DragCursors::Bitmap(number);
    const QBitmap mask = DragCursors::Mask(number);
    if (bitmap.isNull() || mask.isNull())
        return QPixmap();
    const QImage bits = bitmap.toImage();
    const QImage rim = mask.toImage();
    // A drag shows a cursor picture with its hot spot in the middle, so the picture is placed in
    // a larger one whose middle is the tip of the arrow.
    const int size = DragCursors::kSize;
    const int halfWidth = qMax(DragCursors::kHotX, size - DragCursors::kHotX);
    const int halfHeight = qMax(DragCursors::kHotY, size - DragCursors::kHotY);
    const int left = halfWidth - DragCursors::kHotX;
    const int top = halfHeight - DragCursors::kHotY;
    QImage picture(2 * halfWidth, 2 * halfHeight, QImage::Format_ARGB32);
    picture.fill(Qt::transparent);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            if (qGray(rim.pixel(x, y)) >= 128 && qGray(bits.pixel(x, y)) >= 128)
                continue;
            const bool black = qGray(bits.pixel(x, y)) < 128;
            picture.setPixel(left + x, top + y, black ? qRgb(0, 0, 0) : qRgb(255, 255, 255));
        }
    }
    return QPixmap::fromImage(picture);
}

namespace {

const char kSourceFormat[] = "application/x-tarnwick-drag-source";

Runner &CurrentRunner()
{
    static Runner runner;
    return runner;
}

// The source's name and this process, so a drag from another running copy is not taken for one
// of ours.
QByteArray SourceTag(const QString &name)
{
    return name.toUtf8() + '@' + QByteArray::number(QCoreApplication::applicationPid());
}

} // namespace

void Exec(QWidget *source, QMimeData *data)
{
    data->setData(QLatin1String(kSourceFormat), SourceTag(source->objectName()));
    auto *drag = new QDrag(source);
    drag->setMimeData(data);
    for (const int mode : {DropRules::Move, DropRules::Clone, DropRules::Reference})
        drag->setDragCursor(CursorPixmap(CursorOfMode(mode)), ActionOfMode(mode));
    if (CurrentRunner()) {
        CurrentRunner()(drag);
        drag->deleteLater();
        return;
    }
    drag->exec(Qt::MoveAction | Qt::CopyAction | Qt::LinkAction, Qt::MoveAction);
}

QString SourceName(const QMimeData *data)
{
    if (!data)
        return QString();
    const QByteArray tag = data->data(QLatin1String(kSourceFormat));
    const qsizetype at = tag.lastIndexOf('@');
    if (at < 0 || tag.mid(at + 1) != QByteArray::number(QCoreApplication::applicationPid()))
        return QString();
    return QString::fromUtf8(tag.left(at));
}

void SetRunner(Runner runner)
{
    CurrentRunner() = std::move(runner);
}

} // namespace ObjectDrag
