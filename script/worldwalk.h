#pragma once

#include <QByteArray>
#include <QString>

#include <vector>

struct lua_State;

// One node of the ownership tree as read from the script state: the object's uid, whether it
// stands for a reference (a leaf listed under an object that does not own it), and the nodes
// below an owned node.
struct WorldNode
{
    QString text;
    bool reference = false;
    std::vector<WorldNode> children;
};

// Reads the ownership tree out of the script state through the Lua API alone: no Lua code runs,
// so the walk cannot fail and changes nothing. Fields are read raw (metatables are not consulted);
// the stack is left as it was found, and its use does not grow with the depth of the world.
class WorldWalk
{
public:
    explicit WorldWalk(lua_State *state) : m_state(state) {}

    // The tree below the global named root (whose node is owned whatever it holds). An entry of an
    // object's `items` is an owned node, with its own entries below it, when its parent's uid reads
    // as the text of the object it is listed under; every other entry is a reference leaf:
    //  - a table whose `parent` is nil, or not a table, or a table whose uid is neither a string
    //    nor a number;
    //  - a string or number (shown as its Lua text) or any other value (shown as its type name);
    //  - an owned entry whose name is already owned further up the same branch, which would
    //    otherwise repeat for ever.
    // The label of a table entry is its `uid` read as text: a number as Lua writes it, anything
    // else that is not a string as the empty text.
    WorldNode Read(const QString &root);

private:
    // Reads the entries of the object held in the global `name` into node.children, and for each
    // entry the name its global is found under into names (empty for references).
    void AddItemNodes(WorldNode &node, const QByteArray &name, std::vector<QByteArray> &names);
    QByteArray TextAt(int index) const;

    lua_State *m_state;
    int m_uidKey = 0;
    int m_parentKey = 0;
    int m_itemsKey = 0;
};
