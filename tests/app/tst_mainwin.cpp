#include "app/mainwin.h"
#include "properties/propertieswin.h"
#include "console/consolewin.h"
#include "map/mapwin.h"
#include "tree/itemstree.h"
#include "tree/itemswin.h"
#include "script/scripthost.h"
#include "tests/support/fakeasker.h"
#include "tests/testmain.h"

#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>
#include <QWindow>

#include <memory>

class TestMainWin : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TMainWin> m_main;
    FakeAsker m_asker;

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
        m_asker = FakeAsker();
        m_asker.answer = QMessageBox::Cancel;
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

    void consoleRanStartup()
    {
        const QStringList lines = m_main->Console()->Output()->toPlainText().split(QLatin1Char('\n'));
        QCOMPARE(lines.value(0), QStringLiteral("Interactive fiction builder 'Tarnwick', 2004"));
        QCOMPARE(lines.value(1), QStringLiteral("dofile 'startup.lua'"));
        QVERIFY(m_main->Host().EvalDefined(QStringLiteral("player")));
    }

    // The menus in display order: each item visible as "name=caption=shortcut".
    void menusHaveTheirItemsAndKeys()
    {
        QStringList shown;
        for (QAction *menu : m_main->menuBar()->actions()) {
            shown << menu->text();
            for (QAction *item : menu->menu()->actions())
                if (item->isVisible() && !item->isSeparator())
                    shown << item->objectName() + QLatin1Char('=') + item->text() + QLatin1Char('=')
                                 + item->shortcut().toString();
        }
        QCOMPARE(shown,
                 QString::fromUtf8("&Файл|N13=&Новый=|N1=&Открыть=Ctrl+O|N4=&Сохранить=Ctrl+S|"
                                   "N8=С&охранить как...=|N7=&Компилить=F9|"
                                   "N22=&Прогнать прохождение…=|N23=Пр&инять прохождение=|N5=&Выход=|"
                                   "&Вид|N10=&Консоль=|N12=&Словарь=|N9=&Дерево объектов=|"
                                   "N11=&Свойства объекта=|N15=О&шибки=|N19=К&арта=|&Помощь|"
                                   "N17=Справка=F1|N14=О программе=").split(QLatin1Char('|')));
    }

    void viewItemsToggleTheirWindows()
    {
        for (int tag = 0; tag < 6; ++tag) {
            TToolWin *window = m_main->ToolWindows()[tag];
            QAction *item = m_main->ViewItem(tag);
            // Every window but the map starts shown.
            const bool wasShown = window->isVisible();
            QCOMPARE(wasShown, window != m_main->Map());
            item->trigger();
            QTRY_COMPARE(window->isVisible(), !wasShown);
            QCOMPARE(item->isChecked(), !wasShown);
            item->trigger();
            QTRY_COMPARE(window->isVisible(), wasShown);
            QCOMPARE(item->isChecked(), wasShown);
        }
        // Shown again, the console must not start a new world.
        QCOMPARE(m_main->Console()->Output()->toPlainText().count(QStringLiteral("dofile 'startup.lua'")), 1);
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
        // Saved, the title names the new file.
        QCOMPARE(m_main->windowTitle().endsWith(QStringLiteral("closing")), saveAs);
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
        m_main->Host().RunLua(QStringLiteral("world:create('hall'); update_items()"));
        QTreeWidgetItem *hall = m_main->Items()->FindObjectNode(m_main->Items()->Root(), QStringLiteral("hall"));
        QVERIFY(hall);
        tree->setCurrentItem(hall);
        tree->editItem(hall, 0);
        QLineEdit *editor = tree->viewport()->findChild<QLineEdit *>();
        QVERIFY(editor);
        QTest::keyClicks(editor, QStringLiteral("lamp"));
        QTest::keyClick(editor, Qt::Key_Escape);
        QVERIFY(m_asker.asked.isEmpty());
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

    // The toolkit's own dialogs speak Russian whatever the machine's language.
    void standardDialogsAreRussian()
    {
        QMessageBox box(QMessageBox::Question, QStringLiteral("Выход"), QString(),
                        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        QStringList texts;
        for (const QPushButton *button : box.findChildren<QPushButton *>())
            texts << button->text().remove(QLatin1Char('&'));
        QCOMPARE(texts, QStringList({"Да", "Нет", "Отмена"}));
    }
};

TARNWICK_TEST(TestMainWin)
TARNWICK_TEST_MAIN
#include "tst_mainwin.moc"
