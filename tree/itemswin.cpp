#include "tree/itemswin.h"

#include "script/scripthost.h"
#include "script/worldwalk.h"
#include "tree/itemimages.h"
#include "tree/itemsdrophandler.h"
#include "tree/itemseditor.h"
#include "tree/itemslayout.h"
#include "tree/itemstree.h"
#include "tree/markdelegate.h"
#include "tree/objectdrag.h"
#include "tree/objectnode.h"
#include "widgets/asker.h"

#include <QLineEdit>
#include <QShowEvent>
#include <QSignalBlocker>

#include <vector>

namespace {

const char kRootName[] = "world";

QString RootName()
{
    return QString::fromLatin1(kRootName);
}

} // namespace

TItemsWin::TItemsWin(ScriptHost &host, QWidget *parent)
    : TToolWin(QStringLiteral("Дерево объектов"), QStringLiteral("TItemsWin"), QSize(501, 478),
               parent),
      m_host(host), m_defaultAsker(std::make_unique<MessageBoxAsker>()),
      m_asker(m_defaultAsker.get())
{
    m_items = new TItemsTree;
    m_items->SetHandler(this);
    m_items->setItemDelegate(new MarkDelegate(m_marks, m_items));
    m_search = new QLineEdit;
    m_search->setObjectName(QStringLiteral("Search"));
    m_search->setAccessibleName(QStringLiteral("Search"));
    m_search->setPlaceholderText(QStringLiteral("Поиск"));
    SetClient(new ItemsLayout(m_items, m_search));
    setFocusProxy(m_items);

    connect(m_items, &QTreeWidget::itemSelectionChanged, this, &TItemsWin::ItemsChange);
    connect(m_items, &TItemsTree::TreeClicked, this, &TItemsWin::ItemsClick);
    connect(m_items, &TItemsTree::NodePressed, this, &TItemsWin::ItemsMouseDown);
    connect(m_search, &QLineEdit::textChanged, this, &TItemsWin::SearchChange);

    m_editor = new ItemsEditor(*this, host);
    m_drops = std::make_unique<ItemsDropHandler>(*this, host);
}

TItemsWin::~TItemsWin()
{
    // The view and the search box outlive this part of the object: nothing they do as they go
    // (a last edit committed, the selection cleared) may reach the members gone by then.
    m_items->SetHandler(nullptr);
    m_items->disconnect(this);
    m_search->disconnect(this);
}

void TItemsWin::SetAsker(Asker *asker)
{
    m_asker = asker ? asker : m_defaultAsker.get();
}

QMenu *TItemsWin::PopupMenu1() const
{
    return m_editor->PopupMenu1();
}

void TItemsWin::MarksChanged()
{
    m_editor->MarksChanged();
}

bool TItemsWin::CanEditLabel(const QTreeWidgetItem *node) const
{
    return m_editor->CanEditLabel(node);
}

void TItemsWin::LabelEdited(QTreeWidgetItem *node, const QString &text)
{
    m_editor->LabelEdited(node, text);
}

bool TItemsWin::ItemsDragOver(const QString &source, QTreeWidgetItem *target,
                              Qt::KeyboardModifiers keys)
{
    return m_drops->ItemsDragOver(source, target, keys);
}

void TItemsWin::ItemsDragDrop(const QString &source, QTreeWidgetItem *target)
{
    m_drops->ItemsDragDrop(source, target);
}

int TItemsWin::DropMode() const
{
    return m_drops->DropMode();
}

void TItemsWin::UpdateItems(const QString &name)
{
    // A check that itself asks for a rebuild is answered by the rebuild that follows it.
    if (m_checking)
        return;
    // Every node goes; an editor left open on one would commit onto a node that no longer is.
    m_items->CancelLabelEdit();
    m_checking = true;
    m_host.RunEchoed(QStringLiteral("world:check()"));
    m_checking = false;

    const QSet<QString> expanded = ExpandedNames();
    QString shown = name;
    {
        // The rebuild selects by itself; only the calls below show the object.
        const QSignalBlocker quiet(m_items);
        m_items->clear();
        const WorldNode world = WorldWalk(m_host.State()).Read(RootName());
        QList<QTreeWidgetItem *> toExpand;
        QTreeWidgetItem *root = MakeNodes(world, expanded, &toExpand);
        m_items->addTopLevelItem(root);
        for (QTreeWidgetItem *node : toExpand)
            node->setExpanded(true);
        QTreeWidgetItem *selected = FindObjectNode(root, name);
        if (!selected) {
            selected = root;
            shown = RootName();
        }
        SelectNode(selected);
    }
    if (m_view) {
        m_view->ShowObjectProperties(shown);
        m_view->ShowProperty(shown, QStringLiteral("Данные"));
    }
    m_marks.Reset(shown);
    MarksChanged();
    m_items->viewport()->update();
}

QSet<QString> TItemsWin::ExpandedNames() const
{
    QSet<QString> names;
    std::vector<QTreeWidgetItem *> pending;
    for (int i = m_items->topLevelItemCount() - 1; i >= 0; --i)
        pending.push_back(m_items->topLevelItem(i));
    while (!pending.empty()) {
        QTreeWidgetItem *node = pending.back();
        pending.pop_back();
        // A node without children shows nothing either way, and will not have any once rebuilt
        // unless its object gains some, which then start closed.
        if (node->childCount() == 0)
            continue;
        if (node->isExpanded())
            names.insert(node->text(0));
        for (int i = node->childCount() - 1; i >= 0; --i)
            pending.push_back(node->child(i));
    }
    return names;
}

// Builds the nodes apart from the view, so that the view takes them all in one insertion.
QTreeWidgetItem *TItemsWin::MakeNodes(const WorldNode &node, const QSet<QString> &expanded,
                                      QList<QTreeWidgetItem *> *toExpand) const
{
    auto *item =
        new ObjectNode(node.text, node.reference ? ItemImages::Reference : ItemImages::Owned);
    if (!node.children.empty()) {
        QList<QTreeWidgetItem *> children;
        children.reserve(qsizetype(node.children.size()));
        for (const WorldNode &child : node.children)
            children.append(MakeNodes(child, expanded, toExpand));
        item->addChildren(children);
        if (expanded.contains(node.text))
            toExpand->append(item);
    }
    return item;
}

QTreeWidgetItem *TItemsWin::FindObjectNode(QTreeWidgetItem *start, const QString &name) const
{
    if (!start)
        return nullptr;
    if (start->text(0) == name)
        return start;
    std::vector<QTreeWidgetItem *> pending;
    for (int i = start->childCount() - 1; i >= 0; --i)
        pending.push_back(start->child(i));
    while (!pending.empty()) {
        QTreeWidgetItem *node = pending.back();
        pending.pop_back();
        if (node->text(0) == name) {
            if (ObjectNode::ImageOf(node) == ItemImages::Owned)
                return node;
            continue;
        }
        for (int i = node->childCount() - 1; i >= 0; --i)
            pending.push_back(node->child(i));
    }
    return nullptr;
}

void TItemsWin::SelectNode(QTreeWidgetItem *node)
{
    if (!node)
        return;
    for (QTreeWidgetItem *up = node->parent(); up; up = up->parent())
        up->setExpanded(true);
    m_items->scrollToItem(node);
    // Last, since the selection shows the object, which may rebuild the tree.
    m_items->setCurrentItem(node);
}

void TItemsWin::SelectNodeQuietly(QTreeWidgetItem *node)
{
    const QSignalBlocker quiet(m_items);
    SelectNode(node);
}

void TItemsWin::SetCurrentQuietly(QTreeWidgetItem *node)
{
    const QSignalBlocker quiet(m_items);
    m_items->setCurrentItem(node);
}

QTreeWidgetItem *TItemsWin::SelectedNode() const
{
    const QList<QTreeWidgetItem *> selected = m_items->selectedItems();
    return selected.isEmpty() ? nullptr : selected.first();
}

QTreeWidgetItem *TItemsWin::Root() const
{
    return m_items->topLevelItem(0);
}

QString TItemsWin::SelectedUid() const
{
    const QTreeWidgetItem *node = SelectedNode();
    return node ? node->text(0) : QString();
}

QString TItemsWin::SelectedParentUid() const
{
    const QTreeWidgetItem *node = SelectedNode();
    return node && node->parent() ? node->parent()->text(0) : QString();
}

void TItemsWin::WriteSearch(const QString &uid)
{
    if (m_search->text() == uid)
        return;
    const QSignalBlocker quiet(m_search);
    m_search->setText(uid);
}

void TItemsWin::DragOntoTree(QWidget *source, QMimeData *data)
{
    ObjectDrag::Exec(source, data);
}

void TItemsWin::UpdateItemsFromScript()
{
    UpdateItems(SelectedUid());
}

void TItemsWin::showEvent(QShowEvent *event)
{
    TToolWin::showEvent(event);
    // Restoring a minimised window is not a new showing.
    if (!event->spontaneous())
        UpdateItems(QStringLiteral("player"));
}

void TItemsWin::ItemsChange()
{
    if (const QTreeWidgetItem *node = SelectedNode()) {
        if (m_view)
            m_view->ShowObject(node->text(0));
    }
}

void TItemsWin::ItemsClick()
{
    ItemsChange();
}

void TItemsWin::ItemsMouseDown(QTreeWidgetItem *node, Qt::KeyboardModifiers modifiers)
{
    if (!node)
        return;
    // Showing the object may run Lua that rebuilds the tree, so the node is not used after this.
    const QString name = node->text(0);
    SelectNode(node);
    const NameMarks::PressResult result =
        m_marks.Press(name, modifiers.testFlag(Qt::ControlModifier));
    if (!result.select.isEmpty()) {
        // When the name left last stands on no owned node, the pressed node stays selected.
        if (QTreeWidgetItem *owned = FindObjectNode(Root(), result.select))
            SelectNode(owned);
    }
    if (result.repaint)
        m_items->viewport()->update();
    MarksChanged();
}

void TItemsWin::SearchChange(const QString &text)
{
    QTreeWidgetItem *node = FindObjectNode(Root(), text);
    if (!node)
        return;
    SelectNode(node);
    if (m_view)
        m_view->ShowObjectProperties(text);
}
