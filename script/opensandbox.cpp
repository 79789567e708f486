#include "script/opensandbox.h"

#include "script/codepage.h"
#include "script/scripthost.h"

#include "script/luaapi.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

// The upvalues of every guard: the state shared by the guards of one sandbox (a table: `active`,
// the reports already made in `seen`, the two folders, the package library), the real function,
// the name shown to the author, and the rule that decides.
enum Upvalue { kShared = 1, kOriginal, kName, kRule };

constexpr int kStackRoom = 20;

const char *const kOsFields[] = {"execute", "remove", "rename", "exit", "tmpname", nullptr};
const char *const kDebugFields[] = {"getregistry", "getupvalue", "setupvalue", "getlocal",
                                    "setlocal",    "sethook",    nullptr};

QString SharedText(lua_State *state, const char *field)
{
    lua_getfield(state, lua_upvalueindex(kShared), field);
    size_t length = 0;
    const char *bytes = lua_tolstring(state, -1, &length);
    const QString text = bytes ? QFile::decodeName(QByteArray(bytes, qsizetype(length))) : QString();
    lua_pop(state, 1);
    return text;
}

// Whether the file named by the string at `index` lies in the program's folder or the project's,
// after links and ".." are resolved, as the file system will resolve them.
bool InFolders(lua_State *state, int index)
{
    size_t length = 0;
    const char *bytes = lua_tolstring(state, index, &length);
    const QFileInfo info(QDir::current(), QFile::decodeName(QByteArray(bytes, qsizetype(length))));
    QString path = info.canonicalFilePath();
    if (path.isEmpty())
        path = QDir::cleanPath(info.absoluteFilePath());
    for (const char *field : {"program", "project"}) {
        const QString folder = SharedText(state, field);
        if (!folder.isEmpty() && (path == folder || path.startsWith(folder + QLatin1Char('/'))))
            return true;
    }
    return false;
}

// The file package.path finds for a module name, or empty; pushes nothing.
QByteArray LuaModuleFile(lua_State *state, const QByteArray &module)
{
    lua_getfield(state, lua_upvalueindex(kShared), "package");
    QByteArray templates;
    if (lua_istable(state, -1)) {
        lua_getfield(state, -1, "path");
        if (lua_isstring(state, -1))
            templates = lua_tostring(state, -1);
        lua_pop(state, 1);
    }
    lua_pop(state, 1);
    QByteArray name = module;
    name.replace('.', '/');
    for (QByteArray candidate : templates.split(';')) {
        candidate.replace('?', name);
        if (!candidate.isEmpty() && QFileInfo(QFile::decodeName(candidate)).isFile())
            return candidate;
    }
    return QByteArray();
}

// True when package.<list>[name] holds a value: a module loaded already, or a loader given.
bool PackageHas(lua_State *state, const char *list, int nameIndex)
{
    lua_getfield(state, lua_upvalueindex(kShared), "package");
    bool has = false;
    if (lua_istable(state, -1)) {
        lua_getfield(state, -1, list);
        if (lua_istable(state, -1)) {
            lua_pushvalue(state, nameIndex);
            lua_gettable(state, -2);
            has = lua_toboolean(state, -1);
            lua_pop(state, 1);
        }
        lua_pop(state, 1);
    }
    lua_pop(state, 1);
    return has;
}

bool FileInFolders(lua_State *state, const QByteArray &path)
{
    lua_pushlstring(state, path.constData(), size_t(path.size()));
    const bool inside = InFolders(state, -1);
    lua_pop(state, 1);
    return inside;
}

bool Allowed(lua_State *state, OpenSandbox::Rule rule)
{
    const bool named = lua_type(state, 1) == LUA_TSTRING;
    switch (rule) {
    case OpenSandbox::Refuse:
        return false;
    case OpenSandbox::ReadFile: {
        // io.lines () reads standard input; io.open without a name fails on its own.
        if (!named)
            return true;
        const char *mode = lua_isnoneornil(state, 2) ? "r" : lua_tostring(state, 2);
        return mode && (qstrcmp(mode, "r") == 0 || qstrcmp(mode, "rb") == 0) && InFolders(state, 1);
    }
    case OpenSandbox::RunFile:
        // Without a name, dofile and loadfile read standard input.
        return named && InFolders(state, 1);
    case OpenSandbox::Output:
        return !named;
    case OpenSandbox::Require: {
        if (!named || PackageHas(state, "loaded", 1) || PackageHas(state, "preload", 1))
            return true;
        const QByteArray file = LuaModuleFile(state, lua_tostring(state, 1));
        return !file.isEmpty() && FileInFolders(state, file);
    }
    case OpenSandbox::LuaLoader: {
        const QByteArray file = named ? LuaModuleFile(state, lua_tostring(state, 1)) : QByteArray();
        return file.isEmpty() || FileInFolders(state, file);
    }
    }
    return false;
}

// The file (or source name) and line of the nearest Lua code on the stack, as the author reads it.
QString CallerPlace(lua_State *state)
{
    lua_Debug frame;
    for (int level = 1; lua_getstack(state, level, &frame); ++level) {
        if (!lua_getinfo(state, "Sl", &frame) || qstrcmp(frame.what, "C") == 0)
            continue;
        QString source = frame.source[0] == '@' ? QFileInfo(CodePage::FromLua(frame.source + 1)).fileName()
                         : frame.source[0] == '=' ? CodePage::FromLua(frame.source + 1)
                                                  : CodePage::FromLua(frame.short_src);
        return QStringLiteral("%1, строка %2").arg(source).arg(frame.currentline);
    }
    return QStringLiteral("место неизвестно");
}

// Reports the refusal once per open and gives the caller nil and the reason, as a failed call
// of these functions does.
int Refused(lua_State *state)
{
    QString call = CodePage::FromLua(lua_tostring(state, lua_upvalueindex(kName)));
    if (lua_type(state, 1) == LUA_TSTRING)
        call += QStringLiteral(" '%1'").arg(CodePage::FromLua(lua_tostring(state, 1)));
    const QString report =
        QStringLiteral("Открытие проекта: отклонён вызов %1 — %2").arg(call, CallerPlace(state));
    const QByteArray bytes = CodePage::ToLua(report);

    lua_getfield(state, lua_upvalueindex(kShared), "seen");
    lua_pushlstring(state, bytes.constData(), size_t(bytes.size()));
    lua_rawget(state, -2);
    const bool seen = lua_toboolean(state, -1);
    lua_pop(state, 1);
    if (!seen) {
        lua_pushlstring(state, bytes.constData(), size_t(bytes.size()));
        lua_pushboolean(state, 1);
        lua_rawset(state, -3);
        ScriptHost *host = HostOf(state);
        if (host && host->Console())
            host->Console()->ConsolePrint(report, ConsoleKind::Error);
    }
    lua_pushnil(state);
    const QByteArray reason = CodePage::ToLua(QStringLiteral("отклонено при открытии проекта"));
    lua_pushlstring(state, reason.constData(), size_t(reason.size()));
    return 2;
}

int GuardCall(lua_State *state)
{
    lua_checkstack(state, kStackRoom);
    const int arguments = lua_gettop(state);
    lua_getfield(state, lua_upvalueindex(kShared), "active");
    const bool active = lua_toboolean(state, -1);
    lua_pop(state, 1);
    if (active && !Allowed(state, OpenSandbox::Rule(lua_tointeger(state, lua_upvalueindex(kRule)))))
        return Refused(state);
    lua_pushvalue(state, lua_upvalueindex(kOriginal));
    lua_insert(state, 1);
    lua_call(state, arguments, LUA_MULTRET);
    return lua_gettop(state);
}

QByteArray CanonicalFolder(const QString &folder)
{
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    return QFile::encodeName(canonical.isEmpty() ? QDir::cleanPath(QDir(folder).absolutePath()) : canonical);
}

} // namespace

OpenSandbox::OpenSandbox(ScriptHost &host, const QString &projectFile, const QString &programFolder)
    : m_host(host)
{
    lua_State *state = m_host.State();
    lua_checkstack(state, kStackRoom);
    lua_newtable(state);
    lua_pushboolean(state, 1);
    lua_setfield(state, -2, "active");
    lua_newtable(state);
    lua_setfield(state, -2, "seen");
    const QByteArray program = CanonicalFolder(programFolder);
    lua_pushlstring(state, program.constData(), size_t(program.size()));
    lua_setfield(state, -2, "program");
    const QByteArray project = CanonicalFolder(QFileInfo(projectFile).absolutePath());
    lua_pushlstring(state, project.constData(), size_t(project.size()));
    lua_setfield(state, -2, "project");
    lua_getglobal(state, "package");
    lua_setfield(state, -2, "package");
    m_sharedRef = luaL_ref(state, LUA_REGISTRYINDEX);

    GuardTable("os", kOsFields, Refuse);
    GuardGlobals();
    GuardPackage();
    GuardTable("debug", kDebugFields, Refuse);
}

OpenSandbox::~OpenSandbox()
{
    lua_State *state = m_host.State();
    lua_checkstack(state, kStackRoom);
    lua_rawgeti(state, LUA_REGISTRYINDEX, m_sharedRef);
    lua_pushboolean(state, 0);
    lua_setfield(state, -2, "active");
    lua_pop(state, 1);
    luaL_unref(state, LUA_REGISTRYINDEX, m_sharedRef);
    // In the reverse order, so a function guarded twice ends as it began.
    for (auto it = m_guarded.rbegin(); it != m_guarded.rend(); ++it) {
        lua_rawgeti(state, LUA_REGISTRYINDEX, it->tableRef);
        lua_rawgeti(state, LUA_REGISTRYINDEX, it->keyRef);
        lua_rawgeti(state, LUA_REGISTRYINDEX, it->originalRef);
        lua_rawset(state, -3);
        lua_pop(state, 1);
        for (int ref : {it->tableRef, it->keyRef, it->originalRef})
            luaL_unref(state, LUA_REGISTRYINDEX, ref);
    }
}

void OpenSandbox::GuardTable(const char *table, const char *const *fields, Rule rule)
{
    lua_State *state = m_host.State();
    lua_getglobal(state, table);
    if (lua_istable(state, -1)) {
        for (; *fields; ++fields) {
            lua_pushstring(state, *fields);
            Guard((QByteArray(table) + '.' + *fields).constData(), rule);
        }
    }
    lua_pop(state, 1);
}

void OpenSandbox::GuardGlobals()
{
    lua_State *state = m_host.State();
    const struct
    {
        const char *field;
        Rule rule;
    } globals[] = {{"dofile", RunFile}, {"loadfile", RunFile}, {"loadlib", Refuse}, {"require", Require}};
    lua_pushvalue(state, LUA_GLOBALSINDEX);
    for (const auto &global : globals) {
        lua_pushstring(state, global.field);
        Guard(global.field, global.rule);
    }
    lua_pop(state, 1);

    const struct
    {
        const char *field;
        Rule rule;
    } io[] = {{"popen", Refuse}, {"open", ReadFile}, {"lines", ReadFile}, {"output", Output}};
    lua_getglobal(state, "io");
    if (lua_istable(state, -1)) {
        for (const auto &entry : io) {
            lua_pushstring(state, entry.field);
            Guard((QByteArray("io.") + entry.field).constData(), entry.rule);
        }
    }
    lua_pop(state, 1);
}

// The package library, where it is open: its own loadlib, and the searchers require goes through,
// so calling them directly is held to the same rules (2 finds Lua files, 3 and 4 native code).
void OpenSandbox::GuardPackage()
{
    lua_State *state = m_host.State();
    lua_getglobal(state, "package");
    if (lua_istable(state, -1)) {
        lua_pushstring(state, "loadlib");
        Guard("package.loadlib", Refuse);
        lua_getfield(state, -1, "loaders");
        if (lua_istable(state, -1)) {
            for (int i = 2; i <= 4; ++i) {
                lua_pushinteger(state, i);
                const QByteArray name = "package.loaders[" + QByteArray::number(i) + ']';
                Guard(name.constData(), i == 2 ? LuaLoader : Refuse);
            }
        }
        lua_pop(state, 1);
    }
    lua_pop(state, 1);
}

void OpenSandbox::Guard(const char *name, Rule rule)
{
    lua_State *state = m_host.State();
    lua_pushvalue(state, -1);
    lua_rawget(state, -3);
    if (!lua_isfunction(state, -1)) {
        lua_pop(state, 2);
        return;
    }
    Guarded guarded;
    lua_pushvalue(state, -3);
    guarded.tableRef = luaL_ref(state, LUA_REGISTRYINDEX);
    lua_pushvalue(state, -2);
    guarded.keyRef = luaL_ref(state, LUA_REGISTRYINDEX);
    lua_pushvalue(state, -1);
    guarded.originalRef = luaL_ref(state, LUA_REGISTRYINDEX);
    m_guarded.push_back(guarded);

    // table, key, original -> table, key, shared, original, name, rule -> table, key, guard
    lua_rawgeti(state, LUA_REGISTRYINDEX, m_sharedRef);
    lua_insert(state, -2);
    lua_pushstring(state, name);
    lua_pushinteger(state, rule);
    lua_pushcclosure(state, &GuardCall, 4);
    lua_rawset(state, -3);
}
