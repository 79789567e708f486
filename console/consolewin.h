#pragma once

#include "script/scriptclients.h"
#include "widgets/toolwin.h"

#include <QList>

class QComboBox;
class QPlainTextEdit;
class QToolButton;
class ScriptHost;

// The console: the log of everything the program runs or prints, the Lua command line, and with
// "Парсить" down the game's input line.
class TConsoleWin : public TToolWin, public ConsoleSink
{
    Q_OBJECT

public:
    explicit TConsoleWin(ScriptHost &host, QWidget *parent = nullptr);

    // Appends a line in the style of its kind; kinds outside 0..5 write nothing. While a chunk
    // runs, lines are kept and shown together when it ends.
    void ConsolePrint(const QString &text, int kind) override;
    void Flush() override;

    // Runs the engine's start-up script; only the first call does anything.
    void Start();

    // Handles the line as Enter in the input line does.
    void EnterLine(const QString &line);

    // The Lua text run for a line entered with "Парсить" down.
    static QString ParseCall(const QString &line);

    QPlainTextEdit *Output() const { return m_output; }
    QComboBox *Input() const { return m_input; }
    QToolButton *Parsing() const { return m_parsing; }

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct PendingLine
    {
        QString text;
        int kind;
    };

    void InputKeyDown(QKeyEvent *event, bool *handled);
    void InputKeyUp(QKeyEvent *event);
    // The input line regains the focus.
    void InputEnter();
    void ScrollToEnd();

    ScriptHost &m_host;
    QPlainTextEdit *m_output = nullptr;
    QComboBox *m_input = nullptr;
    QToolButton *m_parsing = nullptr;
    QList<PendingLine> m_pending;
    bool m_started = false;
    // "Парсить" is down because Ctrl is held, not because it was clicked.
    bool m_ctrlHeld = false;
};
