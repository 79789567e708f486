#pragma once

#include "properties/datanode.h"

#include <QString>

#include <vector>

struct lua_State;

// Reads an object's data table out of the script state through the Lua API alone: no Lua code
// runs, fields are read raw (metatables are not consulted), and the stack is left as it was
// found, its use not growing with the depth of the data.
namespace DataReader {

// Every entry of uid.data, nested tables included. A table met a second time (a table holding
// itself, or one reachable by two ways) is read once: later entries holding it are repeats that
// name the node showing it, so no data can be read for ever.
DataNode::Tree Read(lua_State *state, const QString &uid);

// The value at uid.data followed by the keys; kind Nil when a step on the way is missing or not
// a table.
DataNode::Value ReadValue(lua_State *state, const QString &uid,
                          const std::vector<DataNode::Value> &keys);

// Why "return " + text does not compile, in the message Lua gives; empty when the text is one
// Lua expression (or a list of them). Nothing runs.
QString ExpressionError(lua_State *state, const QString &text);

} // namespace DataReader
