#include "script/worldwalk.h"

#include "script/codepage.h"
#include "script/luaapi.h"

#include <QSet>

namespace {

// Stack slots the walk needs at most: three keys, then the object, its items, the traversal key,
// the entry, its uid, its parent and the parent's uid.
constexpr int kStackRoom = 10;

} // namespace

WorldNode WorldWalk::Read(const QString &root)
{
    WorldNode top;
    top.text = root;
    lua_State *L = m_state;
    const int height = lua_gettop(L);
    if (!lua_checkstack(L, kStackRoom))
        return top;
    lua_pushliteral(L, "uid");
    m_uidKey = lua_gettop(L);
    lua_pushliteral(L, "parent");
    m_parentKey = lua_gettop(L);
    lua_pushliteral(L, "items");
    m_itemsKey = lua_gettop(L);

    // Depth first without recursion, so no depth of the world can exhaust either stack. Reading an
    // object's entries before descending into any of them gives the same tree as descending at
    // each entry, since reading changes nothing.
    struct Frame
    {
        WorldNode *node;
        QByteArray name;
        std::vector<QByteArray> names;
        size_t next;
    };
    std::vector<Frame> path;
    QSet<QByteArray> onPath;
    const QByteArray rootName = CodePage::ToLua(root);
    path.push_back({&top, rootName, {}, 0});
    onPath.insert(rootName);
    AddItemNodes(top, rootName, path.back().names);
    while (!path.empty()) {
        Frame &frame = path.back();
        const size_t count = frame.node->children.size();
        while (frame.next < count && frame.node->children[frame.next].reference)
            ++frame.next;
        if (frame.next == count) {
            onPath.remove(frame.name);
            path.pop_back();
            continue;
        }
        WorldNode &child = frame.node->children[frame.next];
        const QByteArray name = frame.names[frame.next];
        ++frame.next;
        if (onPath.contains(name)) {
            child.reference = true;
            continue;
        }
        onPath.insert(name);
        path.push_back({&child, name, {}, 0});
        AddItemNodes(child, name, path.back().names);
    }
    lua_settop(L, height);
    return top;
}

void WorldWalk::AddItemNodes(WorldNode &node, const QByteArray &name,
                             std::vector<QByteArray> &names)
{
    lua_State *L = m_state;
    const int base = lua_gettop(L);
    const int object = base + 1;
    const int items = base + 2;
    const int entry = base + 4;
    lua_pushlstring(L, name.constData(), size_t(name.size()));
    lua_rawget(L, LUA_GLOBALSINDEX);
    if (lua_type(L, object) != LUA_TTABLE) {
        lua_settop(L, base);
        return;
    }
    lua_pushvalue(L, m_itemsKey);
    lua_rawget(L, object);
    if (lua_type(L, items) != LUA_TTABLE) {
        lua_settop(L, base);
        return;
    }
    lua_pushnil(L);
    while (lua_next(L, items) != 0) {
        QByteArray label;
        bool owned = false;
        const int type = lua_type(L, entry);
        if (type == LUA_TTABLE) {
            lua_pushvalue(L, m_uidKey);
            lua_rawget(L, entry);
            label = TextAt(entry + 1);
            lua_pushvalue(L, m_parentKey);
            lua_rawget(L, entry);
            const int parent = entry + 2;
            const int parentType = lua_type(L, parent);
            if (parentType == LUA_TTABLE) {
                lua_pushvalue(L, m_uidKey);
                lua_rawget(L, parent);
                const int uidType = lua_type(L, parent + 1);
                if (uidType == LUA_TSTRING || uidType == LUA_TNUMBER)
                    owned = TextAt(parent + 1) == name;
            }
            // Each entry is judged by its own parent alone: one without a parent is a reference,
            // whatever the entry before it was.
        } else if (type == LUA_TSTRING || type == LUA_TNUMBER) {
            label = TextAt(entry);
        } else {
            label = lua_typename(L, type);
        }
        WorldNode child;
        child.text = CodePage::FromLua(label);
        child.reference = !owned;
        node.children.push_back(std::move(child));
        names.push_back(owned ? label : QByteArray());
        lua_settop(L, base + 3);
    }
    lua_settop(L, base);
}

// A string or number at index as its bytes (a number as Lua writes it); anything else as empty.
QByteArray WorldWalk::TextAt(int index) const
{
    const int type = lua_type(m_state, index);
    if (type != LUA_TSTRING && type != LUA_TNUMBER)
        return QByteArray();
    size_t length = 0;
    const char *text = lua_tolstring(m_state, index, &length);
    return QByteArray(text, qsizetype(length));
}
