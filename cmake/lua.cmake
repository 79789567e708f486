# Builds Lua 5.1 from the Debian source that tools/bootstrap unpacks into third_party/, as a static
# library whose numbers are 32-bit floats and whose long strings nest. The sources are copied into the
# build tree so that every quoted include finds the rewritten luaconf.h, never the original.

file(GLOB lua_source_dirs "${PROJECT_SOURCE_DIR}/third_party/lua5.1-*/src")
list(LENGTH lua_source_dirs lua_source_count)
if(NOT lua_source_count EQUAL 1)
  message(FATAL_ERROR "Expected one Lua 5.1 source tree in third_party/ (found ${lua_source_count}); "
                      "run tools/bootstrap first")
endif()
list(GET lua_source_dirs 0 lua_src)
set(lua_build_src "${CMAKE_BINARY_DIR}/lua/src")

file(GLOB lua_files RELATIVE "${lua_src}" "${lua_src}/*.c" "${lua_src}/*.h")
# luaconf.h is written below, rewritten; copying the original over it first would change it at every
# configure, and everything that includes Lua would compile again.
list(REMOVE_ITEM lua_files luaconf.h)
foreach(f IN LISTS lua_files)
  configure_file("${lua_src}/${f}" "${lua_build_src}/${f}" COPYONLY)
endforeach()

# Each pair is an exact line of luaconf.h and its replacement; a missing line stops the build.
set(luaconf_rewrites
  "#define LUA_NUMBER_DOUBLE" "#undef LUA_NUMBER_DOUBLE"
  "#define LUA_NUMBER\tdouble" "#define LUA_NUMBER\tfloat"
  "#define LUAI_UACNUMBER\tdouble" "#define LUAI_UACNUMBER\tdouble"
  "#define LUA_NUMBER_SCAN\t\t\"%lf\"" "#define LUA_NUMBER_SCAN\t\t\"%f\""
  "#define LUA_NUMBER_FMT\t\t\"%.14g\"" "#define LUA_NUMBER_FMT\t\t\"%.14g\""
  "#define lua_str2number(s,p)\tstrtod((s), (p))" "#define lua_str2number(s,p)\tstrtof((s), (p))"
  "#define LUA_COMPAT_LSTR\t\t1" "#define LUA_COMPAT_LSTR\t\t2"
  "#undef LUA_COMPAT_GETN" "#define LUA_COMPAT_GETN"
  "#undef LUA_COMPAT_LOADLIB" "#define LUA_COMPAT_LOADLIB"
  "#define LUA_COMPAT_VARARG" "#define LUA_COMPAT_VARARG"
  "#define LUA_COMPAT_MOD" "#define LUA_COMPAT_MOD"
  "#define LUA_COMPAT_GFIND" "#define LUA_COMPAT_GFIND"
  "#define LUA_COMPAT_OPENLIB" "#define LUA_COMPAT_OPENLIB"
  # The package library, which alone reads these paths, is not opened; the header is Debian's own.
  "#include \"lua5.1-deb-multiarch.h\"" "#define DEB_HOST_MULTIARCH \"\""
)
file(READ "${lua_src}/luaconf.h" luaconf)
set(luaconf_lines "\n${luaconf}")
list(LENGTH luaconf_rewrites rewrite_count)
math(EXPR last "${rewrite_count} - 1")
foreach(i RANGE 0 ${last} 2)
  math(EXPR j "${i} + 1")
  list(GET luaconf_rewrites ${i} from)
  list(GET luaconf_rewrites ${j} to)
  string(FIND "${luaconf_lines}" "\n${from}\n" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "luaconf.h rewrite failed: the line '${from}' is not in ${lua_src}/luaconf.h")
  endif()
  string(REPLACE "\n${from}\n" "\n${to}\n" luaconf_lines "${luaconf_lines}")
endforeach()
string(SUBSTRING "${luaconf_lines}" 1 -1 luaconf)
file(WRITE "${lua_build_src}/luaconf.h.new" "${luaconf}")
configure_file("${lua_build_src}/luaconf.h.new" "${lua_build_src}/luaconf.h" COPYONLY)

set(lua_core_files lapi lcode ldebug ldo ldump lfunc lgc llex lmem lobject lopcodes lparser lstate
    lstring ltable ltm lundump lvm lzio lauxlib lbaselib ldblib liolib lmathlib loslib ltablib
    lstrlib loadlib linit)
list(TRANSFORM lua_core_files PREPEND "${lua_build_src}/")
list(TRANSFORM lua_core_files APPEND ".c")
set_source_files_properties(${lua_core_files} PROPERTIES LANGUAGE C)

add_library(lua51 STATIC ${lua_core_files})
set_target_properties(lua51 PROPERTIES AUTOMOC OFF AUTORCC OFF)
target_compile_definitions(lua51 PRIVATE LUA_USE_POSIX)
target_compile_options(lua51 PRIVATE -w)
target_include_directories(lua51 SYSTEM PUBLIC "${lua_build_src}")
target_link_libraries(lua51 PUBLIC m)
