#pragma once

#include <QString>

#include <functional>

// What makes a text usable as an object's uid, which is also the name of its Lua global.
namespace LuaNames {

// One of Lua's reserved words ("end", "nil", ...).
bool IsKeyword(const QString &text);

// A Lua name that is not a reserved word: a Latin letter or "_", then Latin letters, digits and
// "_". Only such a text can be the uid of an object, since statements use it as a global's name.
bool IsName(const QString &text);

// What a Lua name may hold, said to the author whose name was refused: "оно состоит из ...".
QString Rule();

// The first of prefix0 ... prefix999 for which defined answers false; prefix1000 when all a
// thousand are taken (that one is not asked about).
QString FreeName(const QString &prefix, const std::function<bool(const QString &)> &defined);

} // namespace LuaNames
