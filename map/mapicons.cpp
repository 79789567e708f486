#include "map/mapicons.h"

#include <algorithm>

int MapIcons::IndexOf(int id) const
{
    for (size_t i = 0; i < m_icons.size(); ++i)
        if (m_icons[i].id == id)
            return int(i);
    return -1;
}

int MapIcons::Add(const QString &caption, QPoint position)
{
    const int id = m_nextId++;
    m_icons.push_back(MapIcon{id, caption, MapGrid::Bounded(position)});
    m_last.insert(caption, int(m_icons.size()) - 1);
    return id;
}

void MapIcons::Move(int index, QPoint position)
{
    m_icons[size_t(index)].position = MapGrid::Bounded(position);
}

void MapIcons::Remove(int index)
{
    m_icons.erase(m_icons.begin() + index);
    // Every later icon moved one place down; the last of each caption is found again.
    m_last.clear();
    for (size_t i = 0; i < m_icons.size(); ++i)
        m_last.insert(m_icons[i].caption, int(i));
}

void MapIcons::Clear()
{
    m_icons.clear();
    m_last.clear();
}

namespace MapGrid {

namespace {

int FloorCell(int value)
{
    // Integer division rounds toward zero; a cell starts at or below the value.
    return (value >= 0 ? value / kCell : -((-value + kCell - 1) / kCell)) * kCell;
}

} // namespace

QPoint Snap(QPoint mapPoint)
{
    return QPoint(FloorCell(mapPoint.x()) + kLeft, FloorCell(mapPoint.y()));
}

QPoint Bounded(QPoint position)
{
    return QPoint(std::clamp(position.x(), -kLimit, kLimit), std::clamp(position.y(), -kLimit, kLimit));
}

} // namespace MapGrid
