#include "project/projectwriter.h"

#include "script/codepage.h"
#include "script/luaapi.h"
#include "script/luanames.h"
#include "script/luaquote.h"
#include "script/scripthost.h"

namespace {

constexpr int kStackReserve = 50;

// A string or a number as Lua's own text; anything else is empty. Reads a copy, so a key being
// traversed is not converted in place.
QByteArray TextAt(lua_State *state, int index)
{
    const int type = lua_type(state, index);
    if (type != LUA_TSTRING && type != LUA_TNUMBER)
        return QByteArray();
    lua_pushvalue(state, index);
    size_t length = 0;
    const char *text = lua_tolstring(state, -1, &length);
    QByteArray bytes(text, qsizetype(length));
    lua_pop(state, 1);
    return bytes;
}

// The display name between double quotes: as it is where that reads back, else escaped.
QByteArray NameLiteral(const QByteArray &name)
{
    if (name.contains('"') || name.contains('\\') || name.contains('\n') || name.contains('\r')
        || name.contains('\0'))
        return LuaQuote::QuotedString(name);
    return '"' + name + '"';
}

} // namespace

ProjectWriter::ProjectWriter(ScriptHost &host) : m_host(host), m_state(host.State()) {}

bool ProjectWriter::IsLuaName(const QByteArray &text)
{
    // Latin-1 keeps every byte as one character, and no byte above 127 makes a Lua name.
    return LuaNames::IsName(QString::fromLatin1(text));
}

bool ProjectWriter::ProjectLines(const ProjectNode &root, QList<QByteArray> *lines, QString *error)
{
    m_deferredAdds.clear();
    m_error.clear();
    QList<QByteArray> out{QByteArrayLiteral("world.items = {}")};
    if (!SerializeNode(root, QString(), out)) {
        *error = m_error;
        return false;
    }
    out += m_deferredAdds;
    out.append(QByteArrayLiteral("update_items()"));
    *lines = out;
    return true;
}

bool ProjectWriter::SubtreeLines(const ProjectNode &node, const QString &parentUid,
                                 QList<QByteArray> *lines, QString *error)
{
    m_deferredAdds.clear();
    m_error.clear();
    QList<QByteArray> out;
    if (!SerializeNode(node, parentUid, out)) {
        *error = m_error;
        return false;
    }
    *lines = out;
    return true;
}

// Pushes the global named uid; false (nothing pushed) when it is not a table.
bool ProjectWriter::PushObject(const QByteArray &uid)
{
    lua_getglobal(m_state, uid.constData());
    if (lua_istable(m_state, -1))
        return true;
    lua_pop(m_state, 1);
    return false;
}

bool ProjectWriter::SerializeNode(const ProjectNode &node, const QString &parentUid,
                                  QList<QByteArray> &out)
{
    lua_checkstack(m_state, kStackReserve);
    const int top = lua_gettop(m_state);
    const QByteArray uid = CodePage::ToLua(node.uid);
    // Only a node that names a live object can be written; anything else would stop the whole
    // file when it runs.
    if (!IsLuaName(uid) || !PushObject(uid))
        return true;
    QList<QByteArray> *cur = &out;
    if (uid != "world") {
        const QByteArray parent = CodePage::ToLua(parentUid);
        lua_getfield(m_state, -1, "parent");
        QByteArray owner;
        if (lua_istable(m_state, -1)) {
            lua_getfield(m_state, -1, "uid");
            owner = TextAt(m_state, -1);
        }
        lua_settop(m_state, top + 1);
        if (owner == parent) {
            lua_getfield(m_state, -1, "name");
            const QByteArray name = TextAt(m_state, -1);
            out.append(parent + ":create (\"" + uid + "\", " + NameLiteral(name) + ')');
        } else {
            m_deferredAdds.append(parent + ":add (" + uid + ')');
            cur = &m_deferredAdds;
        }
    }
    lua_settop(m_state, top);
    if (!AppendSourceBlock(uid, *cur))
        return false;
    for (const ProjectNode &child : node.children)
        if (!SerializeNode(child, node.uid, out))
            return false;
    return true;
}

bool ProjectWriter::AppendSourceBlock(const QByteArray &uid, QList<QByteArray> &cur)
{
    const int top = lua_gettop(m_state);
    PushObject(uid);
    lua_getfield(m_state, -1, "ide_data");
    if (lua_isnil(m_state, -1)) {
        lua_settop(m_state, top);
        return true;
    }
    cur.append(uid + ".ide_data = {");
    if (lua_istable(m_state, -1)) {
        lua_pushnil(m_state);
        while (lua_next(m_state, -2) != 0) {
            const QByteArray key = TextAt(m_state, -2);
            if (!IsLuaName(key)) {
                const QString shown = !key.isEmpty() ? CodePage::FromLua(key)
                                      : QString::fromLatin1(lua_typename(m_state, lua_type(m_state, -2)));
                m_error = QStringLiteral("Проект не сохранен: у объекта «%1» свойство «%2» — не имя Lua, "
                                         "его нельзя записать в файл. Переименуйте или удалите его.")
                              .arg(CodePage::FromLua(uid), shown);
                lua_settop(m_state, top);
                return false;
            }
            cur.append(key + " = " + LuaQuote::LongString(TextAt(m_state, -1)) + ',');
            lua_pop(m_state, 1);
        }
    }
    cur.append(QByteArrayLiteral("}"));
    lua_settop(m_state, top);
    return true;
}

QByteArray ProjectWriter::JoinLines(const QList<QByteArray> &lines)
{
    QByteArray bytes;
    for (const QByteArray &line : lines) {
        bytes += line;
        bytes += "\r\n";
    }
    return bytes;
}

QString ProjectWriter::Extension(const QString &name)
{
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const qsizetype separator = std::max({name.lastIndexOf(QLatin1Char('\\')),
                                          name.lastIndexOf(QLatin1Char('/')),
                                          name.lastIndexOf(QLatin1Char(':'))});
    return dot > separator ? name.mid(dot) : QString();
}

QString ProjectWriter::WithExtension(const QString &name)
{
    return Extension(name) == QLatin1String(".twk") ? name : name + QLatin1String(".twk");
}

QString ProjectWriter::LuaPathBody(const QString &name)
{
    QString body = name;
    return body.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
}
