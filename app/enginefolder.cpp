#include "app/enginefolder.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

#include <cstdio>

namespace EngineFolder {

namespace {

const char *const kStartup = "startup.lua";

// The vocabulary window rewrites these: the words in them are the author's.
bool IsAuthorsFile(const QString &name)
{
    return name == QLatin1String("verbs.lua") || name == QLatin1String("nouns.lua")
           || name == QLatin1String("prepositions.lua");
}

// Copies `from` to `to` unless `to` holds the same bytes already, or unless it exists at all
// when `keepExisting`. Written whole or not at all.
bool Lay(const QString &from, const QString &to, bool keepExisting)
{
    if (keepExisting && QFile::exists(to))
        return true;
    QFile source(from);
    if (!source.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = source.readAll();
    QFile present(to);
    if (present.open(QIODevice::ReadOnly) && present.size() == bytes.size()
        && present.readAll() == bytes)
        return true;
    QSaveFile target(to);
    return target.open(QIODevice::WriteOnly) && target.write(bytes) == bytes.size()
           && target.commit();
}

bool LayFolder(const QDir &from, const QDir &to, bool keepAll)
{
    if (!to.mkpath(QStringLiteral(".")))
        return false;
    bool laid = true;
    for (const QString &name : from.entryList(QDir::Files))
        laid = Lay(from.filePath(name), to.filePath(name), keepAll || IsAuthorsFile(name)) && laid;
    return laid;
}

} // namespace

QString Prepare(const QString &programFolder, const QString &userFolder)
{
    const QDir program(programFolder);
    if (program.exists(QLatin1String(kStartup)))
        return programFolder;
    const QDir shared(
        QDir::cleanPath(program.filePath(QStringLiteral(TARNWICK_SHARED_FROM_PROGRAM))));
    if (!shared.exists(QLatin1String(kStartup)))
        return programFolder;
    const QDir user(userFolder);
    const QString examples = QStringLiteral("examples");
    if (!userFolder.isEmpty() && LayFolder(shared, user, false)
        && LayFolder(QDir(shared.filePath(examples)), QDir(user.filePath(examples)), true))
        return user.absolutePath();
    std::fprintf(stderr, "tarnwick: cannot copy the engine into %s; running it from %s\n",
                 qPrintable(QDir::toNativeSeparators(userFolder)),
                 qPrintable(QDir::toNativeSeparators(shared.absolutePath())));
    return shared.absolutePath();
}

} // namespace EngineFolder
