#pragma once

#include <QInputDialog>
#include <QMessageBox>

// Questions to the author go through here, so tests can answer them without a modal box.
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
};

// Asks with a real message box.
class MessageBoxAsker : public Asker
{
public:
    QMessageBox::StandardButton Question(QWidget *parent, const QString &caption,
                                         const QString &text,
                                         QMessageBox::StandardButtons buttons) override
    {
        QMessageBox box(QMessageBox::Question, caption, text, buttons, parent);
        box.setAccessibleName(caption);
        return QMessageBox::StandardButton(box.exec());
    }

    bool AskText(QWidget *parent, const QString &caption, const QString &prompt,
                 QString *answer) override
    {
        QInputDialog dialog(parent);
        dialog.setWindowTitle(caption);
        dialog.setAccessibleName(caption);
        dialog.setLabelText(prompt);
        dialog.setTextValue(*answer);
        if (dialog.exec() != QDialog::Accepted)
            return false;
        *answer = dialog.textValue();
        return true;
    }
};
