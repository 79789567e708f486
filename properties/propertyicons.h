#pragma once

#include <QIcon>
#include <QList>

// The pictures of the property list's entries and of the data tree's nodes, drawn in code.
namespace PropertyIcons {

// The side of every picture, in pixels.
constexpr int kSize = 16;

// The four pictures in the order of the list's image indexes (PropertyStatements::Image):
// constructor, method, catchers, data.
QList<QIcon> All();

// The data tree's nodes: a table (the same grid as the data entry) and one value.
QIcon Table();
QIcon Value();

} // namespace PropertyIcons
