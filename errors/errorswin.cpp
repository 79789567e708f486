#include "errors/errorswin.h"

#include "errors/parsemessages.h"
#include "script/scripthost.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFocusEvent>
#include <QHeaderView>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QShowEvent>
#include <QSplitter>
#include <QTextDocument>
#include <QTreeWidget>

namespace {

constexpr int kListWidth = 279;
constexpr QSize kDesignSize(616, 284);

QAction *MenuItem(QMenu *menu, QWidget *owner, const char *name, const QString &caption,
                  const QKeySequence &shortcut)
{
    QAction *item = menu->addAction(caption);
    item->setObjectName(QString::fromLatin1(name));
    item->setShortcut(shortcut);
    // In the edit area Ctrl+C and Ctrl+V keep their ordinary meaning.
    item->setShortcutContext(Qt::WidgetShortcut);
    owner->addAction(item);
    return item;
}

} // namespace

TErrorsWin::TErrorsWin(ScriptHost &host, QWidget *parent)
    : TToolWin(QStringLiteral("Ошибки парсинга"), QStringLiteral("TErrorsWin"), kDesignSize, parent),
      m_host(host)
{
    m_errors = new QTreeWidget;
    m_errors->setObjectName(QStringLiteral("Errors"));
    m_errors->setAccessibleName(QStringLiteral("Errors"));
    m_errors->setColumnCount(1);
    m_errors->setHeaderLabels({QStringLiteral("Ошибки парсинга")});
    m_errors->header()->setSectionsClickable(false);
    m_errors->setRootIsDecorated(false);
    m_errors->setIndentation(0);
    m_errors->setSelectionMode(QAbstractItemView::SingleSelection);
    m_errors->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_errors->setContextMenuPolicy(Qt::CustomContextMenu);
    m_errors->setMouseTracking(true);
    m_errors->viewport()->installEventFilter(this);
    // The selected message stays as plain to see while its text is edited.
    QPalette colours = m_errors->palette();
    colours.setColor(QPalette::Inactive, QPalette::Highlight,
                     colours.color(QPalette::Active, QPalette::Highlight));
    colours.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     colours.color(QPalette::Active, QPalette::HighlightedText));
    m_errors->setPalette(colours);
    for (int n = 1; n <= ParseMessages::kCount; ++n)
        new QTreeWidgetItem(m_errors, {ParseMessages::Caption(n)});

    m_errorMes = new QPlainTextEdit;
    m_errorMes->setObjectName(QStringLiteral("ErrorMes"));
    m_errorMes->setAccessibleName(QStringLiteral("ErrorMes"));
    // Tab leaves the edit area (and writes the message back), as it leaves every other field.
    m_errorMes->setTabChangesFocus(true);
    m_errorMes->installEventFilter(this);

    m_splitter1 = new QSplitter(Qt::Horizontal);
    m_splitter1->setObjectName(QStringLiteral("Splitter1"));
    m_splitter1->setChildrenCollapsible(false);
    m_splitter1->addWidget(m_errors);
    m_splitter1->addWidget(m_errorMes);
    m_splitter1->setStretchFactor(1, 1);
    m_splitter1->setSizes({kListWidth, kDesignSize.width() - kListWidth});
    SetClient(m_splitter1);
    setFocusProxy(m_errors);

    m_popupMenu1 = new QMenu(this);
    m_popupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    QAction *n1 = MenuItem(m_popupMenu1, m_errors, "N1", QStringLiteral("Копировать"),
                           QKeySequence(Qt::CTRL | Qt::Key_C));
    QAction *n2 = MenuItem(m_popupMenu1, m_errors, "N2", QStringLiteral("Вставить"),
                           QKeySequence(Qt::CTRL | Qt::Key_V));

    connect(m_errors, &QTreeWidget::itemSelectionChanged, this, &TErrorsWin::ErrorsChange);
    connect(m_errors, &QWidget::customContextMenuRequested, this, &TErrorsWin::ErrorsContextPopup);
    connect(m_errorMes, &QPlainTextEdit::textChanged, this, &TErrorsWin::ErrorMesChange);
    connect(n1, &QAction::triggered, this, &TErrorsWin::N1Click);
    connect(n2, &QAction::triggered, this, &TErrorsWin::N2Click);
}

int TErrorsWin::SelectedNumber() const
{
    const QList<QTreeWidgetItem *> selected = m_errors->selectedItems();
    return selected.isEmpty() ? 0 : m_errors->indexOfTopLevelItem(selected.first()) + 1;
}

void TErrorsWin::SelectFirstMessage()
{
    QTreeWidgetItem *first = m_errors->topLevelItem(0);
    // Selecting the entry that is selected already changes nothing, yet the message is read again.
    if (first->isSelected())
        ErrorsChange();
    else
        m_errors->setCurrentItem(first);
}

void TErrorsWin::WorldReplaced()
{
    m_discardEdit = true;
    SelectFirstMessage();
    m_discardEdit = false;
}

void TErrorsWin::FinishEdit()
{
    // The focus moves for real only in the active window, and only then was anything typed.
    if (m_errorMes->hasFocus())
        m_errors->setFocus(Qt::OtherFocusReason);
}

void TErrorsWin::ErrorsChange()
{
    const int n = SelectedNumber();
    if (n == 0)
        return;
    FinishEdit();
    const QString message = m_host.EvalString(ParseMessages::Expression(QString::number(n)));
    m_errorMes->setPlainText(ParseMessages::ToEditor(message));
}

void TErrorsWin::ErrorMesChange()
{
    if (const int n = SelectedNumber())
        m_currentMessage = QString::number(n);
}

void TErrorsWin::ErrorMesExit()
{
    if (m_discardEdit || m_currentMessage.isEmpty())
        return;
    m_host.RunEchoed(ParseMessages::Assignment(m_currentMessage, m_errorMes->document()->toRawText()));
}

void TErrorsWin::ErrorsHover(QTreeWidgetItem *item)
{
    if (item == m_hovered)
        return;
    for (QTreeWidgetItem *entry : {m_hovered, item}) {
        if (!entry)
            continue;
        QFont font = entry->font(0);
        font.setUnderline(entry == item);
        entry->setFont(0, font);
    }
    m_hovered = item;
    if (item)
        m_errors->viewport()->setCursor(Qt::PointingHandCursor);
    else
        m_errors->viewport()->unsetCursor();
}

void TErrorsWin::ErrorsContextPopup(const QPoint &at)
{
    // An edit in progress is written back before copying or pasting.
    m_errors->setFocus(Qt::OtherFocusReason);
    m_popupMenu1->exec(m_errors->viewport()->mapToGlobal(at));
}

// Copy: copyerrors.lua leaves in `temp` Lua text that restores the messages. `temp` is cleared
// first, so a script that fails cannot put an older text on the clipboard; the clipboard then
// keeps what it held.
void TErrorsWin::N1Click()
{
    m_host.RunLua(QStringLiteral("temp = nil"));
    m_host.RunLua(QStringLiteral("dofile 'copyerrors.lua'"));
    const QString text = m_host.EvalString(QStringLiteral("temp"));
    if (!text.isEmpty())
        QApplication::clipboard()->setText(text);
}

void TErrorsWin::N2Click()
{
    m_host.RunLua(QApplication::clipboard()->text());
    SelectFirstMessage();
}

void TErrorsWin::showEvent(QShowEvent *event)
{
    TToolWin::showEvent(event);
    // Restoring a minimised window is not a new showing.
    if (!event->spontaneous())
        SelectFirstMessage();
}

bool TErrorsWin::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_errorMes && event->type() == QEvent::FocusOut
        && static_cast<QFocusEvent *>(event)->reason() != Qt::PopupFocusReason) {
        ErrorMesExit();
    } else if (watched == m_errors->viewport() && event->type() == QEvent::MouseMove) {
        ErrorsHover(m_errors->itemAt(static_cast<QMouseEvent *>(event)->position().toPoint()));
    } else if (watched == m_errors->viewport() && event->type() == QEvent::Leave) {
        ErrorsHover(nullptr);
    }
    return TToolWin::eventFilter(watched, event);
}
