#include "tree/droprules.h"

#include "properties/propertystatements.h"
#include "tree/treestatements.h"

namespace DropRules {

bool Accepts(const DragFacts &facts, int mode)
{
    if (facts.source == Source::Other)
        return false;
    // A drop beside the nodes does nothing, so the drag does not offer one there.
    if (!facts.hasTarget)
        return false;
    if (facts.target == facts.selected)
        return false;
    if (facts.source == Source::Items && facts.selected == QLatin1String("world"))
        return false;
    if (facts.source == Source::Items && mode != Clone && facts.targetInSelectedSubtree)
        return false;
    if (facts.targetIsReference)
        return false;
    if (mode == Reference && facts.targetIsSelectedParent)
        return false;
    // A second reference to an object T lists already would show twice in the tree while the
    // world lists it once. A property copied in this mode adds no reference.
    if (facts.source == Source::Items && mode == Reference && facts.targetHasChildNamedSelected)
        return false;
    if (mode == Move && facts.selectedIsReference && facts.targetHasChildNamedSelected)
        return false;
    return true;
}

int ModeOfKeys(bool ctrl, bool alt)
{
    if (alt)
        return Reference;
    return ctrl ? Clone : Move;
}

Plan NodeDrop(int mode, bool selectedIsReference, const QString &selected, const QString &parent,
              const QString &target, const QString &cloneName)
{
    Plan plan;
    if (selectedIsReference) {
        if (mode != Move)
            return plan;
        plan.statements = {{TreeStatements::RemoveReference(parent, selected), true},
                           {TreeStatements::AddReference(target, selected), true}};
        plan.change = NodeChange::MoveNode;
        return plan;
    }
    switch (mode) {
    case Move:
        plan.statements = {{TreeStatements::MoveTo(selected, target), true}};
        plan.change = NodeChange::MoveNode;
        break;
    case Clone:
        plan.statements = {{TreeStatements::Clone(target, selected, cloneName), true}};
        plan.change = NodeChange::AppendOwned;
        break;
    case Reference:
        plan.statements = {{TreeStatements::AddReference(target, selected), true}};
        plan.change = NodeChange::AppendReference;
        break;
    default:
        break;
    }
    return plan;
}

Plan PropertyDrop(const QString &caption, const QString &selected, const QString &target)
{
    Plan plan;
    if (caption.isEmpty())
        return plan;
    if (caption == PropertyStatements::DataCaption()) {
        plan.statements = {{TreeStatements::CopyData(target, selected), false}};
        return plan;
    }
    const QString field = PropertyStatements::KeyOfCaption(caption);
    plan.statements = {{TreeStatements::CopySource(target, field, selected), false},
                       {TreeStatements::PostLoad(), false}};
    return plan;
}

} // namespace DropRules
