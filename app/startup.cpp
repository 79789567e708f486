#include "app/startup.h"

#include "app/aboutwin.h"
#include "app/emblem.h"
#include "app/enginefolder.h"
#include "app/translations.h"

#include <QApplication>
#include <QDir>
#include <QStandardPaths>

#include <cstdio>

void PrepareApplication()
{
    QApplication::setApplicationName(QStringLiteral("Tarnwick"));
    QApplication::setApplicationVersion(TAboutWin::Version());
    QApplication::setDesktopFileName(QStringLiteral("tarnwick"));
    QApplication::setWindowIcon(Emblem::Icon());
    if (!LoadRussianTranslations())
        std::fprintf(stderr, "tarnwick: the toolkit's Russian texts are not installed; its dialogs "
                             "stay in English\n");
    QDir::setCurrent(EngineFolder::Prepare(
        QCoreApplication::applicationDirPath(),
        QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)));
}
