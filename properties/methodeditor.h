#pragma once

#include "properties/autosubstitution.h"

#include <QPlainTextEdit>

class KeywordStyler;
class QAction;
class QMenu;

// The code editor of the properties window: the body of one method, constructor or set of event
// catchers. A monospaced plain-text editor with TAB stops of four blanks, no wrapping, undo and
// redo. It tells the author's changes apart from the program's own (loading a property), and
// reports leaving the editor so the window can write the text back.
//
// Lua's reserved words show in bold (KeywordStyler, which changes no text and so is never taken
// for the author's change). With "Автоподстановки" ticked, MethodKeyPress sees every typed
// character before it is entered and may enter text of its own instead (AutoSubstitution); that
// text counts as the author's and is one step for undo.
class MethodEditor : public QPlainTextEdit
{
    Q_OBJECT

public:
    explicit MethodEditor(QWidget *parent = nullptr);

    // Replaces the text as the program's own change: no AuthorChanged, and the undo history
    // starts afresh so the author cannot undo the load.
    void LoadText(const QString &text);
    // The text as typed (line breaks as LF; no other character replaced).
    QString Text() const;

    // Restyles the whole text; the styling itself is not an author's change. Typing restyles
    // what it changed by itself.
    void ColourKeywords();

    // "Вставить": the clipboard's text at the caret, then restyled, the caret after it.
    void N7Click();
    // "Удалить строку": deletes the line that holds the caret, line break included.
    void N8Click();

    QMenu *PopupMenu2() const { return m_popupMenu2; }
    QAction *AutoSubstitution() const { return m_n5; }

Q_SIGNALS:
    // The author changed the text (typing, pasting, deleting a line, undo and redo).
    void AuthorChanged();
    // The editor lost the keyboard focus for good (not to its own popup menu).
    void Left();

protected:
    bool event(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    // Whether the editor takes the key itself, before any window shortcut sees it.
    static bool OwnKey(const QKeyEvent *event);
    // A typed character; true when the auto-substitution took it and entered its own text.
    bool MethodKeyPress(const QKeyEvent *event);
    void DocumentChanged(int position, int removed, int added);

    QMenu *m_popupMenu2 = nullptr;
    QAction *m_n5 = nullptr;
    QAction *m_n7 = nullptr;
    QAction *m_n8 = nullptr;
    bool m_programChange = false;
    KeywordStyler *m_styler = nullptr;
    ::AutoSubstitution m_autoSubstitution;
};
