#include "properties/propertyreader.h"

#include "script/codepage.h"
#include "script/luaapi.h"

#include <QByteArray>
#include <QList>

namespace PropertyReader {

namespace {

constexpr int kStackReserve = 50;

// What a protected read is asked and what it found, in the script's own bytes. The protected
// functions below keep no C++ object alive across a call that may raise a Lua error, because
// the error unwinds with longjmp past them.
struct Read
{
    QByteArray uid;
    QByteArray key;
    bool exists = false;
    QByteArray name;
    bool ideDataMissing = false;
    bool ideDataTable = false;
    QList<QByteArray> keys;
    bool hasValue = false;
    QByteArray text;
};

// Appends the string or number at `index` to `out` as bytes; false for any other value.
bool TextAt(lua_State *state, int index, QByteArray *out)
{
    const int type = lua_type(state, index);
    if (type != LUA_TSTRING && type != LUA_TNUMBER)
        return false;
    // A number converted in place would turn a traversal key into a string, so convert a copy.
    lua_pushvalue(state, index);
    size_t length = 0;
    const char *bytes = lua_tolstring(state, -1, &length);
    out->append(bytes, qsizetype(length));
    lua_pop(state, 1);
    return true;
}

// Pushes the global named by read->uid and, when it is a table, its ide_data above it; returns
// false (with the stack as it was) when the global is not a table.
bool PushObject(lua_State *state, Read *read)
{
    lua_pushlstring(state, read->uid.constData(), size_t(read->uid.size()));
    lua_gettable(state, LUA_GLOBALSINDEX);
    if (!lua_istable(state, -1)) {
        lua_pop(state, 1);
        return false;
    }
    read->exists = true;
    return true;
}

int ReadObjectProtected(lua_State *state)
{
    auto *read = static_cast<Read *>(lua_touserdata(state, 1));
    if (!PushObject(state, read))
        return 0;
    const int object = lua_gettop(state);
    lua_getfield(state, object, "name");
    TextAt(state, -1, &read->name);
    lua_pop(state, 1);
    lua_getfield(state, object, "ide_data");
    if (lua_isnil(state, -1)) {
        read->ideDataMissing = true;
        return 0;
    }
    if (!lua_istable(state, -1))
        return 0;
    read->ideDataTable = true;
    const int data = lua_gettop(state);
    lua_pushnil(state);
    while (lua_next(state, data) != 0) {
        lua_pop(state, 1);
        read->keys.append(QByteArray());
        TextAt(state, -1, &read->keys.last());
    }
    return 0;
}

int ReadSourceProtected(lua_State *state)
{
    auto *read = static_cast<Read *>(lua_touserdata(state, 1));
    if (!PushObject(state, read))
        return 0;
    lua_getfield(state, -1, "ide_data");
    if (!lua_istable(state, -1))
        return 0;
    lua_pushlstring(state, read->key.constData(), size_t(read->key.size()));
    lua_gettable(state, -2);
    read->hasValue = !lua_isnil(state, -1);
    TextAt(state, -1, &read->text);
    return 0;
}

// Runs `function` protected with `read`; on a Lua error the read is reset, so it reads as a
// global that does not exist.
void RunProtected(lua_State *state, lua_CFunction function, Read *read)
{
    lua_checkstack(state, kStackReserve);
    const int top = lua_gettop(state);
    if (lua_cpcall(state, function, read) != 0) {
        Read failed;
        failed.uid = read->uid;
        failed.key = read->key;
        *read = failed;
    }
    lua_settop(state, top);
}

} // namespace

ObjectListing ReadObject(lua_State *state, const QString &uid)
{
    Read read;
    read.uid = CodePage::ToLua(uid);
    RunProtected(state, &ReadObjectProtected, &read);
    ObjectListing listing;
    listing.exists = read.exists;
    listing.name = CodePage::FromLua(read.name);
    listing.ideDataMissing = read.ideDataMissing;
    listing.keys.reserve(read.keys.size());
    for (const QByteArray &key : read.keys)
        listing.keys.append(CodePage::FromLua(key));
    return listing;
}

Source ReadSource(lua_State *state, const QString &uid, const QString &key)
{
    Read read;
    read.uid = CodePage::ToLua(uid);
    read.key = CodePage::ToLua(key);
    RunProtected(state, &ReadSourceProtected, &read);
    return {read.exists, CodePage::FromLua(read.text)};
}

bool HasProperty(lua_State *state, const QString &uid, const QString &key)
{
    Read read;
    read.uid = CodePage::ToLua(uid);
    read.key = CodePage::ToLua(key);
    RunProtected(state, &ReadSourceProtected, &read);
    return read.hasValue;
}

} // namespace PropertyReader
