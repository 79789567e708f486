#include "play/gameplayer.h"

#include "play/lineeditor.h"
#include "script/codepage.h"
#include "script/luaapi.h"

#include <QFile>

namespace {

// The terminal's UTF-8 for the game's Windows-1251 bytes.
QByteArray ToTerminal(const char *bytes, size_t length)
{
    return CodePage::FromLua(bytes, qsizetype(length)).toUtf8();
}

} // namespace

GamePlayer::GamePlayer(std::FILE *in, std::FILE *out, std::FILE *errors)
    : m_in(in), m_out(out), m_errors(errors)
{
    m_state = luaL_newstate();
    luaL_openlibs(m_state);
    if (LineEditor::Available(in))
        m_editor = std::make_unique<LineEditor>(in, out);
}

GamePlayer::~GamePlayer()
{
    lua_close(m_state);
}

GamePlayer *GamePlayer::Of(lua_State *state)
{
    return static_cast<GamePlayer *>(lua_touserdata(state, lua_upvalueindex(1)));
}

// GAME_IO.write (...): strings and numbers as text, anything else by its type name.
int GamePlayer::Write(lua_State *state)
{
    GamePlayer *player = Of(state);
    const int count = lua_gettop(state);
    for (int i = 1; i <= count; ++i) {
        QByteArray text;
        const int type = lua_type(state, i);
        if (type == LUA_TSTRING || type == LUA_TNUMBER) {
            size_t length = 0;
            const char *bytes = lua_tolstring(state, i, &length);
            text = ToTerminal(bytes, length);
        } else {
            text = lua_typename(state, type);
        }
        player->Put(text);
    }
    return 0;
}

void GamePlayer::Put(const QByteArray &text)
{
    if (!m_editor) {
        std::fwrite(text.constData(), 1, size_t(text.size()), m_out);
        return;
    }
    m_prompt += text;
    const qsizetype end = m_prompt.lastIndexOf('\n') + 1;
    std::fwrite(m_prompt.constData(), 1, size_t(end), m_out);
    m_prompt.remove(0, end);
}

// GAME_IO.read (): the next line in Windows-1251, or nil at the end of the input.
int GamePlayer::Read(lua_State *state)
{
    GamePlayer *player = Of(state);
    QByteArray line;
    if (!player->ReadLine(&line)) {
        lua_pushnil(state);
        return 1;
    }
    const QByteArray bytes = CodePage::ToLua(QString::fromUtf8(line));
    lua_pushlstring(state, bytes.constData(), size_t(bytes.size()));
    return 1;
}

int GamePlayer::Flush(lua_State *state)
{
    std::fflush(Of(state)->m_out);
    return 0;
}

// Reads byte by byte up to the line feed, so that a line holding NUL bytes stays one line with
// all its bytes (a C string read would end at the first NUL and glue the rest to the next line).
bool GamePlayer::ReadLine(QByteArray *line)
{
    line->clear();
    if (m_editor) {
        std::fflush(m_out);
        const QByteArray prompt = m_prompt;
        m_prompt.clear();
        return m_editor->ReadLine(prompt, line);
    }
    int c = std::getc(m_in);
    if (c == EOF)
        return false;
    while (c != EOF && c != '\n') {
        line->append(char(c));
        c = std::getc(m_in);
    }
    while (line->endsWith('\r'))
        line->chop(1);
    return true;
}

void GamePlayer::InstallPort()
{
    lua_newtable(m_state);
    const struct
    {
        const char *name;
        lua_CFunction function;
    } functions[] = {{"write", &GamePlayer::Write}, {"read", &GamePlayer::Read}, {"flush", &GamePlayer::Flush}};
    for (const auto &f : functions) {
        lua_pushstring(m_state, f.name);
        lua_pushlightuserdata(m_state, this);
        lua_pushcclosure(m_state, f.function, 1);
        lua_rawset(m_state, -3);
    }
    lua_setglobal(m_state, "GAME_IO");
    lua_pushboolean(m_state, m_echo ? 1 : 0);
    lua_setglobal(m_state, "GAME_ECHO");
}

void GamePlayer::Report(const QByteArray &luaMessage)
{
    std::fflush(m_out);
    const QByteArray text = ToTerminal(luaMessage.constData(), size_t(luaMessage.size()));
    std::fprintf(m_errors, "tarnwick-play: %s\n", text.constData());
    std::fflush(m_errors);
}

int GamePlayer::Run(const QString &path)
{
    InstallPort();
    const QByteArray fileName = QFile::encodeName(path);
    int status = luaL_loadfile(m_state, fileName.constData());
    if (status == 0)
        status = lua_pcall(m_state, 0, 0, 0);
    // A prompt kept back for a line that was never read.
    std::fwrite(m_prompt.constData(), 1, size_t(m_prompt.size()), m_out);
    m_prompt.clear();
    std::fflush(m_out);
    if (status != 0) {
        size_t length = 0;
        const char *message = lua_tolstring(m_state, -1, &length);
        Report(message ? QByteArray(message, qsizetype(length)) : QByteArray("(error object is not a string)"));
        lua_pop(m_state, 1);
        return 1;
    }
    return 0;
}
