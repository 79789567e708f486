#pragma once

#include "widgets/asker.h"

#include <QStringList>

// Answers the questions with a set button ("Выход" always with No) and records them.
class Answers : public Asker
{
public:
    QMessageBox::StandardButton Question(QWidget *, const QString &caption, const QString &text,
                                         QMessageBox::StandardButtons) override
    {
        asked.append(caption + QLatin1Char('|') + text);
        return caption == QStringLiteral("Выход") ? QMessageBox::No : answer;
    }
    bool AskText(QWidget *, const QString &, const QString &, QString *) override { return false; }

    QMessageBox::StandardButton answer = QMessageBox::No;
    QStringList asked;
};
