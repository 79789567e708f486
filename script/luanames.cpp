#include "script/luanames.h"

namespace LuaNames {

namespace {

constexpr int kCandidates = 1000;

bool IsLetter(QChar c)
{
    return (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
           || (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) || c == QLatin1Char('_');
}

bool IsDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

} // namespace

bool IsKeyword(const QString &text)
{
    static const char *const kKeywords[] = {
        "and", "break", "do",  "else", "elseif", "end",    "false", "for",  "function", "if",  "in",
        "local", "nil", "not", "or",   "repeat", "return", "then",  "true", "until",    "while",
    };
    for (const char *keyword : kKeywords) {
        if (text == QLatin1String(keyword))
            return true;
    }
    return false;
}

bool IsName(const QString &text)
{
    if (text.isEmpty() || !IsLetter(text.at(0)))
        return false;
    for (const QChar c : text) {
        if (!IsLetter(c) && !IsDigit(c))
            return false;
    }
    return !IsKeyword(text);
}

QString Rule()
{
    return QStringLiteral("оно состоит из латинских букв, цифр и знаков подчеркивания, начинается "
                          "не с цифры и не совпадает со служебным словом Lua.");
}

QString FreeName(const QString &prefix, const std::function<bool(const QString &)> &defined)
{
    for (int i = 0; i < kCandidates; ++i) {
        const QString candidate = prefix + QString::number(i);
        if (!defined(candidate))
            return candidate;
    }
    return prefix + QString::number(kCandidates);
}

} // namespace LuaNames
