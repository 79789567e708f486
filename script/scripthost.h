#pragma once

#include "script/scriptclients.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

struct lua_State;

// The one Lua state of the program, and the ways the windows run and read Lua text in it.
// Runs nest: a C function called from a chunk may run further chunks. Every operation leaves the
// Lua stack as it found it.
class ScriptHost
{
public:
    ScriptHost();
    ~ScriptHost();
    ScriptHost(const ScriptHost &) = delete;
    ScriptHost &operator=(const ScriptHost &) = delete;

    lua_State *State() const { return m_state; }

    void SetConsole(ConsoleSink *console) { m_console = console; }
    void SetItems(ItemsRefresher *items) { m_items = items; }
    void SetMap(MapCanvas *map) { m_map = map; }
    void SetRunGuard(RunGuard *guard) { m_guard = guard; }
    ConsoleSink *Console() const { return m_console; }
    ItemsRefresher *Items() const { return m_items; }
    MapCanvas *Map() const { return m_map; }

    // Runs widget text as one chunk; a failure goes through the alert rule. Results are dropped.
    void RunLua(const QString &text);
    // Echoes the text to the console as a command line, then runs it: how the windows run the
    // statements they compose on the author's behalf.
    void RunEchoed(const QString &text);
    // The same for bytes that are already in the script's code page (files, generated text).
    void RunBytes(const QByteArray &chunk);
    // Runs the bytes of a file as one chunk named after the file, so an error names the file and
    // the line. Results are dropped.
    void RunFile(const QByteArray &chunk, const QString &fileName);
    // Runs a chunk and leaves its results on the stack, the last on top; returns their number, or
    // -1 when it failed (nothing left then). The caller pops what it was given.
    int RunKeepingResults(const QByteArray &chunk);
    int RunKeepingResults(const QByteArray &chunk, const QByteArray &chunkName);
    // Runs widget text as RunLua does, but a failure is not reported: false, with the message
    // that the alert rule would have been given in *failure. Report hands it on later, if at all.
    bool RunUnreported(const QString &text, QByteArray *failure);
    // Reports a failure's message through the alert rule, as a failing chunk is reported.
    void Report(const QByteArray &failure);

    // The expression's value as text when it is a string or a number, else empty.
    QString EvalString(const QString &expression);
    // True unless the expression's value is nil or it failed.
    bool EvalDefined(const QString &expression);
    // The value as a Lua literal: 'quoted' string, number to 15 digits, true or false; else empty.
    QString EvalLiteral(const QString &expression);

    // A file name for Lua's io library: the path in the file system's own encoding, which the
    // io functions pass on as they are (a folder with Cyrillic letters is found). Text that Lua
    // later prints with the name in it shows the name as the file system spells it.
    QByteArray FileNameForLua(const QString &path);
    // Lua bytes as the console shows them: Windows-1251 text, with the file names handed to Lua
    // read back in the file system's encoding.
    QString ShownText(const QByteArray &bytes) const;
    // Where `require` looks for a module NAME: NAME.lua in each folder, in order.
    void SetModuleFolders(const QStringList &folders);

    // How many chunks are running, outermost included.
    int Depth() const { return m_depth; }

    // The text of a number as EvalLiteral writes it.
    static QString LiteralNumber(double value);

private:
    void OpenLibraries();
    void RegisterFunctions();
    int Run(const QByteArray &chunk, const QByteArray &chunkName, QByteArray *failure);
    void Alert();
    void EnterRun();
    void LeaveRun();
    static void CountHook(lua_State *state, struct lua_Debug *debug);

    lua_State *m_state = nullptr;
    ConsoleSink *m_console = nullptr;
    ItemsRefresher *m_items = nullptr;
    MapCanvas *m_map = nullptr;
    RunGuard *m_guard = nullptr;
    int m_depth = 0;
    QElapsedTimer m_runClock;
    qint64 m_guardAskedMs = 0;
    // File names handed to Lua whose bytes differ from their Windows-1251 form, newest first.
    QList<QPair<QByteArray, QString>> m_fileNames;
};

// The host that owns a Lua state, for the functions registered in it.
ScriptHost *HostOf(lua_State *state);
