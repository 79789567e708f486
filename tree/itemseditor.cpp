#include "tree/itemseditor.h"

#include "script/codepage.h"
#include "script/luaapi.h"
#include "script/luanames.h"
#include "script/scripthost.h"
#include "tree/itemimages.h"
#include "tree/itemstree.h"
#include "tree/itemswin.h"
#include "tree/objectnode.h"
#include "tree/treestatements.h"
#include "widgets/asker.h"
#include "widgets/windowlinks.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>
#include <QSignalBlocker>

#include <utility>
#include <vector>

namespace TS = TreeStatements;

namespace {

QString World()
{
    return QStringLiteral("world");
}

QString Player()
{
    return QStringLiteral("player");
}

QString WarningCaption()
{
    return QStringLiteral("Предупреждение");
}

bool IsReference(const QTreeWidgetItem *node)
{
    return ObjectNode::ImageOf(node) == ItemImages::Reference;
}

// The names of the objects a node's subtree stands for: its owned nodes, itself included.
void OwnedNames(const QTreeWidgetItem *node, QSet<QString> *names)
{
    std::vector<const QTreeWidgetItem *> pending{node};
    while (!pending.empty()) {
        const QTreeWidgetItem *at = pending.back();
        pending.pop_back();
        if (IsReference(at))
            continue;
        names->insert(at->text(0));
        for (int i = 0; i < at->childCount(); ++i)
            pending.push_back(at->child(i));
    }
}

QTreeWidgetItem *ChildNamed(const QTreeWidgetItem *node, const QString &name)
{
    for (int i = 0; i < node->childCount(); ++i) {
        if (node->child(i)->text(0) == name)
            return node->child(i);
    }
    return nullptr;
}

} // namespace

ItemsEditor::ItemsEditor(TItemsWin &win, ScriptHost &host) : QObject(&win), m_win(win), m_host(host)
{
    CreatePopupMenu1();
}

void ItemsEditor::CreatePopupMenu1()
{
    TItemsTree *items = m_win.Items();
    m_popupMenu1 = new QMenu(&m_win);
    m_popupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    m_popupMenu1->setAccessibleName(QStringLiteral("PopupMenu1"));
    // The keys work while the tree itself has the focus, not while a label is being edited in it.
    const auto add = [this, items](const char *name, const QString &text,
                                   const QList<QKeySequence> &keys, void (ItemsEditor::*slot)()) {
        QAction *action = m_popupMenu1->addAction(text);
        action->setObjectName(QLatin1String(name));
        action->setShortcuts(keys);
        action->setShortcutContext(Qt::WidgetShortcut);
        items->addAction(action);
        connect(action, &QAction::triggered, this, slot);
    };
    const auto line = [this](const char *name) {
        m_popupMenu1->addSeparator()->setObjectName(QLatin1String(name));
    };
    add("N1", QStringLiteral("Добавить"), {QKeySequence(Qt::Key_Insert)},
        &ItemsEditor::BitBtn1Click);
    add("N2", QStringLiteral("Удалить"),
        {QKeySequence(Qt::CTRL | Qt::Key_Delete), QKeySequence(Qt::Key_Delete)},
        &ItemsEditor::N2Click);
    add("N3", QStringLiteral("Сравнять"), {}, &ItemsEditor::N3Click);
    line("N10");
    add("N9", QStringLiteral("Переименовать"), {}, &ItemsEditor::N9Click);
    line("N4");
    add("N5", QStringLiteral("Копировать"), {QKeySequence(Qt::CTRL | Qt::Key_C)},
        &ItemsEditor::N5Click);
    add("N6", QStringLiteral("Вставить"), {QKeySequence(Qt::CTRL | Qt::Key_V)},
        &ItemsEditor::N6Click);
    line("N7");
    add("N8", QStringLiteral("Обновить"), {QKeySequence(Qt::CTRL | Qt::Key_R)},
        &ItemsEditor::N8Click);

    connect(m_popupMenu1, &QMenu::aboutToShow, this, &ItemsEditor::MarksChanged);
    connect(items, &QWidget::customContextMenuRequested, this, &ItemsEditor::ItemsContextPopup);
}

QAction *ItemsEditor::Item(const QString &name) const
{
    for (QAction *action : m_popupMenu1->actions()) {
        if (action->objectName() == name)
            return action;
    }
    return nullptr;
}

void ItemsEditor::ItemsContextPopup(const QPoint &at)
{
    m_popupMenu1->popup(m_win.Items()->viewport()->mapToGlobal(at));
}

void ItemsEditor::MarksChanged()
{
    if (QAction *copy = Item(QStringLiteral("N5")))
        copy->setEnabled(m_win.SelectedNames().size() < 2);
}

bool ItemsEditor::GlobalDefined(ScriptHost &host, const QString &name)
{
    lua_State *L = host.State();
    const int top = lua_gettop(L);
    if (!lua_checkstack(L, 2))
        return false;
    const QByteArray bytes = CodePage::ToLua(name);
    lua_pushlstring(L, bytes.constData(), size_t(bytes.size()));
    lua_rawget(L, LUA_GLOBALSINDEX);
    const bool defined = !lua_isnil(L, -1);
    lua_settop(L, top);
    return defined;
}

bool ItemsEditor::HoldsObjectNamed(ScriptHost &host, const QString &name)
{
    lua_State *L = host.State();
    const int top = lua_gettop(L);
    if (!lua_checkstack(L, 3))
        return false;
    const QByteArray bytes = CodePage::ToLua(name);
    lua_pushlstring(L, bytes.constData(), size_t(bytes.size()));
    lua_rawget(L, LUA_GLOBALSINDEX);
    bool named = false;
    if (lua_istable(L, -1)) {
        lua_pushliteral(L, "uid");
        lua_rawget(L, -2);
        size_t length = 0;
        const char *uid = lua_type(L, -1) == LUA_TSTRING ? lua_tolstring(L, -1, &length) : nullptr;
        named = uid && QByteArray(uid, qsizetype(length)) == bytes;
    }
    lua_settop(L, top);
    return named;
}

bool ItemsEditor::Defined(const QString &expression) const
{
    return m_host.EvalDefined(expression);
}

void ItemsEditor::BitBtn1Click()
{
    QTreeWidgetItem *node = m_win.SelectedNode();
    if (!node || IsReference(node) || m_win.Items()->IsEditing())
        return;
    const QString owner = node->text(0);
    const QString name =
        LuaNames::FreeName(QStringLiteral("newobject"), [this](const QString &candidate) {
            return Defined(candidate);
        });
    auto *added = new ObjectNode(name, ItemImages::Owned);
    {
        const QSignalBlocker quiet(m_win.Items());
        node->addChild(added);
    }
    m_host.RunEchoed(TS::Create(owner, name));
    if (!GlobalDefined(m_host, name)) {
        // The world refused the object; the tree shows what the world holds.
        m_win.UpdateItems(owner);
        return;
    }
    if (ObjectView *view = m_win.View())
        view->ShowObject(name);
    m_win.SelectNodeQuietly(added);
    m_win.Items()->setFocus();
    m_win.Items()->editItem(added);
}

void ItemsEditor::N2Click()
{
    if (m_win.Items()->IsEditing())
        return;
    if (m_win.SelectedNames().size() >= 2)
        DeleteGroup();
    else
        DeleteSelected();
}

ItemsEditor::Deletion ItemsEditor::DeleteNode(QTreeWidgetItem *node, QSet<QString> *removed)
{
    Deletion result;
    const QString name = node->text(0);
    const bool reference = IsReference(node);
    QTreeWidgetItem *parent = node->parent();
    if (!parent || name == World() || (name == Player() && !reference))
        return result;
    const QString owner = parent->text(0);

    bool parentsDefined = false;
    QSet<QString> subtree;
    QString statement;
    if (reference) {
        statement = TS::DeleteReference(owner, name);
    } else {
        parentsDefined = Defined(name + QStringLiteral(".parents"));
        OwnedNames(node, &subtree);
        statement = TS::DeleteOwned(name);
    }
    const int index = parent->indexOfChild(node);
    result.next = index > 0 ? parent->child(index - 1) : parent;
    {
        const QSignalBlocker quiet(m_win.Items());
        delete node;
    }
    m_host.RunEchoed(statement);
    result.done = true;
    if (!reference) {
        if (GlobalDefined(m_host, name)) {
            // The object is still there: the rebuild brings its node back.
            result.rebuild = true;
        } else {
            removed->unite(subtree);
            result.rebuild = parentsDefined;
        }
    }
    return result;
}

bool ItemsEditor::IsStaleReference(const QTreeWidgetItem *node, const QSet<QString> &removed) const
{
    return IsReference(node) && removed.contains(node->text(0))
           && !GlobalDefined(m_host, node->text(0));
}

void ItemsEditor::PruneReferences(const QSet<QString> &removed, QTreeWidgetItem **keep)
{
    if (removed.isEmpty() || !m_win.Root())
        return;
    std::vector<QTreeWidgetItem *> stale;
    std::vector<QTreeWidgetItem *> pending{m_win.Root()};
    while (!pending.empty()) {
        QTreeWidgetItem *node = pending.back();
        pending.pop_back();
        if (IsStaleReference(node, removed)) {
            stale.push_back(node);
            continue;
        }
        for (int i = 0; i < node->childCount(); ++i)
            pending.push_back(node->child(i));
    }
    const QSignalBlocker quiet(m_win.Items());
    for (QTreeWidgetItem *node : stale) {
        if (keep && *keep == node)
            *keep = node->parent();
        delete node;
    }
}

void ItemsEditor::DeleteSelected()
{
    QTreeWidgetItem *node = m_win.SelectedNode();
    if (!node)
        return;
    const QString name = node->text(0);
    if (name == World() || (name == Player() && !IsReference(node)))
        return;
    // What the author is typing about the object lands in that object first.
    if (TreeWorkbench *workbench = m_win.Workbench())
        workbench->EndPropertyEdit();
    node = m_win.SelectedNode();
    if (!node || node->text(0) != name)
        return;
    QSet<QString> removed;
    Deletion deletion = DeleteNode(node, &removed);
    if (!deletion.done)
        return;
    // References to what went are gone from the world, so they go from the tree too.
    PruneReferences(removed, &deletion.next);
    const QString next = deletion.next->text(0);
    // Taking the node away has already moved the view's own selection somewhere, so the object
    // is shown here, once, rather than by the selection changing.
    m_win.SelectNodeQuietly(deletion.next);
    if (deletion.rebuild)
        m_win.UpdateItems(next);
    if (ObjectView *view = m_win.View())
        view->ShowObject(next);
}

void ItemsEditor::DeleteGroup()
{
    const QStringList marked = m_win.SelectedNames();
    QSet<QString> listed(marked.cbegin(), marked.cend());
    m_win.Marks().Clear();
    listed.remove(World());
    listed.remove(Player());
    if (TreeWorkbench *workbench = m_win.Workbench())
        workbench->EndPropertyEdit();
    QTreeWidgetItem *root = m_win.Root();
    if (!root) {
        MarksChanged();
        return;
    }

    // Two walks in depth-first order: the reference nodes first, while the objects they name
    // still exist to be named in `P:remove(S)`, then the owned nodes. A deleted node is taken
    // out where it stood, so a walk goes on with the node that followed it: every node before
    // it has been looked at already, and since the tree is not rebuilt in between, none comes
    // back and the walk ends.
    QSet<QString> removed;
    QTreeWidgetItem *next = nullptr;
    bool rebuild = false;
    for (const bool references : {true, false}) {
        std::vector<std::pair<QTreeWidgetItem *, int>> path{{root, 0}};
        while (!path.empty()) {
            auto &[parent, index] = path.back();
            if (index >= parent->childCount()) {
                path.pop_back();
                continue;
            }
            QTreeWidgetItem *node = parent->child(index);
            if (IsReference(node) == references && listed.contains(node->text(0))) {
                const Deletion deletion = DeleteNode(node, &removed);
                if (deletion.done) {
                    next = deletion.next;
                    rebuild = rebuild || deletion.rebuild;
                    continue;
                }
            }
            ++index;
            if (node->childCount() > 0)
                path.emplace_back(node, 0);
        }
    }
    PruneReferences(removed, &next);

    if (next) {
        const QString name = next->text(0);
        m_win.SelectNodeQuietly(next);
        if (rebuild)
            m_win.UpdateItems(name);
        if (ObjectView *view = m_win.View())
            view->ShowObject(name);
    }
    MarksChanged();
    m_win.Items()->viewport()->update();
}

void ItemsEditor::N3Click()
{
    QTreeWidgetItem *node = m_win.SelectedNode();
    if (!node || node->text(0) == World() || !node->parent())
        return;
    QTreeWidgetItem *owner = node->parent();
    while (node->childCount() > 0)
        LevelChild(node, owner);
}

void ItemsEditor::LevelChild(QTreeWidgetItem *node, QTreeWidgetItem *owner)
{
    const QSignalBlocker quiet(m_win.Items());
    QTreeWidgetItem *child = node->child(0);
    const QString name = child->text(0);
    if (!IsReference(child)) {
        m_host.RunEchoed(TS::MoveTo(name, owner->text(0)));
        owner->addChild(node->takeChild(0));
        return;
    }
    // A reference moves as a reference: making the owner own the object would take it away from
    // the object that really owns it.
    m_host.RunEchoed(TS::RemoveReference(node->text(0), name));
    if (name == owner->text(0) || ChildNamed(owner, name)) {
        // The owner is that object itself, or lists it already.
        delete node->takeChild(0);
        return;
    }
    m_host.RunEchoed(TS::AddReference(owner->text(0), name));
    owner->addChild(node->takeChild(0));
}

void ItemsEditor::N5Click()
{
    if (m_win.SelectedNames().size() >= 2)
        return;
    const QString name = m_win.SelectedUid();
    if (name.isEmpty() || name == World())
        return;
    if (TreeWorkbench *workbench = m_win.Workbench())
        workbench->CopySelectedSubtree();
}

void ItemsEditor::N6Click()
{
    const QString receiver = m_win.SelectedUid();
    if (receiver.isEmpty())
        return;
    const QString text = QGuiApplication::clipboard()->text();
    if (text.isEmpty())
        return;
    if (TreeWorkbench *workbench = m_win.Workbench())
        workbench->EndPropertyEdit();
    m_host.RunLua(TS::PasteChunk(TS::PastePrefixed(text, receiver)));
}

void ItemsEditor::N8Click()
{
    m_host.RunEchoed(TS::Refresh());
}

void ItemsEditor::N9Click()
{
    QTreeWidgetItem *node = m_win.SelectedNode();
    if (!node || !CanEditLabel(node))
        return;
    m_win.Items()->setFocus();
    m_win.Items()->editItem(node);
}

bool ItemsEditor::CanEditLabel(const QTreeWidgetItem *node) const
{
    const QString name = node->text(0);
    return name != World() && name != Player();
}

void ItemsEditor::LabelEdited(QTreeWidgetItem *node, const QString &text)
{
    const QString oldName = node->text(0);
    // The name proposed, or the one it had, accepted as it stands: it stays.
    if (text == oldName)
        return;
    Asker &asker = m_win.Ask();
    if (!LuaNames::IsName(text)) {
        asker.Warning(&m_win, WarningCaption(),
                      QStringLiteral("«%1» не годится в имена объектов. Имя объекта служит именем "
                                     "переменной Lua: ")
                              .arg(text)
                          + LuaNames::Rule(),
                      QMessageBox::Ok);
        return;
    }
    if (m_win.FindObjectNode(m_win.Root(), text)) {
        asker.Warning(&m_win, WarningCaption(),
                      QStringLiteral("Такой объект уже существует в дереве."), QMessageBox::Ok);
        return;
    }
    if (Defined(text)) {
        const QMessageBox::StandardButton answer = asker.Stop(
            &m_win, WarningCaption(),
            QStringLiteral("Такой объект уже существует в LUA. Если вы нажмете да, то это "
                           "уничтожит этот объект, что может привести к УЖАСНЫМ глюкам. "
                           "Продолжить?"),
            QMessageBox::Yes | QMessageBox::No);
        if (answer != QMessageBox::Yes)
            return;
    }
    if (TreeWorkbench *workbench = m_win.Workbench())
        workbench->EndPropertyEdit();
    m_host.RunEchoed(TS::Rename(text, oldName));
    if (!HoldsObjectNamed(m_host, text)) {
        // The statement failed; the tree shows the world as it is.
        m_win.UpdateItems(m_win.SelectedUid());
        return;
    }
    // Every node bearing the old name stands for the object that now has the new one.
    {
        const QSignalBlocker quiet(m_win.Items());
        std::vector<QTreeWidgetItem *> pending{m_win.Root()};
        while (!pending.empty()) {
            QTreeWidgetItem *at = pending.back();
            pending.pop_back();
            if (at->text(0) == oldName)
                at->setText(0, text);
            for (int i = 0; i < at->childCount(); ++i)
                pending.push_back(at->child(i));
        }
    }
    m_win.Marks().Rename(oldName, text);
    // The properties window shows the renamed object only while it is the selected one: the
    // author may have moved on while the label was being confirmed.
    if (m_win.SelectedUid() != text)
        return;
    m_win.WriteSearch(text);
    const QString caption =
        m_win.Workbench() ? m_win.Workbench()->SelectedPropertyCaption() : QString();
    if (!caption.isEmpty()) {
        if (ObjectView *view = m_win.View())
            view->ShowProperty(text, caption);
    }
}
