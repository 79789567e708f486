#pragma once

#include <QDialog>

class QPushButton;

// The "about" window: the program's name, purpose, version and makers. Shown without blocking
// the main window; closing it only hides it, so it can be shown again.
class TAboutWin : public QDialog
{
    Q_OBJECT

public:
    explicit TAboutWin(QWidget *parent = nullptr);

    // Puts the window in the middle of the parent's screen (the primary one without a parent),
    // then shows it on top with the focus.
    void ShowCentred();

    QPushButton *CloseButton() const { return m_closeButton; }

    static QString Version();

private:
    static QPixmap Picture();

    QPushButton *m_closeButton = nullptr;
};
