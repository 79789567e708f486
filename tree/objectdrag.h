#pragma once

#include <QPixmap>
#include <QString>
#include <Qt>

#include <functional>

class QDrag;
class QMimeData;
class QWidget;

// A drag onto the object tree, as its two sources start it: the tree itself and the property
// list. The drag offers the three drop modes as the three drop actions, and shows each mode with
// its cursor. Whatever the tree does with the drop, nothing is taken from the source.
namespace ObjectDrag {

// Move for the move mode, copy for cloning, link for adding a reference.
Qt::DropAction ActionOfMode(int mode);
// The cursor number (DragCursors) that shows a mode.
int CursorOfMode(int mode);

// The picture of a drag cursor, laid so that the middle of the pixmap is the cursor's hot spot,
// where a drag puts the pointer; a null pixmap before the cursors are loaded.
QPixmap CursorPixmap(int number);

// Runs the drag of data (taken over) from source until it ends. The data names the source.
void Exec(QWidget *source, QMimeData *data);

// The component that started a drag of this program's ("Items", "PropNames"); empty for a drag
// from anywhere else, another program included.
QString SourceName(const QMimeData *data);

// How a drag runs: the toolkit's own drag loop, unless a test has put another in its place (the
// headless platform has no drag loop); null restores the toolkit's.
using Runner = std::function<void(QDrag *drag)>;
void SetRunner(Runner runner);

} // namespace ObjectDrag
