#include "app/mainwin.h"

#include <QApplication>
#include <QDir>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tarnwick"));
    // The engine scripts lie beside the program and are run by name from the current folder.
    QDir::setCurrent(QCoreApplication::applicationDirPath());
    TMainWin main;
    main.show();
    return app.exec();
}
