#pragma once

#include "widgets/asker.h"

#include <QHash>
#include <QStringList>

#include <functional>

// Answers every question and dialog as the test set it, without a modal box, and records how each
// was asked: questions of any icon as "caption|text", input dialogs as "caption|prompt|initial".
class FakeAsker : public Asker
{
public:
    QMessageBox::StandardButton Question(QWidget *, const QString &caption, const QString &text,
                                         QMessageBox::StandardButtons buttons) override
    {
        asked << caption + QLatin1Char('|') + text;
        lastButtons = buttons;
        return answerFor.value(caption, answer);
    }
    bool AskText(QWidget *, const QString &caption, const QString &prompt, QString *answer) override
    {
        textsAsked << caption + QLatin1Char('|') + prompt + QLatin1Char('|') + *answer;
        *answer = text;
        return confirm;
    }
    void ShowError(QWidget *, const QString &, const QString &text) override { errors << text; }
    bool AskOpenFile(QWidget *, const QString &, QString *name) override
    {
        *name = openName;
        return !openName.isEmpty();
    }
    bool AskSaveFile(QWidget *, const QString &, QString *name) override
    {
        offeredNames << *name;
        if (onSaveDialog)
            onSaveDialog();
        *name = saveName;
        return !saveName.isEmpty();
    }

    QMessageBox::StandardButton answer = QMessageBox::No;
    QHash<QString, QMessageBox::StandardButton> answerFor; // by caption, before answer
    QString text;         // typed into an input dialog
    bool confirm = false; // whether the input dialog is confirmed
    QString openName, saveName; // chosen in a file dialog; empty cancels it
    std::function<void()> onSaveDialog; // stands for the save dialog while it is up

    QStringList asked, textsAsked, errors, offeredNames;
    QMessageBox::StandardButtons lastButtons;
};
