#pragma once

// What the engine tests share: a host with the engine started, transcripts of play in the host
// and in a compiled game, and running the terminal player or a stock Lua on a compiled game.

#include "play/transcript.h"
#include "script/codepage.h"
#include "script/luaquote.h"
#include "script/scriptclients.h"
#include "script/scripthost.h"
#include "tests/support/files.h"
#include "tests/support/recordingconsole.h"

#include <QCoreApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>

#include <memory>

namespace EngineTesting {

inline QString U(const char *text)
{
    return QString::fromUtf8(text);
}

// The answer lines written since entry `from`: print lines without the tab that print ends every
// value with, error lines marked with a leading "!", a text with line breaks as several lines.
inline QStringList Answers(const RecordingConsole &console, int from, bool markErrors = true)
{
    QStringList lines;
    for (qsizetype i = from; i < console.lines.size(); ++i) {
        const auto &line = console.lines[i];
        if (line.second != ConsoleKind::Normal && line.second != ConsoleKind::Error)
            continue;
        QString text = line.first;
        if (line.second == ConsoleKind::Normal && text.endsWith(QLatin1Char('\t')))
            text.chop(1);
        text.remove(QLatin1Char('\r'));
        const QStringList parts = text.split(QLatin1Char('\n'));
        for (const QString &part : parts)
            lines.append(line.second == ConsoleKind::Error && markErrors ? QLatin1Char('!') + part : part);
    }
    return lines;
}

// Runs Lua text; returns the error lines it wrote, joined by line breaks.
inline QString RunForErrors(ScriptHost &host, RecordingConsole &console, const QString &text)
{
    const qsizetype from = console.lines.size();
    host.RunLua(text);
    RecordingConsole written;
    written.lines = console.lines.mid(from);
    return written.Errors();
}

// A fresh host with the engine started, writing to an emptied console; the errors the start wrote.
inline QString StartEngine(std::unique_ptr<ScriptHost> &host, RecordingConsole &console)
{
    host = std::make_unique<ScriptHost>();
    console = RecordingConsole();
    host->SetConsole(&console);
    return RunForErrors(*host, console, QStringLiteral("dofile 'startup.lua'"));
}

inline void Parse(ScriptHost &host, const QString &line)
{
    host.RunLua(QStringLiteral("parse (") + LuaQuote::LongString(line) + QLatin1Char(')'));
}

// Plays lines in the host the way a compiled game's main loop does: the start of the game, then
// every line after the prompt, until the lines end or the game does. Errors are not marked, as a
// game writes them like any other line.
inline QStringList HostTranscript(ScriptHost &host, RecordingConsole &console, const QStringList &input)
{
    QStringList transcript;
    qsizetype from = console.lines.size();
    host.RunLua(QStringLiteral("start_game()"));
    transcript += Answers(console, int(from), false);
    for (const QString &line : input) {
        if (host.EvalString(QStringLiteral("tostring(GAME_OVER)")) == QLatin1String("true"))
            break;
        transcript.append(QStringLiteral("> ") + line);
        from = console.lines.size();
        Parse(host, line);
        transcript += Answers(console, int(from), false);
    }
    return transcript;
}

struct Run
{
    int exitCode = -1;
    QStringList out;
    QString errors;
};

inline QString PlayerPath()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/tarnwick-play");
}

// The terminal player on a game with the lines as UTF-8 input (a pipe, so it echoes them).
inline Run PlayInTerminal(const QStringList &args, const QStringList &input)
{
    QProcess process;
    process.start(PlayerPath(), args);
    Run run;
    if (!process.waitForStarted(10000))
        return run;
    for (const QString &line : input)
        process.write(line.toUtf8() + '\n');
    process.closeWriteChannel();
    process.waitForFinished(60000);
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = Transcript::Lines(QString::fromUtf8(process.readAllStandardOutput()));
    run.errors = QString::fromUtf8(process.readAllStandardError());
    return run;
}

// The stock Lua 5.1 interpreter on PATH, or empty.
inline QString StockLua()
{
    return QStandardPaths::findExecutable(QStringLiteral("lua5.1"));
}

// A stock Lua on a game, talking Windows-1251 both ways as the game itself does; GAME_ECHO is set
// so the transcript reads like the terminal player's.
inline Run PlayInStockLua(const QString &lua, const QString &game, const QStringList &input)
{
    QProcess process;
    process.start(lua, {QStringLiteral("-e"), QStringLiteral("GAME_ECHO = true"), game});
    Run run;
    if (!process.waitForStarted(10000))
        return run;
    for (const QString &line : input)
        process.write(CodePage::ToLua(line) + '\n');
    process.closeWriteChannel();
    process.waitForFinished(60000);
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = Transcript::Lines(CodePage::FromLua(process.readAllStandardOutput()));
    run.errors = CodePage::FromLua(process.readAllStandardError());
    return run;
}

// A message for a failed comparison of two transcripts: the first line where they part.
inline QByteArray FirstDifference(const QStringList &a, const QStringList &b)
{
    const qsizetype count = qMax(a.size(), b.size());
    for (qsizetype i = 0; i < count; ++i) {
        const QString left = a.value(i, QStringLiteral("<none>"));
        const QString right = b.value(i, QStringLiteral("<none>"));
        if (left != right)
            return QStringLiteral("line %1: \"%2\" vs \"%3\"").arg(i + 1).arg(left, right).toUtf8();
    }
    return QByteArray("same");
}

} // namespace EngineTesting
