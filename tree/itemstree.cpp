#include "tree/itemstree.h"

#include "tree/itemimages.h"

#include <QHeaderView>
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
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSortingEnabled(false);
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

void TItemsTree::mouseReleaseEvent(QMouseEvent *event)
{
    QTreeWidget::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton)
        Q_EMIT TreeClicked();
}
