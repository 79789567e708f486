#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// The "about" window: the program's emblem, name, version and purpose, a saying and its makers.
// Shown without blocking the main window; Escape, Enter and its button only hide it, so it can
// be shown again.
class TAboutWin : public QDialog
{
    Q_OBJECT

public:
    explicit TAboutWin(QWidget *parent = nullptr);

    // Puts the window in the middle of the parent's screen (the primary one without a parent),
    // then shows it on top with the focus.
    void ShowCentred();

    QPushButton *CloseButton() const { return m_closeButton; }

    // The program's version, as the build names it.
    static QString Version();

protected:
    void showEvent(QShowEvent *event) override;

private:
    QLabel *m_picture = nullptr;
    QPushButton *m_closeButton = nullptr;
};
