#include "help/helpwin.h"

#include "help/helpmarkup.h"
#include "widgets/centred.h"

#include "script/scripthost.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QListWidget>
#include <QSplitter>
#include <QStyledItemDelegate>
#include <QTextBrowser>

namespace {

constexpr int kTopicsWidth = 250;
constexpr int kFontPoints = 10;

// Underlines the title under the pointer, as a link is.
class TopicDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        if (option->state & QStyle::State_MouseOver)
            option->font.setUnderline(true);
    }
};

// The tooltip's colours, at the help's own size.
void StyleAsTooltip(QWidget *widget)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::ToolTipBase));
    palette.setColor(QPalette::Text, palette.color(QPalette::ToolTipText));
    // The chosen topic stays marked while the focus is in the text.
    for (QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText})
        palette.setColor(QPalette::Inactive, role, palette.color(QPalette::Active, role));
    widget->setPalette(palette);
    QFont font = widget->font();
    font.setPointSize(kFontPoints);
    widget->setFont(font);
}

} // namespace

THelpWin::THelpWin(ScriptHost &host, QWidget *parent) : QWidget(parent, Qt::Window), m_host(host)
{
    setObjectName(QStringLiteral("THelpWin"));
    setWindowTitle(QStringLiteral("Справка"));
    resize(696, 480);

    m_topics = new QListWidget;
    m_topics->setObjectName(QStringLiteral("Topics"));
    m_topics->setAccessibleName(QStringLiteral("Topics"));
    m_topics->addItems(TopicTitles());
    m_topics->setSelectionMode(QAbstractItemView::SingleSelection);
    m_topics->setItemDelegate(new TopicDelegate(m_topics));
    m_topics->setMouseTracking(true);
    m_topics->viewport()->setAttribute(Qt::WA_Hover);
    StyleAsTooltip(m_topics);

    m_help = new QTextBrowser;
    m_help->setObjectName(QStringLiteral("Help"));
    m_help->setAccessibleName(QStringLiteral("Help"));
    m_help->setLineWrapMode(QTextEdit::WidgetWidth);
    StyleAsTooltip(m_help);

    auto *splitter = new QSplitter;
    splitter->setObjectName(QStringLiteral("Splitter1"));
    splitter->addWidget(m_topics);
    splitter->addWidget(m_help);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({kTopicsWidth, width() - kTopicsWidth});
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(splitter);

    // A selection, not the current row: the list makes its first row current on its own when it
    // first takes the focus, and that is not the author's choice.
    connect(m_topics->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &THelpWin::TopicsSelectionChanged);
    connect(m_topics, &QAbstractItemView::entered, this,
            [this] { m_topics->viewport()->setCursor(Qt::PointingHandCursor); });
    connect(m_topics, &QAbstractItemView::viewportEntered, this,
            [this] { m_topics->viewport()->unsetCursor(); });
    setFocusProxy(m_topics);
}

const QStringList &THelpWin::TopicTitles()
{
    static const QStringList titles = {
        QStringLiteral("Общие сведения"),
        QStringLiteral("Урок 1 - Создаем комнату"),
        QStringLiteral("Урок 2 - Создаем вещи"),
        QStringLiteral("Урок 3 - Работа с данными"),
        QStringLiteral("Урок 4 - Работаем со словарем"),
        QStringLiteral("Урок 5 - Испытываем парсер"),
        QStringLiteral("Урок 6 - Учимся ходить"),
        QStringLiteral("Урок 7 - Отлавливаем (рыбу?)"),
        QStringLiteral("Урок 8 - Ожидается глагол"),
        QStringLiteral("Урок 9 - Карта"),
        QStringLiteral("Методы и поля объекта"),
        QStringLiteral("Обработка действий"),
        QStringLiteral("Глобальные функции"),
        QStringLiteral("Компиляция"),
        QStringLiteral("Наследование"),
        QStringLiteral("Полный синтаксис LUA"),
        QStringLiteral("Последние слова"),
    };
    return titles;
}

// Deselecting (Ctrl+click on the chosen title) leaves the topic on view.
void THelpWin::TopicsSelectionChanged()
{
    const QList<QListWidgetItem *> selected = m_topics->selectedItems();
    if (!selected.isEmpty())
        ShowTopic(m_topics->row(selected.constFirst()) + 1);
}

void THelpWin::ShowTopic(int n)
{
    HelpMarkup::Render(m_help->document(), m_host.EvalString(QStringLiteral("HELP [%1]").arg(n)));
    m_help->moveCursor(QTextCursor::Start);
}

void THelpWin::ShowCentred()
{
    ::ShowCentred(this);
}

// Escape puts the help away; it comes back on the same topic.
void THelpWin::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}
