#include "widgets/dragcursors.h"

#include <QCoreApplication>
#include <QImage>

#include <array>
#include <iterator>
#include <optional>

namespace {

// Picture tables: '#' is black, '.' is white, a space is transparent. Every black pixel also gets
// a white rim around it, so the cursors stay visible on dark and light backgrounds alike.

// The arrow pointer; its first pixel is the tip, laid at the hot spot.
const char *const kPointer[] = {
    "#",
    "##",
    "#.#",
    "#..#",
    "#...#",
    "#....#",
    "#.....#",
    "#......#",
    "#.......#",
    "#........#",
    "#.....#####",
    "#..#..#",
    "#.# #..#",
    "##  #..#",
    "#    #..#",
    "     #..#",
    "      ##",
};

// The signs below the pointer: an object (the circle) and where it goes.
const char *const kMoveToSign[] = {
    "  ###",
    " #...#      #",
    "#.....#     ##",
    "#.....# #######",
    "#.....#     ##",
    " #...#      #",
    "  ###",
};

// A second, solid object appears at the head of the arrow.
const char *const kCloneSign[] = {
    "  ###             ###",
    " #...#      #    #####",
    "#.....#     ##  #######",
    "#.....# ####### #######",
    "#.....#     ##  #######",
    " #...#      #    #####",
    "  ###             ###",
};

// The object joins one already there: a hatched circle at the head of the arrow.
const char *const kAddSign[] = {
    "  ###             ###",
    " #...#      #    #.#.#",
    "#.....#     ##  #.#..##",
    "#.....# ####### ##..#.#",
    "#.....#     ##  #..#..#",
    " #...#      #    ##..#",
    "  ###             ###",
};

constexpr int kSignX = 8;
constexpr int kSignY = 22;
constexpr int kSignRows = 7;

struct Picture
{
    DragCursors::Number number;
    const char *name;
    const char *const *sign;
};

const Picture kPictures[] = {
    {DragCursors::MoveTo, "MOVETO", kMoveToSign},
    {DragCursors::Clone, "CLONE", kCloneSign},
    {DragCursors::Add, "ADD", kAddSign},
};
constexpr int kCount = int(std::size(kPictures));

using Grid = std::array<std::array<char, DragCursors::kSize>, DragCursors::kSize>;

void Stamp(Grid &grid, const char *const *rows, int count, int left, int top)
{
    for (int y = 0; y < count; ++y) {
        for (int x = 0; rows[y][x] != '\0'; ++x) {
            const int gx = left + x;
            const int gy = top + y;
            if (gx < DragCursors::kSize && gy < DragCursors::kSize && rows[y][x] != ' ')
                grid[gy][gx] = rows[y][x];
        }
    }
}

QImage MonoImage()
{
    QImage image(DragCursors::kSize, DragCursors::kSize, QImage::Format_Mono);
    image.setColorCount(2);
    image.setColor(0, qRgb(255, 255, 255));
    image.setColor(1, qRgb(0, 0, 0));
    image.fill(0);
    return image;
}

struct Entry
{
    QBitmap bitmap;
    QBitmap mask;
    QCursor cursor;
};

// Optional entries, so that nothing pixmap-like is made before an application exists.
using Store = std::array<std::optional<Entry>, kCount>;

Store &TheStore()
{
    static Store store;
    return store;
}

// Pixmaps belong to the GUI application that made them; they are let go when it goes.
void Unload()
{
    for (std::optional<Entry> &entry : TheStore())
        entry.reset();
}

int IndexOf(int number)
{
    const int index = number - DragCursors::MoveTo;
    return index >= 0 && index < kCount ? index : -1;
}

} // namespace

void DragCursors::Load()
{
    if (IsLoaded())
        return;
    Store &store = TheStore();
    for (int i = 0; i < kCount; ++i) {
        Grid grid{};
        for (auto &row : grid)
            row.fill(' ');
        Stamp(grid, kPointer, int(std::size(kPointer)), kHotX, kHotY);
        Stamp(grid, kPictures[i].sign, kSignRows, kSignX, kSignY);

        QImage bitmap = MonoImage();
        QImage mask = MonoImage();
        for (int y = 0; y < kSize; ++y) {
            for (int x = 0; x < kSize; ++x) {
                if (grid[y][x] == '.')
                    mask.setPixel(x, y, 1);
                if (grid[y][x] != '#')
                    continue;
                bitmap.setPixel(x, y, 1);
                for (int dy = -1; dy <= 1; ++dy) {
                    for (int dx = -1; dx <= 1; ++dx) {
                        const int mx = x + dx;
                        const int my = y + dy;
                        if (mx >= 0 && my >= 0 && mx < kSize && my < kSize)
                            mask.setPixel(mx, my, 1);
                    }
                }
            }
        }
        const QBitmap bits = QBitmap::fromImage(bitmap);
        const QBitmap rim = QBitmap::fromImage(mask);
        store[i] = Entry{bits, rim, QCursor(bits, rim, kHotX, kHotY)};
    }
    qAddPostRoutine(&Unload);
}

bool DragCursors::IsLoaded()
{
    return TheStore()[0].has_value();
}

QCursor DragCursors::Cursor(int number)
{
    const int index = IndexOf(number);
    if (index < 0 || !IsLoaded())
        return QCursor(Qt::ArrowCursor);
    return TheStore()[index]->cursor;
}

QBitmap DragCursors::Bitmap(int number)
{
    const int index = IndexOf(number);
    if (index < 0 || !IsLoaded())
        return QBitmap();
    return TheStore()[index]->bitmap;
}

QBitmap DragCursors::Mask(int number)
{
    const int index = IndexOf(number);
    if (index < 0 || !IsLoaded())
        return QBitmap();
    return TheStore()[index]->mask;
}

QString DragCursors::ResourceName(int number)
{
    const int index = IndexOf(number);
    return index < 0 ? QString() : QString::fromLatin1(kPictures[index].name);
}
