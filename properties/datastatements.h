#pragma once

#include "properties/datanode.h"

#include <QString>
#include <QStringList>

// The texts of the data tree and the Lua statements it runs. Plain text in, plain text out:
// nothing here touches the script state.
namespace DataStatements {

// What the value field shows for a value it cannot edit: "(таблица)", "(функция)", ...
QString TypeText(DataNode::Kind kind);

// A number, string or boolean as Lua text that reads back as the same value; empty for others.
// Numbers are written as Lua writes them (%.14g of the float); strings as 'text' when nothing in
// them needs escaping, otherwise between double quotes with escapes.
QString Literal(const DataNode::Value &value);
QString StringLiteral(const QString &text);
QString NumberLiteral(double number);

// How a path addresses a key: ".name" for a string that is a Lua name, ["text"] (escaped) for any
// other string, [2] or [2.5] for a number, [true] for a boolean. Empty for a key no Lua text can
// name (a table, function, userdata or thread), so such an entry cannot be written.
QString KeyPart(const DataNode::Value &key);
// How the tree shows a key: its key part, or its type in brackets when it has none.
QString KeyText(const DataNode::Value &key);
// What follows the key in a node's text: " = " and the value's literal or type; nothing for a
// table.
QString ValueSuffix(const DataNode::Value &value);
// What follows the key of a table shown elsewhere already: where it is shown.
QString SameAsSuffix(const QString &shownAt);
// Whether the key is a whole number: the index table.remove takes.
bool IsIndex(const DataNode::Value &key);

// uid.data followed by the key parts, e.g. hall.data.list[2].x
QString Path(const QString &uid, const QStringList &keyParts);

// path = text : the text goes in as the author typed it.
QString SetStatement(const QString &path, const QString &text);
QString DeleteStatement(const QString &path);
// table.remove (table, index)
QString RemoveStatement(const QString &tablePath, const QString &index);
// A named field when the answer starts with a name or a bracketed key followed by "=" (target.x
// = 5, target[1] = 5); otherwise the answer is appended with table.insert(target, answer), so an
// "=" inside a value ({a = 1}, 'a=b') appends it rather than breaking the statement.
QString AddStatement(const QString &target, const QString &answer);

} // namespace DataStatements
