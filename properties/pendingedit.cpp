#include "properties/pendingedit.h"

namespace PS = PropertyStatements;

void PendingEdit::Record(const QString &object, const QString &caption, const QString &nameText,
                         const QString &codeText, Field changed)
{
    uid = object;
    property = caption;
    name = nameText;
    code = codeText;
    if (changed == Field::Name)
        nameUnsaved = true;
    else
        codeUnsaved = true;
}

QString PendingEdit::TakeNameStatement()
{
    if (uid.isEmpty() || !nameUnsaved)
        return QString();
    nameUnsaved = false;
    name = PS::Trimmed(name);
    return PS::NameStatement(uid, name);
}

QList<PS::Statement> PendingEdit::TakeCodeStatements()
{
    // Data captures belong to the data area, not to the code editor.
    if (uid.isEmpty() || !codeUnsaved || property.isEmpty() || property == PS::DataCaption())
        return {};
    codeUnsaved = false;
    return PS::WriteBack(uid, property, code);
}
