#pragma once

#include <QByteArray>
#include <QString>

// Quoting of author text put into generated Lua, so the text reads back exactly as typed.
namespace LuaQuote {

// The text as a Lua string literal: "[[text]]" byte for byte wherever that form reads back as the
// text; otherwise a level bracket ("[==[text]==]"), with an extra line break after the opening
// bracket when the text itself starts with one (the lexer drops the first); a text holding a
// carriage return, which long brackets cannot keep, becomes an escaped "..." string.
QString LongString(const QString &text);
QByteArray LongString(const QByteArray &text);

// Whether "[[text]]" reads back as the text in this Lua build (long brackets nest at level 0).
bool PlainLongStringWorks(const QString &text);

// The text between double quotes, with backslash, double quote, line breaks and NUL escaped.
QString QuotedString(const QString &text);
QByteArray QuotedString(const QByteArray &text);

} // namespace LuaQuote
