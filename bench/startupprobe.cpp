// Started by the start-up benchmark: shows the program's main window as the program starts it
// ("program"), or a bare main window ("bare"), writes "shown" once the window is on screen (and,
// for the program, its console ready) and ends.
#include "app/mainwin.h"
#include "app/startup.h"
#include "console/consolewin.h"
#include "script/scripthost.h"

#include <QApplication>
#include <QTest>

#include <cstdio>
#include <memory>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const bool bare = argc > 1 && qstrcmp(argv[1], "bare") == 0;
    std::unique_ptr<QMainWindow> window;
    TMainWin *program = nullptr;
    if (bare) {
        window = std::make_unique<QMainWindow>();
    } else {
        PrepareApplication();
        window.reset(program = new TMainWin);
    }
    window->show();
    if (!QTest::qWaitForWindowExposed(window.get()))
        return 1;
    // The console has run the engine's start-up and the help is defined: the author can type.
    if (program && !(program->Console()->isVisible()
                     && program->Host().EvalDefined(QStringLiteral("HELP"))
                     && program->Host().EvalDefined(QStringLiteral("player"))))
        return 1;
    std::puts("shown");
    std::fflush(stdout);
    return 0;
}
