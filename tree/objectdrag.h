#pragma once

#include <QPixmap>
#include <Qt>

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

// Runs the drag of data (taken over) from source until it ends.
void Exec(QWidget *source, QMimeData *data);

} // namespace ObjectDrag
