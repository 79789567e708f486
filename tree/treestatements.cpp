#include "tree/treestatements.h"

#include "script/luaquote.h"

namespace TreeStatements {

QString Create(const QString &owner, const QString &name)
{
    return owner + QStringLiteral(":create (\"") + name + QStringLiteral("\", \"\")");
}

QString DeleteOwned(const QString &object)
{
    return object + QStringLiteral(":remove(); ") + object + QStringLiteral("= nil");
}

QString DeleteReference(const QString &holder, const QString &object)
{
    return holder + QStringLiteral(":remove(") + object + QLatin1Char(')');
}

QString Rename(const QString &newName, const QString &oldName)
{
    return newName + QStringLiteral(", ") + oldName + QStringLiteral(" = ") + oldName
           + QStringLiteral("; ") + newName + QStringLiteral(".uid = \"") + newName
           + QLatin1Char('"');
}

QString MoveTo(const QString &object, const QString &owner)
{
    return object + QStringLiteral(":moveto (") + owner + QLatin1Char(')');
}

QString RemoveReference(const QString &holder, const QString &object)
{
    return holder + QStringLiteral(":remove (") + object + QLatin1Char(')');
}

QString AddReference(const QString &holder, const QString &object)
{
    return holder + QStringLiteral(":add (") + object + QLatin1Char(')');
}

QString Clone(const QString &owner, const QString &object, const QString &name)
{
    return owner + QStringLiteral(":clone (") + object + QStringLiteral(", '") + name
           + QStringLiteral("')");
}

QString CopySource(const QString &target, const QString &field, const QString &source)
{
    return QStringLiteral("if not ") + target + QStringLiteral(".ide_data then ") + target
           + QStringLiteral(".ide_data = {} end\n") + target + QStringLiteral(".ide_data.") + field
           + QStringLiteral(" = ") + source + QStringLiteral(".ide_data.") + field;
}

QString CopyData(const QString &target, const QString &source)
{
    return target + QStringLiteral(".data = clone (") + source + QStringLiteral(".data)");
}

QString PostLoad()
{
    return QStringLiteral("dofile 'postload.lua'");
}

QString Refresh()
{
    return QStringLiteral("update_items ()");
}

QString PastePrefixed(const QString &clipboard, const QString &receiver)
{
    const qsizetype colon = clipboard.indexOf(QLatin1Char(':'));
    return receiver + (colon < 0 ? clipboard : clipboard.mid(colon));
}

QString PasteChunk(const QString &text)
{
    // The clipboard ends its lines with CR LF. A long bracket reads every line break (LF, CR,
    // CR LF, LF CR) as one LF, so the chunk loadstring gets is the same with the breaks made LF
    // here, and the plain "[[...]]" form then stays in use wherever the text allows it.
    QString lines;
    lines.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c != QLatin1Char('\n') && c != QLatin1Char('\r')) {
            lines.append(c);
            continue;
        }
        lines.append(QLatin1Char('\n'));
        if (i + 1 < text.size()) {
            const QChar after = text.at(i + 1);
            if ((after == QLatin1Char('\n') || after == QLatin1Char('\r')) && after != c)
                ++i;
        }
    }
    return QStringLiteral("loadstring ") + LuaQuote::LongString(lines)
           + QStringLiteral(" (); dofile 'postload.lua'; update_items()");
}

} // namespace TreeStatements
