#pragma once

#include <QDockWidget>

// A tool window of the main window: dockable, floatable, closable (closing only hides it), with
// its caption as its accessible name and the size it asks for before it is docked.
class TToolWin : public QDockWidget
{
    Q_OBJECT

public:
    TToolWin(const QString &caption, const QString &className, QSize designSize,
             QWidget *parent = nullptr);

    QSize DesignSize() const { return m_designSize; }

protected:
    // Puts the window's client area in place; it asks for the design size.
    void SetClient(QWidget *client);

private:
    QSize m_designSize;
};

// A client area that asks for a given size; the windows still to be filled show one.
class SizedClient : public QWidget
{
public:
    explicit SizedClient(QSize hint, QWidget *parent = nullptr) : QWidget(parent), m_hint(hint) {}
    QSize sizeHint() const override { return m_hint; }

private:
    QSize m_hint;
};
