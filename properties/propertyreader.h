#pragma once

#include <QString>
#include <QStringList>

struct lua_State;

// Reads what the properties window shows of an object straight from the script state. Every read
// runs protected (a field access that raises an error reads as nothing) and leaves the stack as
// it found it.
namespace PropertyReader {

struct ObjectListing
{
    // The global named by the uid holds a table; when it does not, nothing below was read.
    bool exists = false;
    // uid.name as text; empty when it is neither a string nor a number.
    QString name;
    // uid.ide_data is nil: the object has never been shown.
    bool ideDataMissing = false;
    // The keys of uid.ide_data as text, in the order the table traversal yields them; empty when
    // ide_data is not a table. A key that is neither a string nor a number reads as empty text.
    QStringList keys;
};

ObjectListing ReadObject(lua_State *state, const QString &uid);

struct Source
{
    // The global named by the uid holds a table.
    bool exists = false;
    // uid.ide_data[key] as text; empty when it is nil, not text, or ide_data is not a table.
    QString text;
};

Source ReadSource(lua_State *state, const QString &uid, const QString &key);

// Whether uid.ide_data[key] holds anything.
bool HasProperty(lua_State *state, const QString &uid, const QString &key);

} // namespace PropertyReader
