#pragma once

// The corpus of player lines and its games (in UTF-8 beside this header), put into a script host
// with the Lua that plays them (corpus.lua): after Load, run_corpus() gives the result.

#include "script/luaquote.h"
#include "script/scripthost.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

namespace CorpusFiles {

inline QString Dir()
{
    return QFileInfo(QString::fromUtf8(__FILE__)).absolutePath();
}

inline QString Read(const QString &name)
{
    QFile file(Dir() + QLatin1Char('/') + name);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// False when a file is missing or the runner did not load.
inline bool Load(ScriptHost &host)
{
    const QString corpus = Read(QStringLiteral("corpus.txt"));
    const QString runner = Read(QStringLiteral("corpus.lua"));
    if (corpus.isEmpty() || runner.isEmpty())
        return false;
    QString text = QStringLiteral("CORPUS_TEXT = ") + LuaQuote::LongString(corpus) + QStringLiteral("\nCORPUS_GAMES = {}\n");
    for (const QString &game : QDir(Dir()).entryList({QStringLiteral("*.twk")}))
        text += QStringLiteral("CORPUS_GAMES['%1'] = ").arg(game) + LuaQuote::LongString(Read(game)) + QLatin1Char('\n');
    host.RunLua(text + runner);
    return host.EvalDefined(QStringLiteral("run_corpus"));
}

} // namespace CorpusFiles
