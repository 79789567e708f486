#include "script/luaquote.h"

namespace LuaQuote {

namespace {

bool StartsWithLineBreak(const QString &text)
{
    return text.startsWith(QLatin1Char('\n')) || text.startsWith(QLatin1Char('\r'));
}

QString Escaped(const QString &text)
{
    QString out = QStringLiteral("\"");
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '\\': out += QLatin1String("\\\\"); break;
        case '"': out += QLatin1String("\\\""); break;
        case '\n': out += QLatin1String("\\n"); break;
        case '\r': out += QLatin1String("\\r"); break;
        case '\0': out += QLatin1String("\\000"); break;
        default: out += c; break;
        }
    }
    return out + QLatin1Char('"');
}

} // namespace

bool PlainLongStringWorks(const QString &text)
{
    if (StartsWithLineBreak(text) || text.contains(QLatin1Char('\r')))
        return false;
    // Follow the lexer over the text and the closing "]]": an inner "[[" opens a level that an
    // inner "]]" closes, and the string must end exactly at the closing bracket we add.
    const QString whole = text + QLatin1String("]]");
    int open = 0;
    for (qsizetype i = 0; i < whole.size();) {
        const QStringView pair = QStringView(whole).mid(i, 2);
        if (pair == QLatin1String("[[")) {
            ++open;
            i += 2;
        } else if (pair == QLatin1String("]]")) {
            if (--open < 0)
                return i == text.size();
            i += 2;
        } else {
            ++i;
        }
    }
    return false;
}

QString LongString(const QString &text)
{
    if (PlainLongStringWorks(text))
        return QLatin1String("[[") + text + QLatin1String("]]");
    if (text.contains(QLatin1Char('\r')))
        return Escaped(text);
    // Above level 0 brackets do not nest, so the first closing bracket of the level ends the string.
    QString equals = QStringLiteral("=");
    while ((text + QLatin1Char(']') + equals + QLatin1Char(']')).indexOf(QLatin1Char(']') + equals + QLatin1Char(']'))
           < text.size())
        equals += QLatin1Char('=');
    const QString lead = StartsWithLineBreak(text) ? QStringLiteral("\n") : QString();
    return QLatin1Char('[') + equals + QLatin1Char('[') + lead + text + QLatin1Char(']') + equals
           + QLatin1Char(']');
}

} // namespace LuaQuote
