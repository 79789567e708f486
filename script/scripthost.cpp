#include "script/scripthost.h"

#include "script/codepage.h"
#include "script/luafunctions.h"

#include "script/luaapi.h"

#include <QFile>

#include <clocale>
#include <cstdio>

namespace {

// Stack room reserved before any walk or run, so nested runs never overrun the stack.
constexpr int kStackReserve = 50;
// The run guard is consulted every so many VM instructions, once a chunk has run this long.
constexpr int kHookInstructions = 1 << 20;
constexpr qint64 kGuardAfterMs = 1000;
// Between two looks of the guard (which repaints the program) the chunk runs undisturbed.
constexpr qint64 kGuardEveryMs = 200;

const char kHostKey = 0;
// The error value of a chunk the author stopped.
char kInterrupted = 0;

// Restores the stack height on leaving a scope.
class StackKeeper
{
public:
    explicit StackKeeper(lua_State *state) : m_state(state), m_top(lua_gettop(state)) {}
    ~StackKeeper() { lua_settop(m_state, m_top); }
    StackKeeper(const StackKeeper &) = delete;
    StackKeeper &operator=(const StackKeeper &) = delete;

private:
    lua_State *m_state;
    int m_top;
};

} // namespace

ScriptHost *HostOf(lua_State *state)
{
    lua_pushlightuserdata(state, const_cast<char *>(&kHostKey));
    lua_rawget(state, LUA_REGISTRYINDEX);
    auto *host = static_cast<ScriptHost *>(lua_touserdata(state, -1));
    lua_pop(state, 1);
    return host;
}

ScriptHost::ScriptHost()
{
    // The toolkit adopts the user's locale at start; Lua must read and write numbers with a point.
    std::setlocale(LC_NUMERIC, "C");
    m_state = luaL_newstate();
    lua_pushlightuserdata(m_state, const_cast<char *>(&kHostKey));
    lua_pushlightuserdata(m_state, this);
    lua_rawset(m_state, LUA_REGISTRYINDEX);
    OpenLibraries();
    RegisterFunctions();
}

ScriptHost::~ScriptHost()
{
    lua_close(m_state);
}

void ScriptHost::OpenLibraries()
{
    // In order: base with package (require was once part of the base library), io (with os
    // beside it, as it came together before), string, math, debug, table.
    const lua_CFunction openers[] = {luaopen_base,   luaopen_package, luaopen_io,
                                     luaopen_os,     luaopen_string,  luaopen_math,
                                     luaopen_debug,  luaopen_table};
    for (lua_CFunction open : openers) {
        lua_pushcfunction(m_state, open);
        lua_call(m_state, 0, 0);
    }
    // No binary modules: one built for another Lua (double numbers) would break this state.
    lua_getglobal(m_state, "package");
    lua_pushliteral(m_state, "");
    lua_setfield(m_state, -2, "cpath");
    lua_pop(m_state, 1);
    SetModuleFolders({QStringLiteral(".")});
}

void ScriptHost::SetModuleFolders(const QStringList &folders)
{
    QByteArray path;
    for (const QString &folder : folders) {
        const QByteArray name = FileNameForLua(folder);
        // A folder whose name holds a template's separator or wildcard cannot be a template.
        if (name.isEmpty() || name.contains(';') || name.contains('?'))
            continue;
        if (!path.isEmpty())
            path += ';';
        path += name + "/?.lua";
    }
    lua_getglobal(m_state, "package");
    lua_pushlstring(m_state, path.constData(), size_t(path.size()));
    lua_setfield(m_state, -2, "path");
    lua_pop(m_state, 1);
}

QByteArray ScriptHost::FileNameForLua(const QString &path)
{
    const QByteArray bytes = QFile::encodeName(path);
    if (bytes != CodePage::ToLua(path)) {
        constexpr qsizetype kKept = 32;
        m_fileNames.removeIf(
            [&](const QPair<QByteArray, QString> &known) { return known.first == bytes; });
        m_fileNames.prepend({bytes, path});
        if (m_fileNames.size() > kKept)
            m_fileNames.removeLast();
    }
    return bytes;
}

QString ScriptHost::ShownText(const QByteArray &bytes) const
{
    if (m_fileNames.isEmpty())
        return CodePage::FromLua(bytes);
    QString text;
    qsizetype plain = 0;
    for (qsizetype at = 0; at < bytes.size();) {
        const QPair<QByteArray, QString> *found = nullptr;
        for (const auto &known : m_fileNames) {
            if ((!found || known.first.size() > found->first.size())
                && QByteArrayView(bytes).sliced(at).startsWith(known.first))
                found = &known;
        }
        if (!found) {
            ++at;
            continue;
        }
        text += CodePage::FromLua(bytes.mid(plain, at - plain)) + found->second;
        at += found->first.size();
        plain = at;
    }
    return text + CodePage::FromLua(bytes.mid(plain));
}

void ScriptHost::RegisterFunctions()
{
    for (const LuaFunction &f : ExportedFunctions())
        lua_register(m_state, f.name, f.function);
}

void ScriptHost::RunLua(const QString &text)
{
    RunBytes(CodePage::ToLua(text));
}

void ScriptHost::RunEchoed(const QString &text)
{
    if (m_console)
        m_console->ConsolePrint(text, ConsoleKind::Command);
    RunLua(text);
}

void ScriptHost::RunBytes(const QByteArray &chunk)
{
    const int top = lua_gettop(m_state);
    RunKeepingResults(chunk);
    lua_settop(m_state, top);
}

void ScriptHost::RunFile(const QByteArray &chunk, const QString &fileName)
{
    const int top = lua_gettop(m_state);
    RunKeepingResults(chunk, '@' + CodePage::ToLua(fileName));
    lua_settop(m_state, top);
}

int ScriptHost::RunKeepingResults(const QByteArray &chunk)
{
    // The chunk is named by its own text, so error messages begin with [string "..."].
    return RunKeepingResults(chunk, chunk);
}

int ScriptHost::RunKeepingResults(const QByteArray &chunk, const QByteArray &chunkName)
{
    return Run(chunk, chunkName, nullptr);
}

bool ScriptHost::RunUnreported(const QString &text, QByteArray *failure)
{
    const int top = lua_gettop(m_state);
    const QByteArray chunk = CodePage::ToLua(text);
    const bool ran = Run(chunk, chunk, failure) >= 0;
    lua_settop(m_state, top);
    return ran;
}

void ScriptHost::Report(const QByteArray &failure)
{
    lua_checkstack(m_state, kStackReserve);
    lua_pushlstring(m_state, failure.constData(), size_t(failure.size()));
    Alert();
}

// A failure goes to *failure when that is given, else through the alert rule.
int ScriptHost::Run(const QByteArray &chunk, const QByteArray &chunkName, QByteArray *failure)
{
    lua_checkstack(m_state, kStackReserve);
    const int top = lua_gettop(m_state);
    EnterRun();
    int status = luaL_loadbuffer(m_state, chunk.constData(), size_t(chunk.size()), chunkName.constData());
    if (status == 0)
        status = lua_pcall(m_state, 0, LUA_MULTRET, 0);
    if (status != 0 && lua_touserdata(m_state, -1) == &kInterrupted) {
        lua_pop(m_state, 1);
        const QByteArray message = CodePage::ToLua(QStringLiteral("выполнение прервано автором"));
        lua_pushlstring(m_state, message.constData(), size_t(message.size()));
    }
    if (status != 0 && failure) {
        size_t length = 0;
        const char *message = lua_tolstring(m_state, -1, &length);
        *failure = message ? QByteArray(message, qsizetype(length))
                           : QByteArrayLiteral("(error object is not a string)");
    } else if (status != 0) {
        Alert();
    }
    LeaveRun();
    if (status != 0) {
        lua_settop(m_state, top);
        return -1;
    }
    return lua_gettop(m_state) - top;
}

// The error message is on top of the stack. Hands it to _ALERT when that is a function, else to
// the standard error stream; pops it either way.
void ScriptHost::Alert()
{
    const int top = lua_gettop(m_state) - 1;
    lua_getglobal(m_state, "_ALERT");
    if (lua_isfunction(m_state, -1)) {
        lua_pushvalue(m_state, -2);
        if (lua_pcall(m_state, 1, 0, 0) != 0) {
            // A failing alert function must not take the program down; its own error goes out plainly.
            const char *failure = lua_tostring(m_state, -1);
            std::fprintf(stderr, "%s\n", failure ? failure : "(error in _ALERT)");
        }
    } else {
        const char *message = lua_tostring(m_state, -2);
        std::fprintf(stderr, "%s\n", message ? message : "(error object is not a string)");
    }
    lua_settop(m_state, top);
}

void ScriptHost::EnterRun()
{
    if (m_depth++ == 0) {
        m_runClock.start();
        m_guardAskedMs = -kGuardEveryMs;
        lua_sethook(m_state, &ScriptHost::CountHook, LUA_MASKCOUNT, kHookInstructions);
    }
}

void ScriptHost::LeaveRun()
{
    if (--m_depth > 0)
        return;
    lua_sethook(m_state, nullptr, 0, 0);
    if (m_console)
        m_console->Flush();
    if (m_guard)
        m_guard->RunEnded();
}

void ScriptHost::CountHook(lua_State *state, lua_Debug *)
{
    ScriptHost *host = HostOf(state);
    if (!host)
        return;
    const qint64 elapsed = host->m_runClock.elapsed();
    if (elapsed < kGuardAfterMs || elapsed - host->m_guardAskedMs < kGuardEveryMs)
        return;
    host->m_guardAskedMs = elapsed;
    if (host->m_console)
        host->m_console->Flush();
    if (host->m_guard && !host->m_guard->KeepRunning(elapsed)) {
        // Not a message: the engine lets this value through its own error handlers, so stopping
        // ends the whole chunk instead of one action of a game that then goes on.
        lua_pushlightuserdata(state, &kInterrupted);
        lua_error(state);
    }
}

QString ScriptHost::EvalString(const QString &expression)
{
    StackKeeper keeper(m_state);
    if (RunKeepingResults("return " + CodePage::ToLua(expression)) < 1)
        return QString();
    const int type = lua_type(m_state, -1);
    if (type != LUA_TSTRING && type != LUA_TNUMBER)
        return QString();
    size_t length = 0;
    const char *text = lua_tolstring(m_state, -1, &length);
    return CodePage::FromLua(text, qsizetype(length));
}

bool ScriptHost::EvalDefined(const QString &expression)
{
    StackKeeper keeper(m_state);
    if (RunKeepingResults("return " + CodePage::ToLua(expression)) < 1)
        return false;
    return !lua_isnil(m_state, -1);
}

QString ScriptHost::EvalLiteral(const QString &expression)
{
    StackKeeper keeper(m_state);
    if (RunKeepingResults("return " + CodePage::ToLua(expression)) < 1)
        return QString();
    switch (lua_type(m_state, -1)) {
    case LUA_TBOOLEAN:
        return lua_toboolean(m_state, -1) ? QStringLiteral("true") : QStringLiteral("false");
    case LUA_TNUMBER:
        return LiteralNumber(double(lua_tonumber(m_state, -1)));
    case LUA_TSTRING: {
        size_t length = 0;
        const char *text = lua_tolstring(m_state, -1, &length);
        return QLatin1Char('\'') + CodePage::FromLua(text, qsizetype(length)) + QLatin1Char('\'');
    }
    default:
        return QString();
    }
}

QString ScriptHost::LiteralNumber(double value)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.15g", value);
    return QString::fromLatin1(buffer);
}
