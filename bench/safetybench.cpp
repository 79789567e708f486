#include "app/mainwin.h"
#include "bench/benchmarks.h"
#include "play/walkthroughrunner.h"
#include "project/recovery.h"
#include "script/scripthost.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>

namespace {

// A thousand player's lines: the sample's walkthrough but its winning move, over and over.
QByteArray ThousandLines(const QString &walkthrough)
{
    QFile file(walkthrough);
    file.open(QIODevice::ReadOnly);
    QList<QByteArray> lines = file.readAll().trimmed().split('\n');
    lines.removeLast();
    QByteArray text;
    for (int i = 0; i < 1000; ++i)
        text += lines[i % lines.size()] + '\n';
    return text;
}

void BenchWalkthrough(const QTemporaryDir &dir)
{
    const QString bin = QCoreApplication::applicationDirPath();
    TMainWin main;
    main.Project().OpenFile(bin + QStringLiteral("/examples/house.twk"));
    const QString walk = dir.filePath(QStringLiteral("long.txt"));
    QFile file(walk);
    file.open(QIODevice::WriteOnly);
    file.write(ThousandLines(bin + QStringLiteral("/examples/house-walkthrough.txt")));
    file.close();

    // As the menu runs it: compiled, played in a fresh state, the transcript shown in the console.
    QElapsedTimer clock;
    clock.start();
    main.Walkthrough().Run(walk);
    const double inProgram = Seconds(clock);

    main.Project().CompileProject(dir.filePath(QStringLiteral("house.twk")));
    QProcess player;
    player.setStandardInputFile(walk);
    player.setStandardOutputFile(QProcess::nullDevice());
    clock.restart();
    player.start(bin + QStringLiteral("/tarnwick-play"), {dir.filePath(QStringLiteral("house.lua"))});
    player.waitForFinished(60000);
    const double terminal = Seconds(clock);

    std::printf("walkthrough: 1,000 lines of the sample in the program   %.3f s (target < 1)\n", inProgram);
    std::printf("walkthrough: the same lines in tarnwick-play            %.3f s; ratio %.2f (target <= 2)\n",
                terminal, inProgram / terminal);
}

void BenchRecovery(const QTemporaryDir &dir)
{
    ScriptHost host;
    host.RunLua(QStringLiteral("dofile 'startup.lua'"));
    host.RunLua(QString::fromUtf8(kTenThousandObjects));
    RecoveryKeeper keeper(host, dir.filePath(QStringLiteral("recovery")), QDir::currentPath());
    QElapsedTimer clock;
    clock.start();
    keeper.MatchesProject(QString());
    const double measured = Seconds(clock);
    host.RunLua(QStringLiteral("room1:create('extra')"));
    QString problem;
    clock.restart();
    const bool written = keeper.Update(QStringLiteral("big.twk"), &problem);
    const double copied = Seconds(clock);
    std::printf("recovery: what 10,000 objects' file holds, measured    %.3f s (at Open and New)\n", measured);
    std::printf("recovery: a copy of 10,000 objects %s         %.3f s (every two minutes while unsaved)\n",
                written ? "written" : "NOT WRITTEN", copied);
    keeper.RemoveAll();
}

} // namespace

void BenchSafety()
{
    QTemporaryDir dir;
    BenchWalkthrough(dir);
    BenchRecovery(dir);
}
