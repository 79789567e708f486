#pragma once

#include <QMimeData>
#include <QString>

class QWidget;

// What the object tree offers the other windows: the current object of the whole system is the
// text of its selected node.
class ObjectSelection
{
public:
    virtual ~ObjectSelection() = default;
    // The text (uid) of the selected node; empty when nothing is selected.
    virtual QString SelectedUid() const = 0;
    // The text of the selected node's parent node; empty for the root or without a selection.
    virtual QString SelectedParentUid() const = 0;
    // Writes the uid into the tree's search box without starting a search.
    virtual void WriteSearch(const QString &uid) = 0;
    // Runs a drag of data (taken over) from source onto the tree until it ends, with the tree's
    // drop modes and cursors. Without a tree to drop on, nothing is dragged.
    virtual void DragOntoTree(QWidget *source, QMimeData *data)
    {
        Q_UNUSED(source)
        delete data;
    }
};

// What the properties window offers the object tree.
class ObjectView
{
public:
    virtual ~ObjectView() = default;
    // Fills the name field and the property list for the object, with "Данные" selected.
    virtual void ShowObjectProperties(const QString &uid) = 0;
    // Shows one property of the object in the right-hand area.
    virtual void ShowProperty(const QString &uid, const QString &caption) = 0;
    // ShowObjectProperties followed by ShowProperty with "Данные".
    virtual void ShowObject(const QString &uid) = 0;
};

// What the object tree's editing commands need of the windows around it.
class TreeWorkbench
{
public:
    virtual ~TreeWorkbench() = default;
    // Ends an edit open in the properties window, so its text lands in its own object before
    // the tree changes the world.
    virtual void EndPropertyEdit() = 0;
    // Puts the statements that rebuild the selected subtree on the clipboard.
    virtual void CopySelectedSubtree() = 0;
    // The caption of the entry selected in the property list; empty when none is.
    virtual QString SelectedPropertyCaption() const = 0;
};
