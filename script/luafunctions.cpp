#include "script/luafunctions.h"

#include "script/codepage.h"
#include "script/luaapi.h"
#include "script/scripthost.h"

#include <cmath>
#include <limits>

namespace {

// A string or a number reads as its text; anything else as empty text.
QString TextArg(lua_State *state, int index)
{
    const int type = lua_type(state, index);
    if (type != LUA_TSTRING && type != LUA_TNUMBER)
        return QString();
    size_t length = 0;
    const char *text = lua_tolstring(state, index, &length);
    return CodePage::FromLua(text, qsizetype(length));
}

// A number truncated toward zero; anything else reads as 0. A number beyond the range of int
// reads as the nearest end of it, and not-a-number as 0.
int IntArg(lua_State *state, int index)
{
    if (lua_type(state, index) != LUA_TNUMBER)
        return 0;
    const double value = std::trunc(double(lua_tonumber(state, index)));
    if (value >= double(std::numeric_limits<int>::max()))
        return std::numeric_limits<int>::max();
    if (value <= double(std::numeric_limits<int>::min()))
        return std::numeric_limits<int>::min();
    return value == value ? int(value) : 0;
}

void WriteLine(lua_State *state, const QString &text, int kind)
{
    if (ConsoleSink *console = HostOf(state)->Console())
        console->ConsolePrint(text, kind);
}

// Every value followed by a tab, the last one included, as one Normal line.
int Print(lua_State *state)
{
    const int count = lua_gettop(state);
    QByteArray line;
    for (int i = 1; i <= count; ++i) {
        switch (lua_type(state, i)) {
        case LUA_TBOOLEAN:
            line += lua_toboolean(state, i) ? "true" : "false";
            break;
        case LUA_TNUMBER:
        case LUA_TSTRING: {
            size_t length = 0;
            const char *text = lua_tolstring(state, i, &length);
            line.append(text, qsizetype(length));
            break;
        }
        default:
            line += lua_typename(state, lua_type(state, i));
            break;
        }
        line += '\t';
    }
    WriteLine(state, HostOf(state)->ShownText(line), ConsoleKind::Normal);
    return 0;
}

int ErrorPrint(lua_State *state)
{
    QByteArray message;
    const int type = lua_type(state, 1);
    if (type == LUA_TSTRING || type == LUA_TNUMBER) {
        size_t length = 0;
        const char *text = lua_tolstring(state, 1, &length);
        message = QByteArray(text, qsizetype(length));
    }
    WriteLine(state, HostOf(state)->ShownText(message), ConsoleKind::Error);
    return 0;
}

int UpdateItems(lua_State *state)
{
    if (ItemsRefresher *items = HostOf(state)->Items())
        items->UpdateItemsFromScript();
    return 0;
}

MapCanvas *Map(lua_State *state)
{
    return HostOf(state)->Map();
}

int MapDrawLine(lua_State *state)
{
    if (MapCanvas *map = Map(state))
        map->DrawLine(TextArg(state, 1), TextArg(state, 2));
    return 0;
}

int ClearPagesList(lua_State *state)
{
    if (MapCanvas *map = Map(state))
        map->ClearPagesList();
    return 0;
}

int AddMapPage(lua_State *state)
{
    if (MapCanvas *map = Map(state))
        map->AddMapPage(TextArg(state, 1));
    return 0;
}

int WritePageName(lua_State *state)
{
    if (MapCanvas *map = Map(state))
        map->WritePageName(TextArg(state, 1));
    return 0;
}

int ClearPageItems(lua_State *state)
{
    if (MapCanvas *map = Map(state))
        map->ClearPageItems();
    return 0;
}

int PageItemsCount(lua_State *state)
{
    MapCanvas *map = Map(state);
    lua_pushnumber(state, lua_Number(map ? map->PageItemsCount() : 0));
    return 1;
}

int GetPageItem(lua_State *state)
{
    MapCanvas *map = Map(state);
    QString caption;
    int x = 0;
    int y = 0;
    if (!map || !map->PageItem(IntArg(state, 1), &caption, &x, &y))
        return 0;
    const QByteArray bytes = CodePage::ToLua(caption);
    lua_pushlstring(state, bytes.constData(), size_t(bytes.size()));
    lua_pushnumber(state, lua_Number(x));
    lua_pushnumber(state, lua_Number(y));
    return 3;
}

int AddPageItem(lua_State *state)
{
    if (MapCanvas *map = Map(state))
        map->AddPageItem(TextArg(state, 1), IntArg(state, 2), IntArg(state, 3));
    return 0;
}

} // namespace

const std::vector<LuaFunction> &ExportedFunctions()
{
    static const std::vector<LuaFunction> functions = {
        {"print", Print},
        {"error_print", ErrorPrint},
        {"update_items", UpdateItems},
        {"mapdrawline", MapDrawLine},
        {"clearpageslist", ClearPagesList},
        {"addmappage", AddMapPage},
        {"writepagename", WritePageName},
        {"clearpageitems", ClearPageItems},
        {"pageitemscount", PageItemsCount},
        {"getpageitem", GetPageItem},
        {"addpageitem", AddPageItem},
    };
    return functions;
}
