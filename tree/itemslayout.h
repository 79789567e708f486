#pragma once

#include <QWidget>

// The object tree's client area: the tree above, the search box at the bottom right, placed by
// fixed distances to the right and bottom edges as the window is resized.
class ItemsLayout : public QWidget
{
public:
    ItemsLayout(QWidget *tree, QWidget *search, QWidget *parent = nullptr);

    QSize sizeHint() const override { return QSize(501, 478); }

    // Where the two go in a client area of this size.
    static QRect TreeRect(QSize client);
    static QRect SearchRect(QSize client);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    QWidget *m_tree;
    QWidget *m_search;
};
