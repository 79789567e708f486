#include "tree/itemslayout.h"

namespace {

// Distances of the designed 501-pixel-wide window: the search box 79 × 21 with its left edge at
// 391, its top 28 pixels above the bottom; the tree ends two pixels above the box.
constexpr int kSearchRightGap = 501 - 391;
constexpr int kSearchWidth = 79;
constexpr int kSearchHeight = 21;
constexpr int kSearchTopGap = 28;
constexpr int kTreeBottomGap = kSearchTopGap + 2;

} // namespace

ItemsLayout::ItemsLayout(QWidget *tree, QWidget *search, QWidget *parent)
    : QWidget(parent), m_tree(tree), m_search(search)
{
    tree->setParent(this);
    search->setParent(this);
    setMinimumSize(kSearchRightGap + 20, kTreeBottomGap + 40);
}

QRect ItemsLayout::TreeRect(QSize client)
{
    return QRect(0, 0, client.width(), client.height() - kTreeBottomGap);
}

QRect ItemsLayout::SearchRect(QSize client)
{
    return QRect(client.width() - kSearchRightGap, client.height() - kSearchTopGap, kSearchWidth,
                 kSearchHeight);
}

void ItemsLayout::resizeEvent(QResizeEvent *)
{
    m_tree->setGeometry(TreeRect(size()));
    m_search->setGeometry(SearchRect(size()));
}
