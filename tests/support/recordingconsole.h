#pragma once

#include "script/scriptclients.h"

#include <QList>
#include <QPair>
#include <QString>

#include <functional>

// A console sink that keeps every line with its kind, for tests of what Lua prints.
class RecordingConsole : public ConsoleSink
{
public:
    void ConsolePrint(const QString &text, int kind) override
    {
        lines.append({text, kind});
        if (onLine)
            onLine(text);
    }
    void Flush() override { ++flushes; }

    QStringList Texts(int kind = -1) const
    {
        QStringList texts;
        for (const auto &line : lines)
            if (kind < 0 || line.second == kind)
                texts.append(line.first);
        return texts;
    }

    QString Errors() const { return Texts(ConsoleKind::Error).join(QLatin1Char('\n')); }

    QList<QPair<QString, int>> lines;
    // Called as each line arrives, to look at the program while it prints.
    std::function<void(const QString &)> onLine;
    int flushes = 0;
};
