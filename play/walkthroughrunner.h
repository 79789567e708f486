#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

class RunGuard;
class ScriptHost;

// Plays a walkthrough against the world being built, as a player of the compiled game would: the
// world is compiled into a game (compile.lua), the game runs in a fresh Lua state of its own with
// the walkthrough's lines as its input, and the transcript it writes is shown in the console and
// checked against the expected one kept beside the walkthrough (the walkthrough's name with the
// extension ".expected"). The author's live world keeps its state: what the game does happens in
// the other state.
class WalkthroughRunner
{
public:
    WalkthroughRunner(ScriptHost &live, const QString &scriptFolder);

    // Asked while the game runs for long, as for the console's chunks, so an endless loop stops.
    void SetRunGuard(RunGuard *guard) { m_guard = guard; }
    // The folder a relative walkthrough name is found in (the project's).
    void SetBaseFolder(std::function<QString()> folder) { m_baseFolder = std::move(folder); }

    // Defines walkthrough (file) and walkthrough_accept () in the live state.
    void RegisterFunctions();

    // Compiles the live world and plays the lines in a fresh state. False, with the reasons in
    // *errors, when no game could be made; errors of the game itself are added to *errors too.
    bool Play(const QStringList &input, QStringList *transcript, QStringList *errors);

    // Plays the walkthrough file (UTF-8, one player's line a line) and writes its transcript into
    // the console, marking where it first differs from the expected transcript.
    void Run(const QString &walkthroughFile);
    // Writes the transcript of the last run as the expected one; false (the author told why)
    // when there was no run or the file cannot be written.
    bool Accept();

    static QString ExpectedFile(const QString &walkthroughFile);

private:
    bool CompileGame(QByteArray *game, QStringList *errors);
    QString Resolved(const QString &file) const;
    void Print(const QString &line, int kind) const;

    ScriptHost &m_live;
    QString m_scriptFolder;
    RunGuard *m_guard = nullptr;
    std::function<QString()> m_baseFolder;
    QString m_lastWalkthrough;
    QStringList m_lastTranscript;
};
