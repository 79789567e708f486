#pragma once

#include <QObject>
#include <QSet>
#include <QString>

class QAction;
class QMenu;
class QTreeWidgetItem;
class ScriptHost;
class TItemsWin;

// The commands that shape the world from the object tree: add, delete (one node or every marked
// name), rename by editing a label, level, copy, paste and refresh, with the context menu
// `PopupMenu1` and the keys that reach them. Each changes the world only by running a statement
// built from node texts, echoed where the author should see it, and then adjusts the tree itself
// or rebuilds it.
class ItemsEditor : public QObject
{
    Q_OBJECT

public:
    ItemsEditor(TItemsWin &win, ScriptHost &host);

    QMenu *PopupMenu1() const { return m_popupMenu1; }
    // A menu item by its name, N1 to N10.
    QAction *Item(const QString &name) const;

    // Add (Insert, "Добавить"): a new object under the selected one, named newobject and the
    // first free number, its label opened for the author to name it.
    void BitBtn1Click();
    // Delete (Delete, Ctrl+Del, "Удалить"): every node bearing a marked name while two or more
    // are marked, else the selected node.
    void N2Click();
    // "Сравнять": the selected object's children move up to its owner, in their order.
    void N3Click();
    // "Копировать": the selected subtree to the clipboard as Lua text.
    void N5Click();
    // "Вставить": the Lua text on the clipboard run with the selected object as its receiver.
    void N6Click();
    // "Обновить"
    void N8Click();
    // "Переименовать": opens the selected node's label for editing.
    void N9Click();

    // "world" and "player" keep their names; every other label may be edited.
    bool CanEditLabel(const QTreeWidgetItem *node) const;
    // The author confirmed text as the label of node: renames the object when the name is a free
    // Lua name (or the author agrees to overwrite a Lua value), else the old label stays.
    void LabelEdited(QTreeWidgetItem *node, const QString &text);

    // Copy is offered only while fewer than two names are marked.
    void MarksChanged();

    // Whether a global holds a value, read without running any Lua.
    static bool GlobalDefined(ScriptHost &host, const QString &name);
    // Whether the global name holds a table whose uid is name, read without running any Lua.
    static bool HoldsObjectNamed(ScriptHost &host, const QString &name);

private:
    struct Deletion
    {
        bool done = false;
        // Where the selection goes: the previous sibling, else the parent.
        QTreeWidgetItem *next = nullptr;
        // The world no longer matches the tree, which a rebuild mends.
        bool rebuild = false;
    };

    void CreatePopupMenu1();
    void ItemsContextPopup(const QPoint &at);
    void DeleteSelected();
    void DeleteGroup();
    // The delete of one node, leaving the selection, the rebuild and showing the object to the
    // caller. Names of objects that really went are added to removed.
    Deletion DeleteNode(QTreeWidgetItem *node, QSet<QString> *removed);
    // Takes away the reference nodes that stand for objects in removed which are gone from the
    // world (the engine unlists a removed object); keep (when among them) becomes the owned node
    // above it.
    void PruneReferences(const QSet<QString> &removed, QTreeWidgetItem **keep);
    bool IsStaleReference(const QTreeWidgetItem *node, const QSet<QString> &removed) const;
    // Moves a child of the levelled node up to the node's owner.
    void LevelChild(QTreeWidgetItem *node, QTreeWidgetItem *owner);
    bool Defined(const QString &expression) const;

    TItemsWin &m_win;
    ScriptHost &m_host;
    QMenu *m_popupMenu1 = nullptr;
};
