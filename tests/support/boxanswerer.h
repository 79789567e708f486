#pragma once

// Answers the program's real message boxes and input dialogs as they come up, from a timer that
// also runs inside their own event loops, the way an author would: the box takes the focus, runs
// its loop, and closes on a key or a click.

#include <QAbstractButton>
#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include <functional>

class BoxAnswerer : public QObject
{
public:
    BoxAnswerer()
    {
        connect(&m_timer, &QTimer::timeout, this, &BoxAnswerer::Look);
        m_timer.start(0);
    }

    // "icon|caption|text" of every message box answered.
    QStringList boxes;
    // Picks the button of a box; unset, Return answers it with its default button.
    std::function<QAbstractButton *(QMessageBox *)> pick;
    // Fills an input dialog; false cancels it. Unset, it is cancelled.
    std::function<bool(QInputDialog *)> fill;

private:
    void Look()
    {
        QWidget *modal = QApplication::activeModalWidget();
        if (auto *box = qobject_cast<QMessageBox *>(modal)) {
            boxes << QString::number(int(box->icon())) + QLatin1Char('|') + box->windowTitle()
                         + QLatin1Char('|') + box->text();
            QAbstractButton *button = pick ? pick(box) : nullptr;
            if (button)
                button->click();
            else
                QTest::keyClick(box, Qt::Key_Return);
        } else if (auto *dialog = qobject_cast<QInputDialog *>(modal)) {
            if (fill && fill(dialog))
                dialog->accept();
            else
                dialog->reject();
        } else if (auto *other = qobject_cast<QDialog *>(modal)) {
            other->reject();
        }
    }

    QTimer m_timer;
};
