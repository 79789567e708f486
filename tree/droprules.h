#pragma once

#include <QList>
#include <QString>

// What a drag over the object tree may do, and what a drop runs. The facts come from the tree;
// the rules here decide, so they can be tested without a drag.
namespace DropRules {

// The drop mode: kept from one drag-over event to the next and from one drag to the next.
enum Mode : int { Move = 0, Clone = 1, Reference = 2 };

enum class Source { Items, PropNames, Other };

// Where a drag stands. S is the selected node (the dragged object, or the object whose properties
// are listed), T the node under the pointer.
struct DragFacts
{
    Source source = Source::Other;
    bool hasTarget = false;
    QString target;
    QString selected;
    bool selectedIsReference = false;
    bool targetIsReference = false;
    // An owned node in S's subtree, or S's node itself, bears T's name.
    bool targetInSelectedSubtree = false;
    // T is the node S hangs under.
    bool targetIsSelectedParent = false;
    // One of T's children bears S's name.
    bool targetHasChildNamedSelected = false;
};

// Whether the drag may drop here while mode is in force. Refused: any source but the tree and the
// property list; no node under the pointer; T bearing S's name; the root dragged; moving or
// referencing an object into its own subtree (cloning it there is allowed); any reference node
// as T; a reference added where S already hangs, or (dragging a node) where S is already
// listed; a reference node moved onto an object that already lists S.
bool Accepts(const DragFacts &facts, int mode);

// The mode the keys held now give: Ctrl clones, Alt adds a reference (Alt wins), none moves.
int ModeOfKeys(bool ctrl, bool alt);

struct Statement
{
    QString text;
    bool echoed;
};

// What a node drop does to the tree once its statements have run.
enum class NodeChange {
    None,
    MoveNode,        // the dragged node moves, with its subtree, to be T's last child
    AppendOwned,     // a new owned node is appended to T (the clone, named by the last argument)
    AppendReference, // a reference node bearing S is appended to T
};

struct Plan
{
    QList<Statement> statements;
    NodeChange change = NodeChange::None;
};

// Dropping the node S (a reference node or not, hanging under P) on T in mode. A reference node
// is only ever moved. cloneName is the free name a clone gets.
Plan NodeDrop(int mode, bool selectedIsReference, const QString &selected, const QString &parent,
              const QString &target, const QString &cloneName);

// Dropping the property with caption from the list of S on T: its source text, or for the data
// caption the data table, is copied; nothing is echoed and the tree does not change.
Plan PropertyDrop(const QString &caption, const QString &selected, const QString &target);

} // namespace DropRules
