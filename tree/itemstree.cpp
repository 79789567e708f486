#include "tree/itemstree.h"

#include "tree/itemimages.h"
#include "tree/objectdrag.h"

#include <QDragMoveEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QLineEdit>
#include <QMouseEvent>

TItemsTree::TItemsTree(QWidget *parent) : QTreeWidget(parent), m_images(ItemImages::List())
{
    setObjectName(QStringLiteral("Items"));
    setAccessibleName(QStringLiteral("Items"));
    setColumnCount(1);
    header()->hide();
    setIndentation(20);
    setIconSize(QSize(ItemImages::kSize, ItemImages::kSize));
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    // F2 edits the label as well as the rename command; the handler refuses the protected ones.
    setEditTriggers(QAbstractItemView::EditKeyPressed);
    setSortingEnabled(false);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    // A drop lands on a node, never between two, and the view shows it so.
    setDragDropOverwriteMode(true);
    setDropIndicatorShown(true);
    setContextMenuPolicy(Qt::CustomContextMenu);
    // The selected node stays as plain to see when the focus is elsewhere.
    QPalette colours = palette();
    colours.setColor(QPalette::Inactive, QPalette::Highlight,
                     colours.color(QPalette::Active, QPalette::Highlight));
    colours.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     colours.color(QPalette::Active, QPalette::HighlightedText));
    setPalette(colours);
}

QItemSelectionModel::SelectionFlags TItemsTree::selectionCommand(const QModelIndex &index,
                                                                 const QEvent *event) const
{
    // A press beside the nodes keeps the selection; the press alone decides it, and the release
    // must not undo what the window selected in answer to the press.
    if (!index.isValid() || (event && event->type() == QEvent::MouseButtonRelease))
        return QItemSelectionModel::NoUpdate;
    // Ctrl marks names instead, so it never takes the selection away.
    return QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows;
}

void TItemsTree::mousePressEvent(QMouseEvent *event)
{
    // The view selects the node, opens or closes a branch and notes where a drag may start.
    QTreeWidget::mousePressEvent(event);
    Q_EMIT NodePressed(itemAt(event->position().toPoint()), event->modifiers());
}

void TItemsTree::setSelection(const QRect &rect, QItemSelectionModel::SelectionFlags command)
{
    // A key moves the selection to a node and then selects by the node's area, which is empty
    // for one indented past the column's edge: the view would clear the selection and the
    // current node with it, and the current object would be gone.
    if (!indexAt(rect.topLeft()).isValid() && !indexAt(rect.bottomRight()).isValid())
        return;
    QTreeWidget::setSelection(rect, command);
}

void TItemsTree::mouseReleaseEvent(QMouseEvent *event)
{
    QTreeWidget::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton)
        Q_EMIT TreeClicked();
}

bool TItemsTree::edit(const QModelIndex &index, EditTrigger trigger, QEvent *event)
{
    const QTreeWidgetItem *node = itemFromIndex(index);
    if (!node || !m_handler || !m_handler->CanEditLabel(node))
        return false;
    if (!QTreeWidget::edit(index, trigger, event))
        return false;
    m_edited = index;
    // Enter is taken here, ahead of the delegate, which would commit from a queued call that
    // holds the editor by a bare pointer.
    if (QWidget *editor = LabelEditor())
        editor->installEventFilter(this);
    return true;
}

QWidget *TItemsTree::LabelEditor() const
{
    return m_edited.isValid() ? indexWidget(m_edited) : nullptr;
}

void TItemsTree::CancelLabelEdit()
{
    if (QWidget *editor = LabelEditor())
        closeEditor(editor, QAbstractItemDelegate::RevertModelCache);
}

bool TItemsTree::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress && watched == LabelEditor()) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            auto *editor = static_cast<QWidget *>(watched);
            commitData(editor);
            closeEditor(editor, QAbstractItemDelegate::SubmitModelCache);
            return true;
        }
    }
    return QTreeWidget::eventFilter(watched, event);
}

void TItemsTree::commitData(QWidget *editor)
{
    // Only the editor open on the edited node commits, once (closing it commits nothing more).
    const auto *line = qobject_cast<QLineEdit *>(editor);
    if (!line || editor != LabelEditor())
        return;
    const QPersistentModelIndex index = m_edited;
    const QString oldText = itemFromIndex(index)->text(0);
    const QString text = line->text();
    QMetaObject::invokeMethod(
        this,
        [this, index, oldText, text] {
            // The node may have gone, or been renamed by other means, while the call waited.
            QTreeWidgetItem *node = index.isValid() ? itemFromIndex(index) : nullptr;
            if (node && node->text(0) == oldText && m_handler)
                m_handler->LabelEdited(node, text);
        },
        Qt::QueuedConnection);
}

void TItemsTree::startDrag(Qt::DropActions supportedActions)
{
    Q_UNUSED(supportedActions)
    const QList<QTreeWidgetItem *> dragged = selectedItems();
    if (dragged.isEmpty())
        return;
    ObjectDrag::Exec(this, mimeData(dragged));
}

void TItemsTree::dragEnterEvent(QDragEnterEvent *event)
{
    AnswerDrag(event);
    // A drag from one of the two sources is followed over the whole view, also where it enters
    // over a place it may not drop on.
    const QString source = ObjectDrag::SourceName(event->mimeData());
    if (!event->isAccepted()
        && (source == QLatin1String("Items") || source == QLatin1String("PropNames"))) {
        event->setDropAction(Qt::IgnoreAction);
        event->accept();
    }
}

void TItemsTree::dragMoveEvent(QDragMoveEvent *event)
{
    // The view scrolls near its edges and opens a closed node the pointer rests on; the answer
    // is the handler's.
    QTreeWidget::dragMoveEvent(event);
    AnswerDrag(event);
}

void TItemsTree::AnswerDrag(QDragMoveEvent *event)
{
    QTreeWidgetItem *target = itemAt(event->position().toPoint());
    if (!m_handler
        || !m_handler->ItemsDragOver(ObjectDrag::SourceName(event->mimeData()), target,
                                     event->modifiers())) {
        event->ignore();
        return;
    }
    event->setDropAction(ObjectDrag::ActionOfMode(m_handler->DropMode()));
    event->accept();
}

void TItemsTree::dropEvent(QDropEvent *event)
{
    // The view's own drop would move nodes itself; here the handler runs the statements and
    // shapes the tree after them, once the drag is over.
    stopAutoScroll();
    setState(QAbstractItemView::NoState);
    viewport()->update();
    if (!m_handler) {
        event->ignore();
        return;
    }
    event->setDropAction(ObjectDrag::ActionOfMode(m_handler->DropMode()));
    event->accept();
    const QString source = ObjectDrag::SourceName(event->mimeData());
    const QPersistentModelIndex target = indexAt(event->position().toPoint());
    QMetaObject::invokeMethod(
        this,
        [this, source, target] {
            if (m_handler)
                m_handler->ItemsDragDrop(source,
                                         target.isValid() ? itemFromIndex(target) : nullptr);
        },
        Qt::QueuedConnection);
}
