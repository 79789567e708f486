#pragma once

#include "tree/droprules.h"

#include <QSet>
#include <QString>
#include <Qt>

class QTreeWidgetItem;
class ScriptHost;
class TItemsWin;

// Drag and drop onto the object tree: a node dropped on a node moves the object there, clones it
// there (Ctrl) or adds a reference to it there (Alt); an entry of the property list dropped on a
// node copies that property to the object. With two or more names marked, a drag carries every
// marked object, each dropped once in tree order: the object itself, or for a property dragged
// from the list, that property of each.
class ItemsDropHandler
{
public:
    ItemsDropHandler(TItemsWin &win, ScriptHost &host);

    // Asked at every move of a drag over the tree: whether the drag may drop on target (null
    // where no node is under the pointer). An accepted drag takes its mode and cursor from the
    // keys held now; a refused one keeps both.
    bool ItemsDragOver(const QString &source, QTreeWidgetItem *target, Qt::KeyboardModifiers keys);
    // The drop on target, by the mode the last drag-over left.
    void ItemsDragDrop(const QString &source, QTreeWidgetItem *target);

    int DropMode() const { return m_dropMode; }
    // The cursor the drag shows (DragCursors numbers).
    int DragCursor() const { return m_dragCursor; }
    // The name of the node of the last drop.
    QString DropTarget() const { return m_dropTarget; }

    // Which source a drag comes from, told by its component name.
    static DropRules::Source SourceOf(const QString &source);

private:
    DropRules::DragFacts Facts(DropRules::Source source, const QTreeWidgetItem *dragged,
                               const QTreeWidgetItem *target) const;
    // Drops the node of one object on target; true when the tree is owed a rebuild.
    bool DropNode(QTreeWidgetItem *dragged, QTreeWidgetItem *target);
    // Copies the property with caption from object to target.
    void DropProperty(const QString &caption, const QString &object,
                      const QTreeWidgetItem *target);
    bool HasProperty(const QString &object, const QString &caption) const;
    void GroupDrop(DropRules::Source source, const QString &caption, QTreeWidgetItem *target);
    // Whether a node of the subtree bears one of the names.
    static bool SubtreeHolds(const QTreeWidgetItem *node, const QSet<QString> &names);

    TItemsWin &m_win;
    ScriptHost &m_host;
    int m_dropMode = DropRules::Move;
    int m_dragCursor;
    QString m_dropTarget;
};
