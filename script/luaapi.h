#pragma once

// The Lua C API, with C linkage whatever the headers themselves declare.
extern "C" {
#include <lauxlib.h>
#include <lua.h>
#include <lualib.h>
}
