#pragma once

#include "widgets/toolwin.h"

class QAction;
class QMenu;
class QPlainTextEdit;
class QSplitter;
class QTreeWidget;
class QTreeWidgetItem;
class ScriptHost;

// The nine messages of the engine's parser, edited in place. The window keeps no copy of them:
// a message is read from the script state when its entry is selected, and written back as a Lua
// assignment (echoed) whenever the author leaves the edit area.
class TErrorsWin : public TToolWin
{
    Q_OBJECT

public:
    explicit TErrorsWin(ScriptHost &host, QWidget *parent = nullptr);

    // Selects entry 1, which shows message 1 again from the script state; an edit in progress
    // is written back first.
    void SelectFirstMessage();
    // The world was replaced (New, Open): shows message 1 of the new world. The edit area's text
    // belonged to the old world and was written back there when the command began; it is not
    // written into the new one.
    void WorldReplaced();
    // Writes back an edit in progress, as leaving the edit area does.
    void FinishEdit();

    QTreeWidget *Errors() const { return m_errors; }
    QPlainTextEdit *ErrorMes() const { return m_errorMes; }
    QMenu *PopupMenu1() const { return m_popupMenu1; }
    // The number of the message the edit area last received or was changed for; empty until
    // the first message is shown.
    QString CurrentMessage() const { return m_currentMessage; }

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void ErrorsChange();
    void ErrorsHover(QTreeWidgetItem *item);
    void ErrorsContextPopup(const QPoint &at);
    void ErrorMesChange();
    void ErrorMesExit();
    void N1Click();
    void N2Click();
    int SelectedNumber() const;

    ScriptHost &m_host;
    QSplitter *m_splitter1 = nullptr;
    QTreeWidget *m_errors = nullptr;
    QPlainTextEdit *m_errorMes = nullptr;
    QMenu *m_popupMenu1 = nullptr;
    QTreeWidgetItem *m_hovered = nullptr;
    QString m_currentMessage;
    bool m_discardEdit = false;
};
