#pragma once

#include <QList>
#include <QString>

// The Lua text the properties window runs, and the captions and headings it shows. Plain text in,
// plain text out: nothing here touches the script state.
namespace PropertyStatements {

// The list captions of the three fixed kinds of property.
QString DataCaption();        // "Данные"
QString ConstructorCaption(); // "Конструктор"
QString CatchersCaption();    // "Отлавливатель"

// List images: 0 constructor, 1 method, 2 catchers, 3 data.
enum Image : int { ConstructorImage = 0, MethodImage = 1, CatchersImage = 2, DataImage = 3 };

// "Конструктор" -> "constructor", "Отлавливатель" -> "hooks", any other caption is the key itself.
QString KeyOfCaption(const QString &caption);
// The reverse, for an ide_data key.
QString CaptionOfKey(const QString &key);
Image ImageOfKey(const QString &key);

// Removes the leading and trailing characters with codes up to 32 (blanks, TABs, line breaks);
// unlike QString::trimmed it leaves other Unicode spaces alone and takes every control character.
QString Trimmed(const QString &text);

// The two fixed lines shown above and below the body of a code property. `parentUid` is the uid
// of the selected node's owner, empty for the root; `name` is the display name to show.
QString BeginHeading(const QString &uid, const QString &caption, const QString &parentUid,
                     const QString &name);
QString EndHeading(const QString &caption);

struct Statement
{
    QString text;
    bool echoed;
};

// What storing and compiling the body `code` of property `caption` of object `uid` runs, in
// order. The first statement stores the source in ide_data (the text quoted so that it reads back
// exactly as typed); the rest compile it, and for the constructor run it once more.
QList<Statement> WriteBack(const QString &uid, const QString &caption, const QString &code);

// uid.ide_data.key = "" : a new, empty property.
QString AddStatement(const QString &uid, const QString &key);
// uid.ide_data = {} : the property table an object shown for the first time lacks.
QString NewIdeDataStatement(const QString &uid);
// Deleting a property: the source (not echoed), then the compiled form (echoed).
QList<Statement> DeleteStatements(const QString &uid, const QString &key);

// uid.name = '...'. A name that a single-quoted Lua string cannot hold as it is (a quote, a
// backslash, a line break) goes between double quotes with Lua escapes instead.
QString NameStatement(const QString &uid, const QString &name);

} // namespace PropertyStatements
