#pragma once

#include <QByteArray>
#include <QString>

#include <cstdio>
#include <memory>

class LineEditor;

struct lua_State;

// Plays a compiled game in a terminal that speaks UTF-8. The game talks through its GAME_IO table;
// this player fills that table with functions that convert the game's Windows-1251 text to UTF-8
// on the way out and the player's UTF-8 lines to Windows-1251 on the way in.
class GamePlayer
{
public:
    // Lines typed at a terminal are read with editing and history (LineEditor).
    GamePlayer(std::FILE *in, std::FILE *out, std::FILE *errors);
    ~GamePlayer();
    GamePlayer(const GamePlayer &) = delete;
    GamePlayer &operator=(const GamePlayer &) = delete;

    // Whether each line read is written back after the prompt, as when the lines come from a file.
    void SetEcho(bool echo) { m_echo = echo; }

    // Loads and runs the game file; the exit status: 0 when the game ran to its end, 1 when it
    // could not be loaded or stopped with an error (the message goes to the error stream).
    int Run(const QString &path);

private:
    static GamePlayer *Of(lua_State *state);
    static int Write(lua_State *state);
    static int Read(lua_State *state);
    static int Flush(lua_State *state);

    void InstallPort();
    void Report(const QByteArray &luaMessage);
    // One line of the input without its line break; false at the end of the input.
    bool ReadLine(QByteArray *line);
    // Writes terminal text; while lines are edited, what follows the last line break (the
    // prompt) is kept back, for the line editor shows it itself.
    void Put(const QByteArray &text);

    lua_State *m_state = nullptr;
    std::FILE *m_in;
    std::FILE *m_out;
    std::FILE *m_errors;
    bool m_echo = false;
    std::unique_ptr<LineEditor> m_editor;
    QByteArray m_prompt;
};
