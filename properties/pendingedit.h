#pragma once

#include "properties/propertystatements.h"

#include <QList>
#include <QString>

// What the author last changed in the name field or the code editor, so that the write-back on
// leaving either addresses the object and property that were edited, wherever the selection has
// moved since. The two flags say which of the two still has to be written.
struct PendingEdit
{
    enum class Field { Name, Code };

    // Notes what the name field and the code editor hold after the author changed one of them,
    // the editor holding the property with caption `caption` of the object `object`.
    void Record(const QString &object, const QString &caption, const QString &nameText,
                const QString &codeText, Field changed);
    // The echoed statement that writes the typed name back, the name trimmed first; empty when
    // nothing was typed there since the last one. Only what the author typed is ever written, so
    // leaving the field never writes a stale name over one changed meanwhile.
    QString TakeNameStatement();
    // The statements that write the typed code back; none when nothing was typed since, or the
    // edit was of the data. A property deleted meanwhile is thus not brought back by merely
    // passing through the editor.
    QList<PropertyStatements::Statement> TakeCodeStatements();

    QString uid;
    QString property;
    QString name;
    QString code;
    bool nameUnsaved = false;
    bool codeUnsaved = false;
};
