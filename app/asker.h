#pragma once

#include <QMessageBox>

// Questions to the author go through here, so tests can answer them without a modal box.
class Asker
{
public:
    virtual ~Asker() = default;
    virtual QMessageBox::StandardButton Question(QWidget *parent, const QString &caption,
                                                 const QString &text,
                                                 QMessageBox::StandardButtons buttons) = 0;
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
};
