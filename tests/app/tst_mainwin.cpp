#include "app/aboutwin.h"
#include "widgets/asker.h"
#include "app/mainwin.h"
#include "properties/propertieswin.h"
#include "console/consolewin.h"
#include "help/helpwin.h"
#include "map/mapwin.h"
#include "tree/itemstree.h"
#include "tree/itemswin.h"
#include "script/scripthost.h"
#include "tests/testmain.h"

#include <QAccessible>
#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QTemporaryDir>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTest>
#include <QTextBlock>
#include <QToolButton>
#include <QTreeWidget>
#include <QWindow>

#include <functional>
#include <memory>

namespace {

// Answers the close question with a set button and remembers what was asked.
class ScriptedAsker : public Asker
{
public:
    QMessageBox::StandardButton Question(QWidget *, const QString &caption, const QString &text,
                                         QMessageBox::StandardButtons buttons) override
    {
        asked.append(caption + QLatin1Char('|') + text);
        lastButtons = buttons;
        return answer;
    }

    bool AskText(QWidget *, const QString &, const QString &, QString *) override { return false; }
    bool AskSaveFile(QWidget *, const QString &, QString *name) override
    {
        if (onSaveDialog)
            onSaveDialog();
        *name = saveName;
        return !saveName.isEmpty();
    }

    QString saveName;
    // Stands for the dialog while it is up.
    std::function<void()> onSaveDialog;

    QMessageBox::StandardButton answer = QMessageBox::Cancel;
    QStringList asked;
    QMessageBox::StandardButtons lastButtons;
};

QString AccessibleName(QWidget *widget)
{
    return QAccessible::queryAccessibleInterface(widget)->text(QAccessible::Name);
}

QRect DockRect(QWidget *dock, QWidget *main)
{
    return QRect(dock->mapTo(main, QPoint(0, 0)), dock->size());
}

} // namespace

class TestMainWin : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TMainWin> m_main;
    ScriptedAsker m_asker;

    // A main menu item by name (the windows' own menus reuse some of the names).
    QAction *Item(const char *name) const
    {
        for (QAction *menu : m_main->menuBar()->actions())
            for (QAction *item : menu->menu()->actions())
                if (item->objectName() == QLatin1String(name))
                    return item;
        return nullptr;
    }

    void Focus(QWidget *widget)
    {
        m_main->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_main.get()));
        widget->setFocus();
        QTRY_VERIFY(widget->hasFocus());
    }

private Q_SLOTS:
    void init()
    {
        TestRegistry::FailOnWarnings();
        m_asker = ScriptedAsker();
        m_main = std::make_unique<TMainWin>();
        m_main->SetAsker(&m_asker);
        m_main->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_main.get()));
    }

    void cleanup()
    {
        m_asker.answer = QMessageBox::No;
        m_main.reset();
    }

    // A screen reader hears the title as it stands, the project's name included.
    void titleNamesTheProject()
    {
        QCOMPARE(m_main->windowTitle(), QString::fromUtf8("IF builder 'Tarnwick' - Новый.twk"));
        m_main->SetCurrentProjectFile(QStringLiteral("/home/a/game.twk"));
        QCOMPARE(m_main->windowTitle(), QStringLiteral("IF builder 'Tarnwick' - /home/a/game.twk"));
        QCOMPARE(AccessibleName(m_main.get()), m_main->windowTitle());
    }

    void consoleRanStartupOnceInBold()
    {
        QPlainTextEdit *output = m_main->Console()->Output();
        const QStringList lines = output->toPlainText().split(QLatin1Char('\n'));
        QCOMPARE(lines.value(0), QStringLiteral("Interactive fiction builder 'Tarnwick', 2004"));
        QCOMPARE(lines.value(1), QStringLiteral("dofile 'startup.lua'"));
        QCOMPARE(lines.count(QStringLiteral("dofile 'startup.lua'")), 1);
        QTextCursor cursor(output->document()->findBlockByNumber(1));
        cursor.movePosition(QTextCursor::EndOfBlock);
        QVERIFY(cursor.charFormat().fontWeight() >= QFont::Bold);
        QVERIFY(m_main->Host().EvalDefined(QStringLiteral("world")));
        QVERIFY(m_main->Host().EvalDefined(QStringLiteral("player")));
    }

    void typedLuaShowsFloatText()
    {
        QLineEdit *edit = m_main->Console()->Input()->lineEdit();
        edit->setText(QStringLiteral("print(0.1)"));
        QTest::keyClick(edit, Qt::Key_Return);
        QCOMPARE(m_main->Console()->Output()->document()->lastBlock().text(),
                 QStringLiteral("0.10000000149012\t"));
    }

    void helpTableIsDefinedAtFirstShowing()
    {
        QCOMPARE(m_main->Host().EvalString(QStringLiteral("table.getn(HELP)")), QStringLiteral("17"));
        QVERIFY(m_main->HelpKeeper()->isHidden());
    }

    void menuItemsHaveTheirCaptionsAndKeys_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QKeySequence>("shortcut");
        const struct
        {
            const char *name;
            const char *caption;
            QKeySequence shortcut;
        } items[] = {
            {"N13", "&Новый", {}},
            {"N1", "&Открыть", QKeySequence(Qt::CTRL | Qt::Key_O)},
            {"N4", "&Сохранить", QKeySequence(Qt::CTRL | Qt::Key_S)},
            {"N8", "С&охранить как...", {}},
            {"N7", "&Компилить", QKeySequence(Qt::Key_F9)},
            {"N5", "&Выход", {}},
            {"N10", "&Консоль", {}},
            {"N12", "&Словарь", {}},
            {"N9", "&Дерево объектов", {}},
            {"N11", "&Свойства объекта", {}},
            {"N15", "О&шибки", {}},
            {"N19", "К&арта", {}},
            {"N21", "Со&хранить положение окон", {}},
            {"N17", "Справка", QKeySequence(Qt::Key_F1)},
            {"N14", "О программе", {}},
        };
        for (const auto &item : items)
            QTest::newRow(item.name) << QString::fromLatin1(item.name) << QString::fromUtf8(item.caption)
                                     << item.shortcut;
    }
    void menuItemsHaveTheirCaptionsAndKeys()
    {
        QFETCH(QString, name);
        QFETCH(QString, caption);
        QFETCH(QKeySequence, shortcut);
        QAction *item = Item(qPrintable(name));
        QVERIFY(item);
        QCOMPARE(item->text(), caption);
        QCOMPARE(item->shortcut(), shortcut);
    }

    void menusAreInDisplayOrder()
    {
        QStringList menus;
        for (QAction *menu : m_main->menuBar()->actions())
            menus.append(menu->text());
        QCOMPARE(menus, (QStringList{QString::fromUtf8("&Файл"), QString::fromUtf8("&Вид"),
                                     QString::fromUtf8("&Помощь")}));
        QStringList view;
        for (QAction *item : m_main->menuBar()->actions().at(1)->menu()->actions())
            if (item->isVisible())
                view.append(item->objectName());
        QCOMPARE(view, (QStringList{"N10", "N12", "N9", "N11", "N15", "N19"}));
    }

    void toolWindowsHaveTheirCaptions()
    {
        QStringList captions;
        for (TToolWin *window : m_main->ToolWindows()) {
            captions.append(window->windowTitle());
            QCOMPARE(AccessibleName(window), window->windowTitle());
        }
        QCOMPARE(captions, (QStringList{QString::fromUtf8("Консоль"), QString::fromUtf8("Словарь"),
                                        QString::fromUtf8("Дерево объектов"),
                                        QString::fromUtf8("Свойства объекта"),
                                        QString::fromUtf8("Ошибки парсинга"),
                                        QString::fromUtf8("Карта")}));
    }

    void mapStartsHiddenAndTheRestShown()
    {
        const QList<TToolWin *> windows = m_main->ToolWindows();
        for (int tag = 0; tag < 5; ++tag) {
            QVERIFY2(windows[tag]->isVisible(), qPrintable(windows[tag]->windowTitle()));
            QVERIFY(m_main->ViewItem(tag)->isChecked());
        }
        QVERIFY(!m_main->Map()->isVisible());
        QVERIFY(!Item("N19")->isChecked());
    }

    void layoutPlacesEachWindow()
    {
        const QList<TToolWin *> w = m_main->ToolWindows();
        TToolWin *console = w[0], *vocabulary = w[1], *tree = w[2], *properties = w[3],
                 *errors = w[4], *map = w[5];
        Item("N19")->trigger();
        QTRY_VERIFY(map->isVisible());
        QTest::qWait(50);
        const QRect rTree = DockRect(tree, m_main.get()), rProps = DockRect(properties, m_main.get()),
                    rVoc = DockRect(vocabulary, m_main.get()), rCon = DockRect(console, m_main.get()),
                    rErr = DockRect(errors, m_main.get()), rMap = DockRect(map, m_main.get());
        QVERIFY(rTree.right() < rProps.left());
        QVERIFY(rTree.bottom() < rMap.top());
        QVERIFY(rMap.bottom() < rVoc.top());
        QVERIFY(rProps.bottom() < rErr.top());
        QVERIFY(rVoc.right() < rCon.left());
        QVERIFY(rErr.bottom() < rCon.top());
        QCOMPARE(rErr.left(), rCon.left());
        QVERIFY(rMap.left() == rTree.left());
    }

    void viewItemsToggleTheirWindows_data()
    {
        QTest::addColumn<int>("tag");
        for (int tag = 0; tag < 6; ++tag)
            QTest::newRow(qPrintable(QString::number(tag))) << tag;
    }
    void viewItemsToggleTheirWindows()
    {
        QFETCH(int, tag);
        TToolWin *window = m_main->ToolWindows()[tag];
        QAction *item = m_main->ViewItem(tag);
        const bool wasShown = window->isVisible();
        item->trigger();
        QTRY_COMPARE(window->isVisible(), !wasShown);
        QCOMPARE(item->isChecked(), !wasShown);
        item->trigger();
        QTRY_COMPARE(window->isVisible(), wasShown);
        QCOMPARE(item->isChecked(), wasShown);
    }

    void closingAFloatingWindowClearsItsCheck()
    {
        TToolWin *errors = m_main->ToolWindows()[4];
        errors->setFloating(true);
        QVERIFY(QTest::qWaitForWindowExposed(errors));
        errors->close();
        QTRY_VERIFY(!errors->isVisible());
        QVERIFY(!Item("N15")->isChecked());
        Item("N15")->trigger();
        QTRY_VERIFY(errors->isVisible());
        QVERIFY(Item("N15")->isChecked());
    }

    void consoleShownAgainDoesNotStartAgain()
    {
        const QString before = m_main->Console()->Output()->toPlainText();
        Item("N10")->trigger();
        QTRY_VERIFY(!m_main->Console()->isVisible());
        Item("N10")->trigger();
        QTRY_VERIFY(m_main->Console()->isVisible());
        QCOMPARE(m_main->Console()->Output()->toPlainText(), before);
    }

    void closeQuestionAnswers_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("closes");
        QTest::addColumn<bool>("saveAs");
        QTest::newRow("cancel") << int(QMessageBox::Cancel) << false << false;
        QTest::newRow("no") << int(QMessageBox::No) << true << false;
        QTest::newRow("yes, saved") << int(QMessageBox::Yes) << true << true;
        QTest::newRow("yes, save as cancelled") << int(QMessageBox::Yes) << false << false;
    }
    void closeQuestionAnswers()
    {
        QFETCH(int, answer);
        QFETCH(bool, closes);
        QFETCH(bool, saveAs);
        QTemporaryDir dir;
        if (saveAs)
            m_asker.saveName = dir.filePath(QStringLiteral("closing"));
        m_asker.answer = QMessageBox::StandardButton(answer);
        const QString log = m_main->Console()->Output()->toPlainText();
        m_main->close();
        QCOMPARE(m_asker.asked,
                 QStringList{QString::fromUtf8("Выход|Вы хотите сохранить проект?")});
        QCOMPARE(m_asker.lastButtons, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        QCOMPARE(m_main->isVisible(), !closes);
        QCOMPARE(QFile::exists(dir.filePath(QStringLiteral("closing.twk"))), saveAs);
        if (answer != QMessageBox::Yes)
            QCOMPARE(m_main->Console()->Output()->toPlainText(), log);
    }

    void escapeAndExitAskTheCloseQuestion_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("escape in the console") << "escape";
        QTest::newRow("escape in a floating window") << "floating";
        QTest::newRow("exit") << "exit";
    }
    void escapeAndExitAskTheCloseQuestion()
    {
        QFETCH(QString, how);
        m_asker.answer = QMessageBox::Cancel;
        if (how == QLatin1String("exit")) {
            Item("N5")->trigger();
        } else {
            TConsoleWin *console = m_main->Console();
            if (how == QLatin1String("floating")) {
                console->setFloating(true);
                QVERIFY(QTest::qWaitForWindowExposed(console));
            }
            QTest::keyClick(console->Input()->lineEdit(), Qt::Key_Escape);
        }
        QCOMPARE(m_asker.asked.size(), 1);
        QVERIFY(m_main->isVisible());
    }

    // Escape while a tree label is being renamed cancels the rename, not the program.
    void escapeInALabelEditorCancelsTheEdit()
    {
        QTreeWidget *tree = m_main->Items()->Items();
        QTreeWidgetItem *root = m_main->Items()->Root();
        m_main->Host().RunLua(QStringLiteral("world:create('hall'); update_items()"));
        QTreeWidgetItem *hall = m_main->Items()->FindObjectNode(m_main->Items()->Root(), QStringLiteral("hall"));
        QVERIFY(root && hall);
        tree->setCurrentItem(hall);
        tree->editItem(hall, 0);
        QLineEdit *editor = tree->viewport()->findChild<QLineEdit *>();
        QVERIFY(editor);
        QTest::keyClicks(editor, QStringLiteral("lamp"));
        QTest::keyClick(editor, Qt::Key_Escape);
        QVERIFY(m_asker.asked.isEmpty());
        QVERIFY(m_main->isVisible());
        QCOMPARE(hall->text(0), QStringLiteral("hall"));
        QVERIFY(m_main->Host().EvalDefined(QStringLiteral("hall")));
        QTest::keyClick(tree, Qt::Key_Escape);
        QCOMPARE(m_asker.asked.size(), 1);
    }

    // Ctrl+S typed in the console line opens the save dialog, which receives the release of
    // Ctrl: back in the line, "Парсить" is up again, so the next line runs as Lua.
    void parsingFollowsCtrlAfterADialog()
    {
        QLineEdit *line = m_main->Console()->Input()->lineEdit();
        Focus(line);
        m_asker.onSaveDialog = [] {
            QDialog dialog;
            dialog.show();
            QVERIFY(QTest::qWaitForWindowActive(&dialog));
            QTest::keyRelease(dialog.windowHandle(), Qt::Key_Control);
        };
        QWindow *window = m_main->windowHandle();
        QTest::simulateEvent(window, true, Qt::Key_Control, Qt::ControlModifier, QString(), false);
        QVERIFY(m_main->Console()->Parsing()->isChecked());
        QTest::simulateEvent(window, true, Qt::Key_S, Qt::ControlModifier, QString(), false);
        Focus(line);
        QVERIFY(!m_main->Console()->Parsing()->isChecked());
    }

    // The program ends with a name typed and not yet written back: the field losing the focus
    // as the windows go must not reach the closed script state.
    void endsWithAnEditOpen()
    {
        Focus(m_main->Properties()->ObjName());
        QTest::keyClicks(m_main->Properties()->ObjName(), QStringLiteral("Lamp"));
        m_main.reset();
    }

    void helpAndAboutOpenWithoutModality()
    {
        Item("N17")->trigger();
        QTRY_VERIFY(m_main->HelpWin()->isVisible());
        QCOMPARE(m_main->HelpWin()->windowTitle(), QString::fromUtf8("Справка"));
        QVERIFY(!m_main->HelpWin()->isModal());
        Item("N14")->trigger();
        QTRY_VERIFY(m_main->AboutWin()->isVisible());
        QVERIFY(!m_main->AboutWin()->isModal());
        QCOMPARE(m_main->AboutWin()->windowTitle(), QString::fromUtf8("О программе"));
    }
};

TARNWICK_TEST(TestMainWin)
#include "tst_mainwin.moc"
