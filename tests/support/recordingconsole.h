#pragma once

#include "script/scriptclients.h"

#include <QList>
#include <QPair>
#include <QString>

// A console sink that keeps every line with its kind, for tests of what Lua prints.
class RecordingConsole : public ConsoleSink
{
public:
    void ConsolePrint(const QString &text, int kind) override { lines.append({text, kind}); }
    void Flush() override { ++flushes; }

    QStringList Texts() const
    {
        QStringList texts;
        for (const auto &line : lines)
            texts.append(line.first);
        return texts;
    }

    // The lines written in red, joined by line breaks.
    QString Errors() const
    {
        QStringList errors;
        for (const auto &line : lines)
            if (line.second == ConsoleKind::Error)
                errors.append(line.first);
        return errors.join(QLatin1Char('\n'));
    }

    QList<QPair<QString, int>> lines;
    int flushes = 0;
};
