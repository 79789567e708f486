#include "properties/methodeditor.h"

#include "properties/keywordstyler.h"

#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QTextBlock>

namespace {

constexpr int kTabWidthInBlanks = 4;

bool IsCtrl(const QKeyEvent *event, int key)
{
    return event->key() == key
           && (event->modifiers() & ~Qt::KeypadModifier) == Qt::ControlModifier;
}

bool IsCtrlShift(const QKeyEvent *event, int key)
{
    return event->key() == key
           && (event->modifiers() & ~Qt::KeypadModifier) == (Qt::ControlModifier | Qt::ShiftModifier);
}

// The character a key delivers to the auto-substitution: CR for Enter, TAB, BS for Backspace,
// or the printable character typed; null for keys that deliver none (arrows, Delete, shortcuts).
QChar TypedCharacter(const QKeyEvent *event)
{
    const Qt::KeyboardModifiers mods = event->modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier);
    if (mods & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return QChar();
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter: return QChar(u'\r');
    case Qt::Key_Tab: return QChar(u'\t');
    case Qt::Key_Backspace: return QChar(u'\b');
    default: break;
    }
    const QString text = event->text();
    if (text.size() != 1 || text.at(0).unicode() < 32 || text.at(0).unicode() == 127)
        return QChar();
    return text.at(0);
}

} // namespace

MethodEditor::MethodEditor(QWidget *parent) : QPlainTextEdit(parent)
{
    setObjectName(QStringLiteral("Method"));
    setAccessibleName(QStringLiteral("Method"));
    const QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    setFont(font);
    setTabStopDistance(QFontMetricsF(font).horizontalAdvance(QLatin1Char(' ')) * kTabWidthInBlanks);
    setTabChangesFocus(false);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    m_popupMenu2 = new QMenu(this);
    m_popupMenu2->setObjectName(QStringLiteral("PopupMenu2"));
    m_popupMenu2->setAccessibleName(QStringLiteral("PopupMenu2"));
    m_n5 = m_popupMenu2->addAction(QStringLiteral("Автоподстановки"));
    m_n5->setObjectName(QStringLiteral("N5"));
    m_n5->setCheckable(true);
    m_n5->setChecked(true);
    m_popupMenu2->addSeparator();
    // The editor takes these keys itself (see OwnKey); the menu shows them and acts while open.
    m_n7 = m_popupMenu2->addAction(QStringLiteral("Вставить"));
    m_n7->setObjectName(QStringLiteral("N7"));
    m_n7->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_V));
    m_n8 = m_popupMenu2->addAction(QStringLiteral("Удалить строку"));
    m_n8->setObjectName(QStringLiteral("N8"));
    m_n8->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Y));
    connect(m_n7, &QAction::triggered, this, &MethodEditor::N7Click);
    connect(m_n8, &QAction::triggered, this, &MethodEditor::N8Click);

    connect(document(), &QTextDocument::contentsChange, this, &MethodEditor::DocumentChanged);
    m_styler = new KeywordStyler(document());
}

void MethodEditor::LoadText(const QString &text)
{
    m_programChange = true;
    setPlainText(text);
    m_programChange = false;
}

QString MethodEditor::Text() const
{
    // toPlainText would also turn no-break spaces into blanks; only the breaks are translated.
    QString text = document()->toRawText();
    for (QChar &c : text) {
        const char16_t u = c.unicode();
        if (u == QChar::ParagraphSeparator || u == QChar::LineSeparator || u == 0xfdd0 || u == 0xfdd1)
            c = QLatin1Char('\n');
    }
    return text;
}

void MethodEditor::ColourKeywords()
{
    m_styler->rehighlight();
}

void MethodEditor::N7Click()
{
    const QString text = QGuiApplication::clipboard()->text();
    QTextCursor cursor = textCursor();
    cursor.insertText(text);
    const int caret = cursor.position();
    ColourKeywords();
    cursor.setPosition(caret);
    setTextCursor(cursor);
}

void MethodEditor::N8Click()
{
    QTextCursor cursor = textCursor();
    const QTextBlock block = cursor.block();
    cursor.beginEditBlock();
    if (block.next().isValid()) {
        cursor.setPosition(block.position());
        cursor.setPosition(block.next().position(), QTextCursor::KeepAnchor);
    } else if (block.previous().isValid()) {
        // The last line goes with the line break before it.
        cursor.setPosition(block.position() - 1);
        cursor.setPosition(block.position() + block.length() - 1, QTextCursor::KeepAnchor);
    } else {
        cursor.setPosition(block.position());
        cursor.setPosition(block.position() + block.length() - 1, QTextCursor::KeepAnchor);
    }
    cursor.removeSelectedText();
    cursor.endEditBlock();
    setTextCursor(cursor);
}

bool MethodEditor::OwnKey(const QKeyEvent *event)
{
    return IsCtrl(event, Qt::Key_V) || IsCtrl(event, Qt::Key_Y) || IsCtrlShift(event, Qt::Key_Z);
}

bool MethodEditor::event(QEvent *event)
{
    if (event->type() == QEvent::ShortcutOverride && OwnKey(static_cast<QKeyEvent *>(event))) {
        event->accept();
        return true;
    }
    return QPlainTextEdit::event(event);
}

void MethodEditor::keyPressEvent(QKeyEvent *event)
{
    if (IsCtrl(event, Qt::Key_V)) {
        N7Click();
        return;
    }
    if (IsCtrl(event, Qt::Key_Y)) {
        N8Click();
        return;
    }
    if (IsCtrlShift(event, Qt::Key_Z)) {
        redo();
        return;
    }
    // Tab enters a TAB; Ctrl+Tab is the way out of the editor by keyboard.
    if ((event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab)
        && (event->modifiers() & Qt::ControlModifier)) {
        focusNextPrevChild(event->key() == Qt::Key_Tab && !(event->modifiers() & Qt::ShiftModifier));
        return;
    }
    if (!event->text().isEmpty() && MethodKeyPress(event))
        return;
    QPlainTextEdit::keyPressEvent(event);
}

bool MethodEditor::MethodKeyPress(const QKeyEvent *event)
{
    const QChar typed = TypedCharacter(event);
    if (typed.isNull() || !m_n5->isChecked())
        return false;
    QTextCursor cursor = textCursor();
    const int lineStart = cursor.block().position();
    const ::AutoSubstitution::Edit edit =
        m_autoSubstitution.Press(typed, cursor.block().text(), cursor.position() - lineStart);
    // A key that replaces a selection is entered as it is.
    if (!edit.consumed || cursor.hasSelection())
        return false;
    cursor.beginEditBlock();
    cursor.setPosition(lineStart + edit.at);
    cursor.insertText(edit.text);
    cursor.endEditBlock();
    cursor.setPosition(lineStart + edit.caret);
    setTextCursor(cursor);
    return true;
}

void MethodEditor::focusOutEvent(QFocusEvent *event)
{
    QPlainTextEdit::focusOutEvent(event);
    if (event->reason() != Qt::PopupFocusReason)
        emit Left();
}

void MethodEditor::contextMenuEvent(QContextMenuEvent *event)
{
    m_popupMenu2->exec(event->globalPos());
}

void MethodEditor::DocumentChanged(int, int removed, int added)
{
    // A pass that only marks the document dirty (relayout, rehighlight) reports nothing changed.
    if (m_programChange || (removed == 0 && added == 0))
        return;
    emit AuthorChanged();
}
