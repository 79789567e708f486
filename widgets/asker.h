#pragma once

#include <QMessageBox>

// Questions to the author go through here, so tests can answer them without a modal box. Only
// the two questions every window asks must be answered; the rest answer "cancel" unless a
// subclass shows them.
class Asker
{
public:
    virtual ~Asker() = default;
    virtual QMessageBox::StandardButton Question(QWidget *parent, const QString &caption,
                                                 const QString &text,
                                                 QMessageBox::StandardButtons buttons) = 0;
    // A one-line input dialog; false when the author cancelled it.
    virtual bool AskText(QWidget *parent, const QString &caption, const QString &prompt,
                         QString *answer) = 0;

    // A question with the exclamation icon, for a step that may lose something.
    virtual QMessageBox::StandardButton Warning(QWidget *parent, const QString &caption,
                                                const QString &text,
                                                QMessageBox::StandardButtons buttons)
    {
        return Question(parent, caption, text, buttons);
    }
    // A question with the stop icon, for a step that may break the world.
    virtual QMessageBox::StandardButton Stop(QWidget *parent, const QString &caption,
                                             const QString &text,
                                             QMessageBox::StandardButtons buttons)
    {
        return Warning(parent, caption, text, buttons);
    }
    // Something failed; the author is told and the program goes on.
    virtual void ShowError(QWidget *parent, const QString &caption, const QString &text)
    {
        Q_UNUSED(parent) Q_UNUSED(caption) Q_UNUSED(text)
    }
    // File dialogs with a filter "description|pattern"; false when cancelled.
    virtual bool AskOpenFile(QWidget *parent, const QString &filter, QString *name)
    {
        Q_UNUSED(parent) Q_UNUSED(filter) Q_UNUSED(name)
        return false;
    }
    virtual bool AskSaveFile(QWidget *parent, const QString &filter, QString *name)
    {
        Q_UNUSED(parent) Q_UNUSED(filter) Q_UNUSED(name)
        return false;
    }
};

// Asks with real message boxes and dialogs.
class MessageBoxAsker : public Asker
{
public:
    QMessageBox::StandardButton Question(QWidget *parent, const QString &caption,
                                         const QString &text,
                                         QMessageBox::StandardButtons buttons) override;
    bool AskText(QWidget *parent, const QString &caption, const QString &prompt,
                 QString *answer) override;
    QMessageBox::StandardButton Warning(QWidget *parent, const QString &caption,
                                        const QString &text,
                                        QMessageBox::StandardButtons buttons) override;
    QMessageBox::StandardButton Stop(QWidget *parent, const QString &caption, const QString &text,
                                     QMessageBox::StandardButtons buttons) override;
    void ShowError(QWidget *parent, const QString &caption, const QString &text) override;
    bool AskOpenFile(QWidget *parent, const QString &filter, QString *name) override;
    bool AskSaveFile(QWidget *parent, const QString &filter, QString *name) override;
};
