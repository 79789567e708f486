#pragma once

#include <vector>

struct lua_State;

struct LuaFunction
{
    const char *name;
    int (*function)(lua_State *);
};

// The functions the program puts into Lua's globals, in the order they are registered.
const std::vector<LuaFunction> &ExportedFunctions();
