#pragma once

#include <QBitmap>
#include <QCursor>
#include <QString>

// The three cursors the object tree shows while an object is dragged: move it under the target,
// clone it there, or add it there. They are registered by number, as the script state knows them.
// Load() needs a QGuiApplication; the cursors are dropped again when that application goes.
class DragCursors
{
public:
    enum Number { MoveTo = -100, Clone = -99, Add = -98 };

    static constexpr int kSize = 32;
    static constexpr int kHotX = 9;
    static constexpr int kHotY = 3;

    // Builds the three cursors once; later calls keep the ones built.
    static void Load();
    static bool IsLoaded();

    // The cursor registered under the number; the arrow cursor if the number is unknown or
    // nothing is loaded yet.
    static QCursor Cursor(int number);
    // The pictures behind a cursor (null bitmaps under the same conditions).
    static QBitmap Bitmap(int number);
    static QBitmap Mask(int number);
    // "MOVETO", "CLONE", "ADD"; empty for an unknown number.
    static QString ResourceName(int number);
};
