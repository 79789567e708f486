#pragma once

#include <QHash>
#include <QPoint>
#include <QString>

#include <vector>

// An icon of the map page shown: the uid of the object it stands for and the upper left corner
// of its picture in map coordinates. The id tells it apart from an icon bearing the same caption
// at the same place; it is never reused while the window lives.
struct MapIcon
{
    int id = 0;
    QString caption;
    QPoint position;
};

// The icons of the page shown, in insertion order (the order the map functions count in), with
// the last icon of each caption at hand, since lines are drawn to it.
class MapIcons
{
public:
    int Count() const { return int(m_icons.size()); }
    // Index from 0; the caller keeps it within Count().
    const MapIcon &At(int index) const { return m_icons[size_t(index)]; }
    // The index of the icon with this id; -1 when it is gone.
    int IndexOf(int id) const;
    // The last icon bearing the caption; -1 when none does.
    int LastOf(const QString &caption) const { return m_last.value(caption, -1); }

    // Adds an icon at the end and returns its id.
    int Add(const QString &caption, QPoint position);
    void Remove(int index);
    void Move(int index, QPoint position);
    void Clear();

private:
    std::vector<MapIcon> m_icons;
    QHash<QString, int> m_last;
    int m_nextId = 1;
};

// The arithmetic of the map's coordinates.
namespace MapGrid {

// Icons snap to cells of this size; the picture stands this far right of a column's edge.
constexpr int kCell = 32;
constexpr int kLeft = 8;
// Lines join the points this far right of and below the icons' positions.
constexpr int kAnchor = 8;
// The farthest a position may lie from the origin, in either direction; farther ones are drawn
// in at the edge, so no arithmetic on a position can overflow.
constexpr int kLimit = 1000000;

// A map point snapped to the grid: x = ⌊x / 32⌋ × 32 + 8, y = ⌊y / 32⌋ × 32, rounding down for
// negative values too.
QPoint Snap(QPoint mapPoint);

// A position the map can hold: each coordinate drawn in to ±kLimit.
QPoint Bounded(QPoint position);

// A window point is a map point less the scroll origin.
inline QPoint ToMap(QPoint windowPoint, QPoint origin) { return windowPoint + origin; }
inline QPoint ToWindow(QPoint mapPoint, QPoint origin) { return mapPoint - origin; }

} // namespace MapGrid
