#pragma once

#include "script/scriptclients.h"
#include "tree/itemstree.h"
#include "tree/namemarks.h"
#include "widgets/toolwin.h"
#include "widgets/windowlinks.h"

#include <QSet>
#include <QStringList>

#include <memory>

class Asker;
class ItemsDropHandler;
class ItemsEditor;
class QLineEdit;
class QMenu;
class QTreeWidgetItem;
class ScriptHost;
struct WorldNode;

// The ownership tree of the world's objects. It holds no copy of the world: every node is an
// object's uid, and the whole tree is rebuilt from the script state whenever the world may have
// changed. The selected node's text is the current object of the whole program. The author
// shapes the world from here: the commands are ItemsEditor's, drag and drop ItemsDropHandler's.
class TItemsWin : public TToolWin,
                  public ObjectSelection,
                  public ItemsRefresher,
                  private ItemsTreeHandler
{
    Q_OBJECT

public:
    explicit TItemsWin(ScriptHost &host, QWidget *parent = nullptr);
    ~TItemsWin() override;

    // Where selected objects are shown; null shows them nowhere.
    void SetObjectView(ObjectView *view) { m_view = view; }
    ObjectView *View() const { return m_view; }
    // Null restores the real message boxes.
    void SetAsker(Asker *asker);
    Asker &Ask() const { return *m_asker; }
    // The windows around the tree that its commands need; null leaves those steps out.
    void SetWorkbench(TreeWorkbench *workbench) { m_workbench = workbench; }
    TreeWorkbench *Workbench() const { return m_workbench; }

    // Echoes and runs "world:check()", then rebuilds the tree from the script state, keeping the
    // expansion by name, selects the owned node of name (the root and "world" when there is none),
    // shows that object and makes its name the only mark.
    void UpdateItems(const QString &name);

    // start itself when it bears name, else the first owned node below it bearing name, in depth
    // first order; reference nodes below start are passed over. Null when there is none.
    QTreeWidgetItem *FindObjectNode(QTreeWidgetItem *start, const QString &name) const;

    // Selects the node, opening its ancestors and scrolling it into view.
    void SelectNode(QTreeWidgetItem *node);
    // The same without showing the object, for a command that shows it once when done.
    void SelectNodeQuietly(QTreeWidgetItem *node);
    // Makes the node the selected one, neither showing it nor bringing it into view: a step of
    // a command on many nodes, which would otherwise lay the whole tree out at every step.
    void SetCurrentQuietly(QTreeWidgetItem *node);
    QTreeWidgetItem *SelectedNode() const;
    QTreeWidgetItem *Root() const;

    QString SelectedUid() const override;
    QString SelectedParentUid() const override;
    void WriteSearch(const QString &uid) override;
    void DragOntoTree(QWidget *source, QMimeData *data) override;

    void UpdateItemsFromScript() override;

    TItemsTree *Items() const { return m_items; }
    QLineEdit *Search() const { return m_search; }
    // The marked names, in the order they were marked.
    QStringList SelectedNames() const { return m_marks.Names(); }
    NameMarks &Marks() { return m_marks; }
    // To be called when the marks changed other than by a click or a rebuild.
    void MarksChanged();

    QMenu *PopupMenu1() const;
    ItemsEditor &Editor() const { return *m_editor; }
    ItemsDropHandler &Drops() const { return *m_drops; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    bool CanEditLabel(const QTreeWidgetItem *node) const override;
    void LabelEdited(QTreeWidgetItem *node, const QString &text) override;
    bool ItemsDragOver(const QString &source, QTreeWidgetItem *target,
                       Qt::KeyboardModifiers keys) override;
    void ItemsDragDrop(const QString &source, QTreeWidgetItem *target) override;
    int DropMode() const override;

    void ItemsChange();
    void ItemsClick();
    void ItemsMouseDown(QTreeWidgetItem *node, Qt::KeyboardModifiers modifiers);
    void SearchChange(const QString &text);

    QSet<QString> ExpandedNames() const;
    QTreeWidgetItem *MakeNodes(const WorldNode &node, const QSet<QString> &expanded,
                               QList<QTreeWidgetItem *> *toExpand) const;

    ScriptHost &m_host;
    ObjectView *m_view = nullptr;
    std::unique_ptr<Asker> m_defaultAsker;
    Asker *m_asker = nullptr;
    TreeWorkbench *m_workbench = nullptr;
    ItemsEditor *m_editor = nullptr;
    std::unique_ptr<ItemsDropHandler> m_drops;
    TItemsTree *m_items = nullptr;
    QLineEdit *m_search = nullptr;
    NameMarks m_marks;
    bool m_checking = false;
};
