#pragma once

#include "app/toolwin.h"
#include "app/windowlinks.h"
#include "script/scriptclients.h"
#include "tree/namemarks.h"

#include <QSet>
#include <QStringList>

class QLineEdit;
class QTreeWidgetItem;
class ScriptHost;
class TItemsTree;
struct WorldNode;

// The ownership tree of the world's objects. It holds no copy of the world: every node is an
// object's uid, and the whole tree is rebuilt from the script state whenever the world may have
// changed. The selected node's text is the current object of the whole program.
class TItemsWin : public TToolWin, public ObjectSelection, public ItemsRefresher
{
    Q_OBJECT

public:
    explicit TItemsWin(ScriptHost &host, QWidget *parent = nullptr);

    // Where selected objects are shown; null shows them nowhere.
    void SetObjectView(ObjectView *view) { m_view = view; }

    // Echoes and runs "world:check()", then rebuilds the tree from the script state, keeping the
    // expansion by name, selects the owned node of name (the root and "world" when there is none),
    // shows that object and makes its name the only mark.
    void UpdateItems(const QString &name);

    // start itself when it bears name, else the first owned node below it bearing name, in depth
    // first order; reference nodes below start are passed over. Null when there is none.
    QTreeWidgetItem *FindObjectNode(QTreeWidgetItem *start, const QString &name) const;

    // Selects the node, opening its ancestors and scrolling it into view.
    void SelectNode(QTreeWidgetItem *node);
    QTreeWidgetItem *SelectedNode() const;
    QTreeWidgetItem *Root() const;

    QString SelectedUid() const override;
    QString SelectedParentUid() const override;
    void WriteSearch(const QString &uid) override;

    void UpdateItemsFromScript() override;

    TItemsTree *Items() const { return m_items; }
    QLineEdit *Search() const { return m_search; }
    // The marked names, in the order they were marked.
    QStringList SelectedNames() const { return m_marks.Names(); }

protected:
    void showEvent(QShowEvent *event) override;

private:
    void ItemsChange();
    void ItemsClick();
    void ItemsMouseDown(QTreeWidgetItem *node, Qt::KeyboardModifiers modifiers);
    void SearchChange(const QString &text);

    QSet<QString> ExpandedNames() const;
    QTreeWidgetItem *MakeNodes(const WorldNode &node, const QSet<QString> &expanded,
                               QList<QTreeWidgetItem *> *toExpand) const;

    ScriptHost &m_host;
    ObjectView *m_view = nullptr;
    TItemsTree *m_items = nullptr;
    QLineEdit *m_search = nullptr;
    NameMarks m_marks;
    bool m_checking = false;
};
