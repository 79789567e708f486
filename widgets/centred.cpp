#include "widgets/centred.h"

#include <QGuiApplication>
#include <QLayout>
#include <QScreen>
#include <QWidget>

void ShowCentred(QWidget *window)
{
    QWidget *parent = window->parentWidget();
    QScreen *screen = parent ? parent->screen() : nullptr;
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    // A fixed-size window knows its size only once its layout has run.
    if (window->layout())
        window->layout()->activate();
    if (screen) {
        QRect frame = window->frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        window->move(frame.topLeft());
    }
    window->show();
    window->raise();
    window->activateWindow();
}
