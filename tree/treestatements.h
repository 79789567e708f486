#pragma once

#include <QString>

// The Lua text the object tree runs when the author shapes the world from it. Plain text in, plain
// text out: every name is an object's uid as it stands on a node, put in as it is.
namespace TreeStatements {

// owner:create ("name", "") : a new object with an empty display name.
QString Create(const QString &owner, const QString &name);
// S:remove(); S= nil : an owned object, its subtree and its global go.
QString DeleteOwned(const QString &object);
// P:remove(S) : the reference to S that P lists goes.
QString DeleteReference(const QString &holder, const QString &object);
// T, O = O; T.uid = "T" : the object moves from the global O to the global T.
QString Rename(const QString &newName, const QString &oldName);
// C:moveto (P)
QString MoveTo(const QString &object, const QString &owner);
// P:remove (S) : a reference dragged away from P (with a blank, unlike the delete command).
QString RemoveReference(const QString &holder, const QString &object);
// T:add (S)
QString AddReference(const QString &holder, const QString &object);
// T:clone (S, 'NAME')
QString Clone(const QString &owner, const QString &object, const QString &name);
// The source text of one property copied from S to T, ide_data made first where T lacks it:
// two lines, run as one chunk.
QString CopySource(const QString &target, const QString &field, const QString &source);
// T.data = clone (S.data)
QString CopyData(const QString &target, const QString &source);
// What compiles copied and pasted source texts into the live objects.
QString PostLoad();
// The refresh command.
QString Refresh();

// A copied subtree made to land under receiver: everything before the first ":" goes (the name of
// the object the copy was owned by) and receiver takes its place; a text without ":" gets the
// receiver put in front of it whole.
QString PastePrefixed(const QString &clipboard, const QString &receiver);
// The chunk that runs pasted text, then compiles its sources and rebuilds the tree:
// loadstring [[TEXT]] (); dofile 'postload.lua'; update_items(). The text is quoted so that it
// reaches loadstring as copied, a "]]" inside it included.
QString PasteChunk(const QString &text);

} // namespace TreeStatements
