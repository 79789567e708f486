#include "play/walkthroughrunner.h"

#include "play/transcript.h"
#include "script/codepage.h"
#include "script/luaapi.h"
#include "script/luaquote.h"
#include "script/scripthost.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryFile>

namespace {

constexpr int kStackRoom = 10;

// Keeps the red lines a chunk writes and drops the rest (compile.lua's own report of the file).
class ErrorsOnly : public ConsoleSink
{
public:
    explicit ErrorsOnly(QStringList *errors) : m_errors(errors) {}
    void ConsolePrint(const QString &text, int kind) override
    {
        if (kind == ConsoleKind::Error)
            m_errors->append(text);
    }

private:
    QStringList *m_errors;
};

// The game's terminal: the walkthrough's lines in, the transcript out, both Windows-1251.
struct GameTerminal
{
    QList<QByteArray> input;
    qsizetype next = 0;
    QByteArray output;
    QStringList *errors = nullptr;
};

GameTerminal *TerminalOf(lua_State *state)
{
    return static_cast<GameTerminal *>(lua_touserdata(state, lua_upvalueindex(1)));
}

int TerminalWrite(lua_State *state)
{
    GameTerminal *terminal = TerminalOf(state);
    for (int i = 1; i <= lua_gettop(state); ++i) {
        const int type = lua_type(state, i);
        if (type == LUA_TSTRING || type == LUA_TNUMBER) {
            size_t length = 0;
            const char *bytes = lua_tolstring(state, i, &length);
            terminal->output.append(bytes, qsizetype(length));
        } else {
            terminal->output.append(lua_typename(state, type));
        }
    }
    return 0;
}

int TerminalRead(lua_State *state)
{
    GameTerminal *terminal = TerminalOf(state);
    if (terminal->next >= terminal->input.size()) {
        lua_pushnil(state);
        return 1;
    }
    const QByteArray &line = terminal->input.at(terminal->next++);
    lua_pushlstring(state, line.constData(), size_t(line.size()));
    return 1;
}

int TerminalFlush(lua_State *)
{
    return 0;
}

// The alert rule of the game's state: an error that ends the game is kept for the author.
int TerminalAlert(lua_State *state)
{
    size_t length = 0;
    const char *message = lua_tolstring(state, 1, &length);
    TerminalOf(state)->errors->append(message ? CodePage::FromLua(message, qsizetype(length))
                                              : QStringLiteral("(ошибка без текста)"));
    return 0;
}

void InstallTerminal(lua_State *state, GameTerminal *terminal)
{
    lua_checkstack(state, kStackRoom);
    lua_newtable(state);
    const struct
    {
        const char *name;
        lua_CFunction function;
    } functions[] = {{"write", &TerminalWrite}, {"read", &TerminalRead}, {"flush", &TerminalFlush}};
    for (const auto &f : functions) {
        lua_pushlightuserdata(state, terminal);
        lua_pushcclosure(state, f.function, 1);
        lua_setfield(state, -2, f.name);
    }
    lua_setglobal(state, "GAME_IO");
    // The transcript holds the player's lines, as the terminal player's does.
    lua_pushboolean(state, 1);
    lua_setglobal(state, "GAME_ECHO");
    lua_pushlightuserdata(state, terminal);
    lua_pushcclosure(state, &TerminalAlert, 1);
    lua_setglobal(state, "_ALERT");
}

WalkthroughRunner *RunnerOf(lua_State *state)
{
    return static_cast<WalkthroughRunner *>(lua_touserdata(state, lua_upvalueindex(1)));
}

int LuaWalkthrough(lua_State *state)
{
    size_t length = 0;
    const char *file = luaL_checklstring(state, 1, &length);
    RunnerOf(state)->Run(CodePage::FromLua(file, qsizetype(length)));
    return 0;
}

int LuaWalkthroughAccept(lua_State *state)
{
    lua_pushboolean(state, RunnerOf(state)->Accept());
    return 1;
}

} // namespace

WalkthroughRunner::WalkthroughRunner(ScriptHost &live, const QString &scriptFolder)
    : m_live(live), m_scriptFolder(scriptFolder)
{
}

QString WalkthroughRunner::ExpectedFile(const QString &walkthroughFile)
{
    const QFileInfo info(walkthroughFile);
    return info.dir().filePath(info.completeBaseName() + QStringLiteral(".expected"));
}

void WalkthroughRunner::RegisterFunctions()
{
    lua_State *state = m_live.State();
    lua_checkstack(state, kStackRoom);
    lua_pushlightuserdata(state, this);
    lua_pushcclosure(state, &LuaWalkthrough, 1);
    lua_setglobal(state, "walkthrough");
    lua_pushlightuserdata(state, this);
    lua_pushcclosure(state, &LuaWalkthroughAccept, 1);
    lua_setglobal(state, "walkthrough_accept");
}

// Runs compile.lua on the live world into a file of its own, leaving `filename`, the current
// folder and the console as they were: the author's world is only read.
bool WalkthroughRunner::CompileGame(QByteArray *game, QStringList *errors)
{
    QTemporaryFile target(QDir::temp().filePath(QStringLiteral("tarnwick-walkthrough-XXXXXX.lua")));
    if (!target.open()) {
        errors->append(QStringLiteral("Не удалось создать файл игры: %1").arg(target.errorString()));
        return false;
    }
    target.close();

    lua_State *state = m_live.State();
    lua_checkstack(state, kStackRoom);
    lua_getglobal(state, "filename");
    const int savedName = luaL_ref(state, LUA_REGISTRYINDEX);
    const QString folder = QDir::currentPath();
    ConsoleSink *console = m_live.Console();
    ErrorsOnly sink(errors);
    m_live.SetConsole(&sink);
    QDir::setCurrent(m_scriptFolder);
    m_live.RunBytes("filename = " + LuaQuote::QuotedString(QFile::encodeName(target.fileName()))
                    + "; dofile 'compile.lua'");
    QDir::setCurrent(folder);
    m_live.SetConsole(console);
    lua_rawgeti(state, LUA_REGISTRYINDEX, savedName);
    lua_setglobal(state, "filename");
    luaL_unref(state, LUA_REGISTRYINDEX, savedName);

    if (!target.open() || (*game = target.readAll()).isEmpty()) {
        errors->append(QStringLiteral("Игру собрать не удалось; прохождение не прогнано."));
        return false;
    }
    return true;
}

bool WalkthroughRunner::Play(const QStringList &input, QStringList *transcript, QStringList *errors)
{
    QByteArray game;
    if (!CompileGame(&game, errors))
        return false;
    GameTerminal terminal;
    terminal.errors = errors;
    for (const QString &line : input)
        terminal.input.append(CodePage::ToLua(line));
    {
        ScriptHost fresh;
        fresh.SetRunGuard(m_guard);
        InstallTerminal(fresh.State(), &terminal);
        fresh.RunFile(game, QStringLiteral("игра"));
    }
    *transcript = Transcript::Lines(CodePage::FromLua(terminal.output));
    return true;
}

QString WalkthroughRunner::Resolved(const QString &file) const
{
    if (QFileInfo(file).isAbsolute() || !m_baseFolder)
        return file;
    const QString base = m_baseFolder();
    return base.isEmpty() ? file : QDir(base).filePath(file);
}

void WalkthroughRunner::Print(const QString &line, int kind) const
{
    if (ConsoleSink *console = m_live.Console())
        console->ConsolePrint(line, kind);
}

void WalkthroughRunner::Run(const QString &walkthroughFile)
{
    const QString path = Resolved(walkthroughFile);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        Print(QStringLiteral("Не удалось прочитать прохождение %1: %2").arg(path, file.errorString()),
              ConsoleKind::Error);
        return;
    }
    const QStringList input = Transcript::Lines(QString::fromUtf8(file.readAll()));
    QStringList transcript;
    QStringList errors;
    const bool played = Play(input, &transcript, &errors);
    if (!played) {
        for (const QString &error : errors)
            Print(error, ConsoleKind::Error);
        return;
    }
    m_lastWalkthrough = path;
    m_lastTranscript = transcript;

    const QString expectedPath = ExpectedFile(path);
    const QString expectedName = QFileInfo(expectedPath).fileName();
    QFile expectedFile(expectedPath);
    const bool expecting = expectedFile.open(QIODevice::ReadOnly);
    const Transcript::Difference difference =
        expecting ? Transcript::Compare(Transcript::Lines(QString::fromUtf8(expectedFile.readAll())), transcript)
                  : Transcript::Difference();

    // Lines of one kind go to the console together: a long transcript is one insertion, not
    // thousands. The marks go right after the line that differs, or after the last line when the
    // expected transcript goes on further.
    QStringList run;
    int runKind = ConsoleKind::Transcript;
    const auto add = [this, &run, &runKind](const QString &line, int kind) {
        if (kind != runKind && !run.isEmpty()) {
            Print(run.join(QLatin1Char('\n')), runKind);
            run.clear();
        }
        runKind = kind;
        run.append(line);
    };
    add(QStringLiteral("Прохождение %1 (ходов: %2)").arg(QFileInfo(path).fileName()).arg(input.size()),
        ConsoleKind::Transcript);
    for (qsizetype i = 0; i <= transcript.size(); ++i) {
        if (i < transcript.size())
            add(transcript[i], ConsoleKind::Transcript);
        if (difference.line == i + 1)
            for (const QString &line : Transcript::Describe(difference))
                add(line, ConsoleKind::Error);
    }
    for (const QString &error : errors)
        add(error, ConsoleKind::Error);
    if (!expecting)
        add(QStringLiteral("Ожидаемой стенограммы %1 нет; walkthrough_accept() запишет эту.").arg(expectedName),
            ConsoleKind::Transcript);
    else if (difference.line == 0)
        add(QStringLiteral("Стенограмма совпадает с %1 (строк: %2).").arg(expectedName).arg(transcript.size()),
            ConsoleKind::Transcript);
    else
        add(QStringLiteral("Стенограмма расходится с %1 в строке %2.").arg(expectedName).arg(difference.line),
            ConsoleKind::Error);
    Print(run.join(QLatin1Char('\n')), runKind);
}

bool WalkthroughRunner::Accept()
{
    if (m_lastWalkthrough.isEmpty()) {
        Print(QStringLiteral("Принимать нечего: сначала прогоните прохождение (walkthrough 'файл.txt')."),
              ConsoleKind::Error);
        return false;
    }
    const QString path = ExpectedFile(m_lastWalkthrough);
    QSaveFile file(path);
    const QByteArray bytes = Transcript::Text(m_lastTranscript).toUtf8();
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        Print(QStringLiteral("Не удалось записать %1: %2").arg(path, file.errorString()), ConsoleKind::Error);
        return false;
    }
    Print(QStringLiteral("Ожидаемая стенограмма записана в %1 (строк: %2).").arg(path).arg(m_lastTranscript.size()),
          ConsoleKind::Transcript);
    return true;
}
