#pragma once

#include <QString>

// Quoting of author text put into generated Lua, so the text reads back exactly as typed.
namespace LuaQuote {

// The text as a Lua string literal: "[[text]]" byte for byte wherever that form reads back as the
// text; otherwise a level bracket ("[==[text]==]"), with an extra line break after the opening
// bracket when the text itself starts with one (the lexer drops the first); a text holding a
// carriage return, which long brackets cannot keep, becomes an escaped "..." string.
QString LongString(const QString &text);

// Whether "[[text]]" reads back as the text in this Lua build (long brackets nest at level 0).
bool PlainLongStringWorks(const QString &text);

} // namespace LuaQuote
