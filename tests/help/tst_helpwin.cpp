#include "app/mainwin.h"
#include "console/consolewin.h"
#include "help/helpwin.h"
#include "script/scripthost.h"

#include "tests/testmain.h"

#include <QAction>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextBrowser>

// The help window as the author meets it: opened from the main window, a topic chosen with the
// mouse.
class TestHelpWin : public QObject
{
    Q_OBJECT

private slots:
    void init() { TestRegistry::FailOnWarnings(); }
    void choosingTopics();
};

namespace {

void Click(QListWidget *list, int row, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QTest::mouseClick(list->viewport(), Qt::LeftButton, modifiers,
                      list->visualItemRect(list->item(row)).center());
}

} // namespace

void TestHelpWin::choosingTopics()
{
    TMainWin main;
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    QAction *helpItem = main.findChild<QAction *>(QStringLiteral("N17"));
    QVERIFY(helpItem);
    THelpWin *help = main.HelpWin();
    QListWidget *topics = help->Topics();
    QTextDocument *view = help->Help()->document();

    // Nothing is chosen at first, not even when the list takes the focus.
    helpItem->trigger();
    QVERIFY(QTest::qWaitForWindowExposed(help));
    QCOMPARE(topics->count(), 17);
    topics->setFocus();
    QVERIFY(topics->selectedItems().isEmpty());
    QCOMPARE(help->Help()->toPlainText(), QString());

    // A click shows the topic from HELP with its heading centred and bold.
    Click(topics, 2);
    QCOMPARE(view->findBlockByNumber(1).text(), THelpWin::TopicTitles().at(2));
    QCOMPARE(view->findBlockByNumber(1).blockFormat().alignment(), Qt::AlignHCenter);
    QVERIFY(QTextCursor(view->findBlockByNumber(1)).charFormat().fontWeight() >= QFont::Bold);
    const QString topic = help->Help()->toPlainText();

    // Taking the choice back leaves the topic; so does hiding the window and showing it again.
    Click(topics, 2, Qt::ControlModifier);
    QVERIFY(topics->selectedItems().isEmpty());
    QTest::keyClick(topics, Qt::Key_Escape);
    QVERIFY(!help->isVisible());
    QVERIFY(main.isVisible());
    helpItem->trigger();
    QVERIFY(help->isVisible());
    QCOMPARE(help->Help()->toPlainText(), topic);

    // A topic HELP does not hold as text shows nothing; a failing lookup is reported in red.
    main.Host().RunLua(QStringLiteral("HELP[5] = {}"));
    Click(topics, 4);
    QCOMPARE(help->Help()->toPlainText(), QString());
    main.Host().RunLua(QStringLiteral("HELP = nil"));
    Click(topics, 5);
    QCOMPARE(help->Help()->toPlainText(), QString());
    QVERIFY(
        main.Console()->Output()->document()->lastBlock().text().contains(QLatin1String("HELP")));
}

TARNWICK_TEST(TestHelpWin)
#include "tst_helpwin.moc"
