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

    QList<QPair<QString, int>> lines;
    int flushes = 0;
};
