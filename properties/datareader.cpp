#include "properties/datareader.h"

#include "script/codepage.h"
#include "script/luaapi.h"

#include <QRegularExpression>

namespace DataReader {

using DataNode::Kind;
using DataNode::Value;

namespace {

// The object, its data, the list of tables still to read, the tables seen, the table being read
// with its key and value, and room for one lookup.
constexpr int kStackRoom = 10;

Kind KindAt(lua_State *L, int index)
{
    switch (lua_type(L, index)) {
    case LUA_TBOOLEAN: return Kind::Boolean;
    case LUA_TNUMBER: return Kind::Number;
    case LUA_TSTRING: return Kind::String;
    case LUA_TTABLE: return Kind::Table;
    case LUA_TFUNCTION: return Kind::Function;
    case LUA_TUSERDATA:
    case LUA_TLIGHTUSERDATA: return Kind::Userdata;
    case LUA_TTHREAD: return Kind::Thread;
    default: return Kind::Nil;
    }
}

Value ValueAt(lua_State *L, int index)
{
    Value value;
    value.kind = KindAt(L, index);
    if (value.kind == Kind::Boolean) {
        value.boolean = lua_toboolean(L, index) != 0;
    } else if (value.kind == Kind::Number) {
        value.number = double(lua_tonumber(L, index));
    } else if (value.kind == Kind::String) {
        size_t length = 0;
        const char *bytes = lua_tolstring(L, index, &length);
        value.bytes = QByteArray(bytes, qsizetype(length));
    }
    return value;
}

void PushValue(lua_State *L, const Value &value)
{
    switch (value.kind) {
    case Kind::Boolean: lua_pushboolean(L, value.boolean); break;
    case Kind::Number: lua_pushnumber(L, lua_Number(value.number)); break;
    case Kind::String: lua_pushlstring(L, value.bytes.constData(), size_t(value.bytes.size())); break;
    default: lua_pushnil(L); break;
    }
}

// Pushes uid.data (or nil when the global is not a table).
void PushData(lua_State *L, const QString &uid)
{
    const QByteArray name = CodePage::ToLua(uid);
    lua_pushlstring(L, name.constData(), size_t(name.size()));
    lua_rawget(L, LUA_GLOBALSINDEX);
    if (!lua_istable(L, -1)) {
        lua_pop(L, 1);
        lua_pushnil(L);
        return;
    }
    lua_pushliteral(L, "data");
    lua_rawget(L, -2);
    lua_remove(L, -2);
}

} // namespace

DataNode::Tree Read(lua_State *L, const QString &uid)
{
    DataNode::Tree tree;
    const int height = lua_gettop(L);
    if (!lua_checkstack(L, kStackRoom))
        return tree;
    PushData(L, uid);
    const int data = lua_gettop(L);
    if (!lua_istable(L, data)) {
        lua_settop(L, height);
        return tree;
    }
    tree.dataIsTable = true;
    // Tables wait in a Lua list (pending[i] is read for owners[i - 1]) rather than on the stack,
    // and seen maps each table read to the node that shows it.
    lua_newtable(L);
    const int pending = lua_gettop(L);
    lua_newtable(L);
    const int seen = lua_gettop(L);
    lua_pushvalue(L, data);
    lua_pushinteger(L, -2);
    lua_rawset(L, seen);
    lua_pushvalue(L, data);
    lua_rawseti(L, pending, 1);
    std::vector<int> owners{-1};

    for (size_t next = 0; next < owners.size(); ++next) {
        const int owner = owners[next];
        lua_rawgeti(L, pending, int(next + 1));
        const int table = lua_gettop(L);
        lua_pushnil(L);
        while (lua_next(L, table) != 0) {
            DataNode::Node node;
            node.parent = owner;
            node.key = ValueAt(L, table + 1);
            node.value = ValueAt(L, table + 2);
            const int index = int(tree.nodes.size());
            if (node.value.kind == Kind::Table) {
                lua_pushvalue(L, table + 2);
                lua_rawget(L, seen);
                if (lua_isnil(L, -1)) {
                    lua_pushvalue(L, table + 2);
                    lua_pushinteger(L, index);
                    lua_rawset(L, seen);
                    lua_pushvalue(L, table + 2);
                    lua_rawseti(L, pending, int(owners.size() + 1));
                    owners.push_back(index);
                } else {
                    node.sameAs = int(lua_tointeger(L, -1));
                }
            }
            (owner < 0 ? tree.top : tree.nodes[size_t(owner)].children).push_back(index);
            tree.nodes.push_back(std::move(node));
            lua_settop(L, table + 1);
        }
        lua_settop(L, table - 1);
        // A table is needed only while it is read.
        lua_pushnil(L);
        lua_rawseti(L, pending, int(next + 1));
    }
    lua_settop(L, height);
    return tree;
}

Value ReadValue(lua_State *L, const QString &uid, const std::vector<Value> &keys)
{
    const int height = lua_gettop(L);
    if (!lua_checkstack(L, kStackRoom))
        return Value();
    PushData(L, uid);
    for (const Value &key : keys) {
        if (!lua_istable(L, -1) || key.kind == Kind::Nil) {
            lua_settop(L, height);
            return Value();
        }
        PushValue(L, key);
        lua_rawget(L, -2);
        lua_remove(L, -2);
    }
    const Value value = ValueAt(L, -1);
    lua_settop(L, height);
    return value;
}

QString ExpressionError(lua_State *L, const QString &text)
{
    const QByteArray chunk = "return " + CodePage::ToLua(text);
    const int height = lua_gettop(L);
    const int status = luaL_loadbuffer(L, chunk.constData(), size_t(chunk.size()), "=?");
    QString message;
    if (status != 0) {
        size_t length = 0;
        const char *bytes = lua_tolstring(L, -1, &length);
        message = CodePage::FromLua(bytes, qsizetype(length));
        // The chunk's own name and line say nothing to the author.
        static const QRegularExpression where(QStringLiteral("^\\?:\\d+: "));
        message.remove(where);
        if (message.isEmpty())
            message = QStringLiteral("?");
    }
    lua_settop(L, height);
    return message;
}

} // namespace DataReader
