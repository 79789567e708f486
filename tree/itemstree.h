#pragma once

#include <QIcon>
#include <QList>
#include <QPersistentModelIndex>
#include <QTreeWidget>

// What the tree view asks its window when the author edits a label or drags over it.
class ItemsTreeHandler
{
public:
    virtual ~ItemsTreeHandler() = default;
    // Whether the label of node may be edited; asked before an editor opens.
    virtual bool CanEditLabel(const QTreeWidgetItem *node) const = 0;
    // The author confirmed text as node's label; the handler decides what the node then bears.
    virtual void LabelEdited(QTreeWidgetItem *node, const QString &text) = 0;
    // Whether a drag from the component named source (empty: from outside the program) may drop
    // on target (null: no node under the pointer) with these keys held now; the handler keeps
    // the drop mode this gives.
    virtual bool ItemsDragOver(const QString &source, QTreeWidgetItem *target,
                               Qt::KeyboardModifiers keys) = 0;
    virtual void ItemsDragDrop(const QString &source, QTreeWidgetItem *target) = 0;
    // The drop mode in force (DropRules::Mode).
    virtual int DropMode() const = 0;
};

// The tree view `Items` of the object tree window: one column of object nodes with their images.
// A mouse press is reported after the view has selected the node under the pointer; there is
// always one selected node once one was selected (Ctrl marks names and does not toggle it).
// Labels are edited in place where the handler allows it; dragging a node starts a drag onto the
// tree, and drops go to the handler, the view itself never moving a node.
//
// A confirmed label and a drop reach the handler only once the editor has closed and the drag has
// ended, from the event loop: what the handler does (ask the author, rebuild the tree, refill the
// property list) must never pull an editor or a drag away from under the code still unwinding.
class TItemsTree : public QTreeWidget
{
    Q_OBJECT

public:
    explicit TItemsTree(QWidget *parent = nullptr);

    // An image of the list `ImageList1`; an empty icon outside it.
    QIcon Image(int index) const { return m_images.value(index); }

    void SetHandler(ItemsTreeHandler *handler) { m_handler = handler; }
    // A label is being edited.
    bool IsEditing() const { return state() == QAbstractItemView::EditingState; }
    // Closes the label editor without renaming anything; for a rebuild, which takes every node.
    void CancelLabelEdit();

Q_SIGNALS:
    // Any mouse button went down; node is the node under the pointer, or null.
    void NodePressed(QTreeWidgetItem *node, Qt::KeyboardModifiers modifiers);
    // The left button was released over the tree, on a node or not.
    void TreeClicked();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void setSelection(const QRect &rect, QItemSelectionModel::SelectionFlags command) override;
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex &index,
                                                         const QEvent *event) const override;
    bool edit(const QModelIndex &index, EditTrigger trigger, QEvent *event) override;
    void commitData(QWidget *editor) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void startDrag(Qt::DropActions supportedActions) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    // Answers a drag entering or moving over the view.
    void AnswerDrag(QDragMoveEvent *event);

    // The open label editor, when there is one.
    QWidget *LabelEditor() const;

    QList<QIcon> m_images;
    ItemsTreeHandler *m_handler = nullptr;
    QPersistentModelIndex m_edited;
};
