#include "tree/itemsdrophandler.h"

#include "properties/propertystatements.h"
#include "script/luanames.h"
#include "script/scripthost.h"
#include "tree/itemimages.h"
#include "tree/itemstree.h"
#include "tree/itemswin.h"
#include "tree/objectdrag.h"
#include "tree/objectnode.h"
#include "widgets/windowlinks.h"

#include <QSet>
#include <QSignalBlocker>
#include <QTreeWidgetItem>

#include <vector>

namespace {

bool IsReference(const QTreeWidgetItem *node)
{
    return ObjectNode::ImageOf(node) == ItemImages::Reference;
}

} // namespace

ItemsDropHandler::ItemsDropHandler(TItemsWin &win, ScriptHost &host)
    : m_win(win), m_host(host), m_dragCursor(ObjectDrag::CursorOfMode(DropRules::Move))
{
}

DropRules::Source ItemsDropHandler::SourceOf(const QString &source)
{
    if (source == QLatin1String("Items"))
        return DropRules::Source::Items;
    if (source == QLatin1String("PropNames"))
        return DropRules::Source::PropNames;
    return DropRules::Source::Other;
}

DropRules::DragFacts ItemsDropHandler::Facts(DropRules::Source source,
                                             const QTreeWidgetItem *dragged,
                                             const QTreeWidgetItem *target) const
{
    DropRules::DragFacts facts;
    facts.source = source;
    facts.hasTarget = target != nullptr;
    if (!dragged) {
        // Nothing selected: nothing to drag and no object whose properties are listed.
        facts.source = DropRules::Source::Other;
        return facts;
    }
    facts.selected = dragged->text(0);
    facts.selectedIsReference = IsReference(dragged);
    if (!target)
        return facts;
    facts.target = target->text(0);
    facts.targetIsReference = IsReference(target);
    facts.targetInSelectedSubtree =
        m_win.FindObjectNode(const_cast<QTreeWidgetItem *>(dragged), facts.target) != nullptr;
    facts.targetIsSelectedParent = dragged->parent() == target;
    for (int i = 0; i < target->childCount(); ++i) {
        if (target->child(i)->text(0) == facts.selected) {
            facts.targetHasChildNamedSelected = true;
            break;
        }
    }
    return facts;
}

bool ItemsDropHandler::ItemsDragOver(const QString &source, QTreeWidgetItem *target,
                                     Qt::KeyboardModifiers keys)
{
    const DropRules::DragFacts facts = Facts(SourceOf(source), m_win.SelectedNode(), target);
    if (!DropRules::Accepts(facts, m_dropMode))
        return false;
    m_dropMode = DropRules::ModeOfKeys(keys.testFlag(Qt::ControlModifier),
                                       keys.testFlag(Qt::AltModifier));
    m_dragCursor = ObjectDrag::CursorOfMode(m_dropMode);
    return true;
}

void ItemsDropHandler::ItemsDragDrop(const QString &source, QTreeWidgetItem *target)
{
    if (!target)
        return;
    m_dropTarget = target->text(0);
    QTreeWidgetItem *selected = m_win.SelectedNode();
    const DropRules::Source kind = SourceOf(source);
    if (!selected || kind == DropRules::Source::Other)
        return;
    // The drop does nothing the drag over this node would have refused.
    if (!DropRules::Accepts(Facts(kind, selected, target), m_dropMode))
        return;
    // A reference can only be moved, and the properties listed through one are not copied
    // other than by a plain drag either.
    if (IsReference(selected) && m_dropMode != DropRules::Move)
        return;
    TreeWorkbench *workbench = m_win.Workbench();
    const QString caption = kind == DropRules::Source::PropNames && workbench
                                ? workbench->SelectedPropertyCaption()
                                : QString();
    if (m_win.SelectedNames().size() >= 2) {
        GroupDrop(kind, caption, target);
        return;
    }
    if (kind == DropRules::Source::PropNames) {
        DropProperty(caption, selected->text(0), target);
        return;
    }
    const QString name = selected->text(0);
    if (DropNode(selected, target))
        m_win.UpdateItems(name);
    else
        m_win.SelectNodeQuietly(m_win.SelectedNode());
}

bool ItemsDropHandler::DropNode(QTreeWidgetItem *dragged, QTreeWidgetItem *target)
{
    const QString name = dragged->text(0);
    const QString parent = dragged->parent() ? dragged->parent()->text(0) : QString();
    const bool reference = IsReference(dragged);
    QString cloneName;
    if (m_dropMode == DropRules::Clone && !reference) {
        cloneName = LuaNames::FreeName(name, [this](const QString &candidate) {
            return m_host.EvalDefined(candidate);
        });
    }
    const DropRules::Plan plan = DropRules::NodeDrop(m_dropMode, reference, name, parent,
                                                     target->text(0), cloneName);
    const bool rebuild = m_dropMode == DropRules::Move && !reference
                         && m_host.EvalString(name + QStringLiteral(".parent.uid")) == parent;
    for (const DropRules::Statement &statement : plan.statements) {
        if (statement.echoed)
            m_host.RunEchoed(statement.text);
        else
            m_host.RunLua(statement.text);
    }
    const QSignalBlocker quiet(m_win.Items());
    switch (plan.change) {
    case DropRules::NodeChange::MoveNode:
        if (QTreeWidgetItem *from = dragged->parent()) {
            const bool selected = m_win.SelectedNode() == dragged;
            target->addChild(from->takeChild(from->indexOfChild(dragged)));
            // Taken out of the view, the node lost the selection; it is still the dragged one.
            if (selected)
                m_win.SetCurrentQuietly(dragged);
        }
        break;
    case DropRules::NodeChange::AppendOwned:
        target->addChild(new ObjectNode(cloneName, ItemImages::Owned));
        break;
    case DropRules::NodeChange::AppendReference:
        target->addChild(new ObjectNode(name, ItemImages::Reference));
        break;
    case DropRules::NodeChange::None:
        break;
    }
    return rebuild;
}

void ItemsDropHandler::DropProperty(const QString &caption, const QString &object,
                                    const QTreeWidgetItem *target)
{
    const DropRules::Plan plan = DropRules::PropertyDrop(caption, object, target->text(0));
    for (const DropRules::Statement &statement : plan.statements)
        m_host.RunLua(statement.text);
}

bool ItemsDropHandler::HasProperty(const QString &object, const QString &caption) const
{
    if (caption == PropertyStatements::DataCaption())
        return true;
    return m_host.EvalDefined(object + QStringLiteral(".ide_data.")
                              + PropertyStatements::KeyOfCaption(caption));
}

bool ItemsDropHandler::SubtreeHolds(const QTreeWidgetItem *node, const QSet<QString> &names)
{
    std::vector<const QTreeWidgetItem *> pending{node};
    while (!pending.empty()) {
        const QTreeWidgetItem *at = pending.back();
        pending.pop_back();
        if (names.contains(at->text(0)))
            return true;
        for (int i = 0; i < at->childCount(); ++i)
            pending.push_back(at->child(i));
    }
    return false;
}

void ItemsDropHandler::GroupDrop(DropRules::Source source, const QString &caption,
                                 QTreeWidgetItem *target)
{
    const QStringList marked = m_win.SelectedNames();
    QSet<QString> members(marked.cbegin(), marked.cend());
    m_win.Marks().Clear();
    // The tree is not rebuilt between members, so the target node stays what it was; a rebuild
    // the moves are owed is made once, after the last member.
    bool rebuild = false;
    QString last;
    QTreeWidgetItem *lastNode = nullptr;
    // Each marked name is dropped once, at the first node bearing it in depth-first order. The
    // walk goes on from where a member stood: the nodes before it bear no name still listed, and
    // no drop puts one there, but for a moved member whose subtree holds names still listed when
    // it lands before the walk's place; then the walk starts again from the root.
    QTreeWidgetItem *root = m_win.Root();
    bool again = root != nullptr;
    while (again && !members.isEmpty()) {
        again = false;
        members.remove(root->text(0));
        std::vector<std::pair<QTreeWidgetItem *, int>> path{{root, 0}};
        while (!path.empty() && !again) {
            auto &[parent, index] = path.back();
            if (index >= parent->childCount()) {
                path.pop_back();
                continue;
            }
            QTreeWidgetItem *node = parent->child(index);
            const QString name = node->text(0);
            // Each member passes the checks the drag made for the node it started from: none is
            // dropped on itself, nor moved or referenced into its own subtree.
            const bool dropped = members.remove(name)
                                 && !(IsReference(node) && m_dropMode != DropRules::Move)
                                 && DropRules::Accepts(Facts(source, node, target), m_dropMode);
            const bool moves = dropped && source == DropRules::Source::Items
                               && (IsReference(node) || m_dropMode == DropRules::Move);
            if (dropped) {
                if (source == DropRules::Source::Items) {
                    again = moves && SubtreeHolds(node, members);
                    rebuild = DropNode(node, target) || rebuild;
                } else if (HasProperty(name, caption)) {
                    // A member without the property gives nothing: copying its nil would erase
                    // the target's own.
                    DropProperty(caption, name, target);
                }
                last = name;
                lastNode = node;
            }
            if (moves)
                continue;
            ++index;
            if (node->childCount() > 0)
                path.emplace_back(node, 0);
        }
    }
    // The members are selected in turn as they are dropped, which only the last one shows: the
    // selection moves once, at the end, rather than laying the tree out for every member.
    if (rebuild) {
        m_win.UpdateItems(last);
    } else {
        if (lastNode)
            m_win.SelectNodeQuietly(lastNode);
        if (ObjectView *view = m_win.View())
            view->ShowObject(m_win.SelectedUid());
    }
    m_win.MarksChanged();
    m_win.Items()->viewport()->update();
}
