#include "properties/propertystatements.h"

#include "script/luaquote.h"

namespace PropertyStatements {

namespace {

const QLatin1String kConstructorKey("constructor");
const QLatin1String kCatchersKey("hooks");

bool IsBlank(QChar c)
{
    return c.unicode() <= 32;
}

} // namespace

QString DataCaption()
{
    return QStringLiteral("Данные");
}

QString ConstructorCaption()
{
    return QStringLiteral("Конструктор");
}

QString CatchersCaption()
{
    return QStringLiteral("Отлавливатель");
}

QString KeyOfCaption(const QString &caption)
{
    if (caption == ConstructorCaption())
        return kConstructorKey;
    if (caption == CatchersCaption())
        return kCatchersKey;
    return caption;
}

QString CaptionOfKey(const QString &key)
{
    if (key == kConstructorKey)
        return ConstructorCaption();
    if (key == kCatchersKey)
        return CatchersCaption();
    return key;
}

Image ImageOfKey(const QString &key)
{
    if (key == kConstructorKey)
        return ConstructorImage;
    if (key == kCatchersKey)
        return CatchersImage;
    return MethodImage;
}

QString Trimmed(const QString &text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && IsBlank(text.at(begin)))
        ++begin;
    while (end > begin && IsBlank(text.at(end - 1)))
        --end;
    return text.mid(begin, end - begin);
}

QString BeginHeading(const QString &uid, const QString &caption, const QString &parentUid,
                     const QString &name)
{
    if (caption == CatchersCaption())
        return uid + QLatin1String(":add (function (event)");
    if (caption == ConstructorCaption()) {
        if (parentUid.isEmpty())
            return QStringLiteral("function world:constructor ()");
        return parentUid + QLatin1String(":create (\"") + uid + QLatin1String("\", \"") + name
               + QLatin1String("\"); function ") + uid + QLatin1String(":constructor ()");
    }
    return QLatin1String("function ") + uid + QLatin1Char(':') + caption
           + QLatin1String(" (event)");
}

QString EndHeading(const QString &caption)
{
    return caption == CatchersCaption() ? QStringLiteral("end)") : QStringLiteral("end");
}

QList<Statement> WriteBack(const QString &uid, const QString &caption, const QString &code)
{
    const QString key = KeyOfCaption(caption);
    const Statement store{uid + QLatin1String(".ide_data.") + key + QLatin1String(" = ")
                              + LuaQuote::LongString(code),
                          false};
    if (caption == ConstructorCaption()) {
        return {store,
                {QLatin1String("function ") + uid + QLatin1String(":constructor ()\n") + code
                     + QLatin1String("\nend"),
                 true},
                {uid + QLatin1String(":constructor ()"), true}};
    }
    if (caption == CatchersCaption()) {
        return {store,
                {uid + QLatin1String(".hooks = nil; ") + uid
                     + QLatin1String(":add (function (event)\n") + code + QLatin1String("\nend)"),
                 true}};
    }
    return {store,
            {QLatin1String("function ") + uid + QLatin1Char(':') + key
                 + QLatin1String("(event)\n") + code + QLatin1String("\nend"),
             true}};
}

QString AddStatement(const QString &uid, const QString &key)
{
    return uid + QLatin1String(".ide_data.") + key + QLatin1String(" = \"\"");
}

QString NewIdeDataStatement(const QString &uid)
{
    return uid + QLatin1String(".ide_data = {}");
}

QList<Statement> DeleteStatements(const QString &uid, const QString &key)
{
    return {{uid + QLatin1String(".ide_data.") + key + QLatin1String(" = nil"), false},
            {uid + QLatin1Char('.') + key + QLatin1String(" = nil"), true}};
}

QString NameStatement(const QString &uid, const QString &name)
{
    const bool plain = !name.contains(QLatin1Char('\'')) && !name.contains(QLatin1Char('\\'))
                       && !name.contains(QLatin1Char('\n')) && !name.contains(QLatin1Char('\r'));
    const QString quoted = plain ? QLatin1Char('\'') + name + QLatin1Char('\'') : LuaQuote::QuotedString(name);
    return uid + QLatin1String(".name = ") + quoted;
}

} // namespace PropertyStatements
