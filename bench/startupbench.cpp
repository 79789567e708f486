#include "bench/benchmarks.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int kRuns = 5;

// From starting the process to its "shown" line; a negative time when it failed.
double StartSeconds(const char *mode)
{
    QProcess probe;
    probe.setStandardErrorFile(QProcess::nullDevice());
    QElapsedTimer clock;
    clock.start();
    probe.start(QCoreApplication::applicationDirPath() + QStringLiteral("/tarnwick-startup-probe"),
                {QString::fromLatin1(mode)});
    while (!probe.canReadLine() && probe.waitForReadyRead(30000)) {
    }
    const double seconds = Seconds(clock);
    const bool shown = probe.readLine().trimmed() == "shown";
    probe.waitForFinished(30000);
    return shown && probe.exitCode() == 0 ? seconds : -1;
}

} // namespace

void BenchStartup()
{
    std::vector<double> program;
    std::vector<double> bare;
    // Taken in turns, so a busy moment of the machine weighs on both alike.
    for (int run = 0; run < kRuns; ++run) {
        program.push_back(StartSeconds("program"));
        bare.push_back(StartSeconds("bare"));
    }
    if (*std::min_element(program.begin(), program.end()) < 0
        || *std::min_element(bare.begin(), bare.end()) < 0) {
        std::printf("startup: the start-up probe failed\n");
        return;
    }
    const double programSeconds = Median(program);
    const double bareSeconds = Median(bare);
    std::printf("startup: main window shown, console ready %.3f s (target < 0.5)\n",
                programSeconds);
    std::printf("startup: bare main window shown           %.3f s\n", bareSeconds);
    std::printf("startup: ratio to bare main window        %.2f (target <= 3)\n",
                programSeconds / bareSeconds);
}
