#include "script/luaquote.h"

namespace LuaQuote {

namespace {

// The quoting rules read only ASCII characters, so one implementation serves widget text and
// the Windows-1251 bytes of files alike.

inline int Code(QChar c)
{
    return c.unicode();
}

inline int Code(char c)
{
    return uchar(c);
}

template <typename Text>
bool StartsWithLineBreak(const Text &text)
{
    return !text.isEmpty() && (Code(text.at(0)) == '\n' || Code(text.at(0)) == '\r');
}

template <typename Text>
bool HasCarriageReturn(const Text &text)
{
    for (const auto c : text)
        if (Code(c) == '\r')
            return true;
    return false;
}

template <typename Text>
Text Escaped(const Text &text)
{
    Text out;
    out.reserve(text.size() + 8);
    out.append('"');
    for (const auto c : text) {
        switch (Code(c)) {
        case '\\': out.append("\\\\"); break;
        case '"': out.append("\\\""); break;
        case '\n': out.append("\\n"); break;
        case '\r': out.append("\\r"); break;
        case '\0': out.append("\\000"); break;
        default: out.append(c); break;
        }
    }
    out.append('"');
    return out;
}

template <typename Text>
bool PlainWorks(const Text &text)
{
    if (StartsWithLineBreak(text) || HasCarriageReturn(text))
        return false;
    // Follow the lexer over the text and the closing "]]": an inner "[[" opens a level that an
    // inner "]]" closes, and the string must end exactly at the closing bracket we add.
    Text whole = text;
    whole.append("]]");
    int open = 0;
    for (qsizetype i = 0; i + 1 < whole.size();) {
        const int a = Code(whole.at(i));
        const int b = Code(whole.at(i + 1));
        if (a == '[' && b == '[') {
            ++open;
            i += 2;
        } else if (a == ']' && b == ']') {
            if (--open < 0)
                return i == text.size();
            i += 2;
        } else {
            ++i;
        }
    }
    return false;
}

template <typename Text>
Text Closer(qsizetype level)
{
    Text closer;
    closer.append(']');
    for (qsizetype i = 0; i < level; ++i)
        closer.append('=');
    closer.append(']');
    return closer;
}

template <typename Text>
Text Quoted(const Text &text)
{
    Text out;
    if (PlainWorks(text)) {
        out.append("[[");
        out.append(text);
        out.append("]]");
        return out;
    }
    if (HasCarriageReturn(text))
        return Escaped(text);
    // Above level 0 brackets do not nest, so the first closing bracket of the level ends the string.
    qsizetype level = 1;
    while ((text + Closer<Text>(level)).indexOf(Closer<Text>(level)) < text.size())
        ++level;
    out.append('[');
    for (qsizetype i = 0; i < level; ++i)
        out.append('=');
    out.append('[');
    if (StartsWithLineBreak(text))
        out.append('\n');
    out.append(text);
    out.append(Closer<Text>(level));
    return out;
}

} // namespace

bool PlainLongStringWorks(const QString &text)
{
    return PlainWorks(text);
}

QString LongString(const QString &text)
{
    return Quoted(text);
}

QByteArray LongString(const QByteArray &text)
{
    return Quoted(text);
}

QString QuotedString(const QString &text)
{
    return Escaped(text);
}

QByteArray QuotedString(const QByteArray &text)
{
    return Escaped(text);
}

} // namespace LuaQuote
