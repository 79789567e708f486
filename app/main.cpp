#include "app/mainwin.h"
#include "app/startup.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    PrepareApplication();
    TMainWin main;
    main.show();
    main.StartRecovery();
    return app.exec();
}
