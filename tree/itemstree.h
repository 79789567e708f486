#pragma once

#include <QIcon>
#include <QList>
#include <QTreeWidget>

// The tree view `Items` of the object tree window: one column of object nodes with their images.
// A mouse press is reported after the view has selected the node under the pointer; there is
// always one selected node once one was selected (Ctrl marks names and does not toggle it).
class TItemsTree : public QTreeWidget
{
    Q_OBJECT

public:
    explicit TItemsTree(QWidget *parent = nullptr);

    // An image of the list `ImageList1`; an empty icon outside it.
    QIcon Image(int index) const { return m_images.value(index); }

Q_SIGNALS:
    // Any mouse button went down; node is the node under the pointer, or null.
    void NodePressed(QTreeWidgetItem *node, Qt::KeyboardModifiers modifiers);
    // The left button was released over the tree, on a node or not.
    void TreeClicked();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex &index,
                                                         const QEvent *event) const override;

private:
    QList<QIcon> m_images;
};
