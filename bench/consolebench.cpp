#include "bench/benchmarks.h"
#include "console/consolewin.h"
#include "script/scripthost.h"

#include <QCoreApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>

#include <cstdio>

namespace {

constexpr int kLines = 100000;

void Settle()
{
    QCoreApplication::processEvents();
}

// The limit: the same lines put into a bare plain-text view in one insertion.
double BulkInsertSeconds()
{
    QStringList lines;
    lines.reserve(kLines);
    for (int i = 1; i <= kLines; ++i)
        lines.append(QString::number(i) + QLatin1Char('\t'));
    QPlainTextEdit edit;
    edit.resize(605, 400);
    edit.show();
    Settle();
    QElapsedTimer clock;
    clock.start();
    edit.appendPlainText(lines.join(QLatin1Char('\n')));
    edit.ensureCursorVisible();
    Settle();
    return Seconds(clock);
}

struct ConsoleFigures
{
    double printSeconds;
    double answerSeconds;
};

ConsoleFigures ConsolePrintSeconds()
{
    ScriptHost host;
    TConsoleWin console(host);
    host.SetConsole(&console);
    console.resize(605, 452);
    console.show();
    Settle();
    QElapsedTimer clock;
    clock.start();
    host.RunLua(QStringLiteral("for i = 1, %1 do print(i) end").arg(kLines));
    Settle();
    const double printSeconds = Seconds(clock);

    // The console must answer the next line at once, however long its log has grown.
    clock.restart();
    console.Input()->lineEdit()->setText(QStringLiteral("answer = 42"));
    QTest::keyClick(console.Input()->lineEdit(), Qt::Key_Return);
    Settle();
    const double answerSeconds = Seconds(clock);
    if (host.EvalString(QStringLiteral("answer")) != QLatin1String("42"))
        std::printf("console did not run the line after the loop\n");
    host.SetConsole(nullptr);
    return {printSeconds, answerSeconds};
}

double EvalStringMicroseconds()
{
    ScriptHost host;
    host.RunLua(QStringLiteral("room = { name = 'Комната' }"));
    constexpr int kCalls = 200000;
    QElapsedTimer clock;
    clock.start();
    qsizetype total = 0;
    for (int i = 0; i < kCalls; ++i)
        total += host.EvalString(QStringLiteral("room.name")).size();
    const double micro = Seconds(clock) * 1e6 / kCalls;
    if (total != qsizetype(kCalls) * 7)
        std::printf("EvalString gave a wrong text\n");
    return micro;
}

} // namespace

void BenchConsole()
{
    const double limit = BulkInsertSeconds();
    const ConsoleFigures console = ConsolePrintSeconds();
    const double eval = EvalStringMicroseconds();
    std::printf("console: %d print calls shown          %.3f s\n", kLines, console.printSeconds);
    std::printf("console: same lines in one bulk insert    %.3f s\n", limit);
    std::printf("console: ratio to bulk insert             %.2f (target <= 3)\n",
                console.printSeconds / limit);
    std::printf("console: next line answered after         %.4f s\n", console.answerSeconds);
    std::printf("script:  one EvalString call              %.2f us (target < 5)\n", eval);
}
