#include "help/helpwin.h"

#include "app/centred.h"
#include "help/helpmarkup.h"

#include "script/scripthost.h"

#include <QHBoxLayout>
#include <QListWidget>
#include <QSplitter>
#include <QTextBrowser>

THelpWin::THelpWin(ScriptHost &host, QWidget *parent) : QWidget(parent, Qt::Window), m_host(host)
{
    setObjectName(QStringLiteral("THelpWin"));
    setWindowTitle(QStringLiteral("Справка"));
    resize(696, 480);

    m_topics = new QListWidget;
    m_topics->setObjectName(QStringLiteral("Topics"));
    m_topics->setAccessibleName(QStringLiteral("Topics"));
    m_topics->addItems(TopicTitles());
    m_topics->setMinimumWidth(120);

    m_help = new QTextBrowser;
    m_help->setObjectName(QStringLiteral("Help"));
    m_help->setAccessibleName(QStringLiteral("Help"));
    m_help->setLineWrapMode(QTextEdit::WidgetWidth);

    auto *splitter = new QSplitter;
    splitter->setObjectName(QStringLiteral("Splitter1"));
    splitter->addWidget(m_topics);
    splitter->addWidget(m_help);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({250, 446});
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(splitter);

    connect(m_topics, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0)
            ShowTopic(row + 1);
    });
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

void THelpWin::ShowTopic(int n)
{
    HelpMarkup::Render(m_help->document(), m_host.EvalString(QStringLiteral("HELP [%1]").arg(n)));
    m_help->moveCursor(QTextCursor::Start);
}

void THelpWin::ShowCentred()
{
    ::ShowCentred(this);
}
