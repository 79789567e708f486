#include "console/consolewin.h"

#include "console/consolelayout.h"
#include "script/luaquote.h"
#include "script/scripthost.h"

#include <QComboBox>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QToolButton>

namespace {

const char *const kStartupChunk = "dofile 'startup.lua'";

QTextCharFormat KindFormat(QTextCharFormat format, int kind)
{
    static const QColor colours[] = {QColor(0, 0, 0),   QColor(0, 0, 0),   QColor(255, 0, 0),
                                     QColor(0, 128, 0), QColor(176, 128, 0), QColor(0, 64, 160)};
    const bool bold = kind == ConsoleKind::Command || kind == ConsoleKind::Player;
    format.setFontWeight(bold ? QFont::Bold : QFont::Normal);
    format.setForeground(colours[kind]);
    return format;
}

bool IsKind(int kind)
{
    return kind >= ConsoleKind::Command && kind <= ConsoleKind::Transcript;
}

} // namespace

TConsoleWin::TConsoleWin(ScriptHost &host, QWidget *parent)
    : TToolWin(QStringLiteral("Консоль"), QStringLiteral("TConsoleWin"), QSize(605, 452), parent),
      m_host(host)
{

    m_output = new QPlainTextEdit;
    m_output->setObjectName(QStringLiteral("Output"));
    m_output->setAccessibleName(QStringLiteral("Output"));
    m_output->setReadOnly(true);
    m_output->setUndoRedoEnabled(false);
    m_output->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_output->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_output->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_output->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    QFont outputFont = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    outputFont.setBold(true);
    m_output->setFont(outputFont);
    m_output->setPlainText(QStringLiteral("Interactive fiction builder 'Tarnwick', 2004"));

    m_input = new QComboBox;
    m_input->setObjectName(QStringLiteral("Input"));
    m_input->setAccessibleName(QStringLiteral("Input"));
    m_input->setEditable(true);
    m_input->setInsertPolicy(QComboBox::NoInsert);
    // Completion from the history would change what the author typed.
    m_input->setCompleter(nullptr);
    QFont inputFont = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    inputFont.setPointSizeF(inputFont.pointSizeF() + 1);
    m_input->setFont(inputFont);
    m_input->lineEdit()->setAccessibleName(QStringLiteral("Input"));
    // Keys reach the combo box itself while it holds the focus, and the line edit when it is
    // addressed directly; either way they are seen here first.
    m_input->installEventFilter(this);
    m_input->lineEdit()->installEventFilter(this);

    m_parsing = new QToolButton;
    m_parsing->setObjectName(QStringLiteral("Parsing"));
    m_parsing->setText(QStringLiteral("Парсить"));
    m_parsing->setToolTip(QStringLiteral("Строка уходит парсеру (или держите Ctrl при Enter)"));
    m_parsing->setCheckable(true);
    m_parsing->setFocusPolicy(Qt::TabFocus);

    auto *client = new ConsoleLayout(m_output, m_input, m_parsing);
    client->setFocusProxy(m_input);
    SetClient(client);
    setFocusProxy(m_input);
}

QString TConsoleWin::ParseCall(const QString &line)
{
    return QStringLiteral("parse (") + LuaQuote::LongString(line) + QLatin1Char(')');
}

void TConsoleWin::ConsolePrint(const QString &text, int kind)
{
    m_pending.append({text, kind});
    if (m_host.Depth() == 0)
        Flush();
}

void TConsoleWin::Flush()
{
    if (m_pending.isEmpty())
        return;
    QTextCursor cursor(m_output->document());
    cursor.movePosition(QTextCursor::End);
    cursor.beginEditBlock();
    // Consecutive lines of one kind go in as one insertion: a chunk that prints a hundred
    // thousand lines must not lay the document out a hundred thousand times.
    for (qsizetype i = 0; i < m_pending.size();) {
        const int kind = m_pending[i].kind;
        QString run;
        for (; i < m_pending.size() && m_pending[i].kind == kind; ++i) {
            run += QLatin1Char('\n');
            run += m_pending[i].text;
        }
        if (IsKind(kind))
            cursor.insertText(run, KindFormat(cursor.charFormat(), kind));
    }
    cursor.endEditBlock();
    m_pending.clear();
    ScrollToEnd();
}

void TConsoleWin::ScrollToEnd()
{
    QTextCursor end = m_output->textCursor();
    end.movePosition(QTextCursor::End);
    m_output->setTextCursor(end);
    m_output->ensureCursorVisible();
    m_output->verticalScrollBar()->setValue(m_output->verticalScrollBar()->maximum());
    // A long line scrolls the view sideways to its end; the lines start at the left.
    m_output->horizontalScrollBar()->setValue(0);
}

void TConsoleWin::Start()
{
    if (m_started)
        return;
    m_started = true;
    ConsolePrint(QString::fromLatin1(kStartupChunk), ConsoleKind::Command);
    m_host.RunLua(QString::fromLatin1(kStartupChunk));
}

void TConsoleWin::showEvent(QShowEvent *event)
{
    TToolWin::showEvent(event);
    Start();
}

void TConsoleWin::EnterLine(const QString &line)
{
    const bool parsing = m_parsing->isChecked();
    ConsolePrint(line, parsing ? ConsoleKind::Player : ConsoleKind::Command);
    m_host.RunLua(parsing ? ParseCall(line) : line);
    m_input->insertItem(0, line);
    m_input->setCurrentIndex(-1);
    m_input->clearEditText();
}

bool TConsoleWin::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_input || watched == m_input->lineEdit()) {
        if (event->type() == QEvent::KeyPress) {
            bool handled = false;
            InputKeyDown(static_cast<QKeyEvent *>(event), &handled);
            if (handled)
                return true;
        } else if (event->type() == QEvent::KeyRelease) {
            InputKeyUp(static_cast<QKeyEvent *>(event));
        } else if (event->type() == QEvent::FocusIn) {
            InputEnter();
        }
    }
    return TToolWin::eventFilter(watched, event);
}

void TConsoleWin::InputKeyDown(QKeyEvent *event, bool *handled)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        EnterLine(m_input->lineEdit()->text());
        *handled = true;
        return;
    }
    // Ctrl is a momentary switch: held, the line goes to the parser.
    if (event->key() == Qt::Key_Control) {
        m_parsing->setChecked(true);
        m_ctrlHeld = true;
    }
}

void TConsoleWin::InputKeyUp(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Control && !event->isAutoRepeat()) {
        m_parsing->setChecked(false);
        m_ctrlHeld = false;
    }
}

void TConsoleWin::InputEnter()
{
    // A shortcut typed here (Ctrl+S, Ctrl+O) opens a dialog that receives the release of Ctrl;
    // the switch follows the key as it really is now. A button put down by a click stays down.
    const bool ctrl = QGuiApplication::queryKeyboardModifiers().testFlag(Qt::ControlModifier);
    if (ctrl == m_ctrlHeld)
        return;
    m_ctrlHeld = ctrl;
    m_parsing->setChecked(ctrl);
}
