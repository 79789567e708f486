#pragma once

#include "widgets/asker.h"
#include "widgets/windowlinks.h"

#include <QStringList>

// The object tree as the properties window sees it: a selected node and its owner, set by the
// test, and a record of what was written into the search box.
class FakeSelection : public ObjectSelection
{
public:
    QString SelectedUid() const override { return uid; }
    QString SelectedParentUid() const override { return parentUid; }
    void WriteSearch(const QString &text) override { searches.append(text); }

    void Select(const QString &selected, const QString &parent)
    {
        uid = selected;
        parentUid = parent;
    }

    QString uid;
    QString parentUid;
    QStringList searches;
};

// Answers the one-line input dialog as the test says, and remembers how it was asked and what
// it was warned of.
class FakeAsker : public Asker
{
public:
    QMessageBox::StandardButton Question(QWidget *, const QString &, const QString &,
                                         QMessageBox::StandardButtons) override
    {
        return QMessageBox::No;
    }

    bool AskText(QWidget *, const QString &caption, const QString &prompt, QString *text) override
    {
        captions.append(caption);
        prompts.append(prompt);
        initialTexts.append(*text);
        *text = answer;
        return confirm;
    }

    QMessageBox::StandardButton Warning(QWidget *, const QString &caption, const QString &text,
                                        QMessageBox::StandardButtons) override
    {
        warnings.append(caption + QLatin1Char('|') + text);
        return QMessageBox::Ok;
    }

    QString answer;
    bool confirm = true;
    QStringList warnings;
    QStringList captions;
    QStringList prompts;
    QStringList initialTexts;
};
