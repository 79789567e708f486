#pragma once

#include <QIcon>
#include <QImage>
#include <QList>

// The tree's image list: 16 × 16 drawings, each the same when its node is selected.
namespace ItemImages {

enum Index : int {
    Owned = 0,     // a filled blue cube
    Reference = 1, // the outline of a cube in black
    Chest = 2,     // a blue chest; in the list but not shown by the tree
};

constexpr int kCount = 3;
constexpr int kSize = 16;

// The drawing of one image; an index outside the list gives an empty image.
QImage Draw(int index);

// All images as icons, in index order.
QList<QIcon> List();

} // namespace ItemImages
