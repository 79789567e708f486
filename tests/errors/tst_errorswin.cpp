// The parser messages editor inside the main window, driven by clicks and keys: what leaving the
// edit area stores, copy and paste of the nine messages, and a new project's messages.

#include "app/mainwin.h"
#include "console/consolewin.h"
#include "errors/errorswin.h"
#include "project/projectcommands.h"
#include "script/scripthost.h"
#include "tests/support/fakeasker.h"
#include "tests/support/typing.h"
#include "tests/testmain.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTreeWidget>

#include <memory>

class TestErrorsWin : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TMainWin> m_main;
    FakeAsker m_asker;

    TErrorsWin *Win() const { return m_main->Errors(); }
    QPlainTextEdit *Edit() const { return Win()->ErrorMes(); }
    ScriptHost &Host() const { return m_main->Host(); }

    void ClickEntry(int n)
    {
        QTreeWidget *list = Win()->Errors();
        const QRect row = list->visualItemRect(list->topLevelItem(n - 1));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, row.center());
    }

    void ClickEdit() { QTest::mouseClick(Edit()->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5)); }

    // Whether message n equals the Lua string literal.
    bool Stored(int n, const QString &literal) const
    {
        return Host().EvalLiteral(QStringLiteral("PARSE_ERROR[%1] == %2").arg(n).arg(literal))
               == QLatin1String("true");
    }

private Q_SLOTS:
    void init()
    {
        TestRegistry::FailOnWarnings();
        m_main = std::make_unique<TMainWin>();
        m_main->SetAsker(&m_asker);
        m_main->show();
        QVERIFY(QTest::qWaitForWindowActive(m_main.get()));
    }

    void cleanup() { m_main.reset(); }

    void leavingTheEditAreaStoresTheText_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("echoed");
        QTest::addColumn<QString>("stored");
        QTest::newRow("one line") << "Нет" << "PARSE_ERROR [4] = [[Нет]]" << "\"Нет\"";
        QTest::newRow("two lines keep CR LF") << "a\nb" << "PARSE_ERROR [4] = \"a\\r\\nb\""
                                             << "\"a\\r\\nb\"";
        QTest::newRow("holding ]]") << "x]]y" << "PARSE_ERROR [4] = [=[x]]y]=]" << "\"x]]y\"";
        QTest::newRow("untouched") << "" << QString::fromUtf8("PARSE_ERROR [4] = [[Я не понял, что соединяет союз «и».]]")
                                   << QString::fromUtf8("\"Я не понял, что соединяет союз «и».\"");
    }
    void leavingTheEditAreaStoresTheText()
    {
        QFETCH(QString, typed);
        QFETCH(QString, echoed);
        QFETCH(QString, stored);
        ClickEntry(4);
        ClickEdit();
        if (!typed.isEmpty()) {
            Edit()->selectAll();
            TypeText(Edit(), typed);
        }
        ClickEntry(5);
        QCOMPARE(m_main->Console()->Output()->document()->lastBlock().text(), echoed);
        QVERIFY(Stored(4, stored));
        QCOMPARE(Edit()->toPlainText(), Host().EvalString(QStringLiteral("PARSE_ERROR[5]")));
        QCOMPARE(Win()->CurrentMessage(), QStringLiteral("5"));
    }

    // Ctrl+C and Ctrl+V act on the list; in the edit area they keep their text meaning.
    void copyAndPaste()
    {
        ClickEntry(2);
        QTest::keyClick(Win()->Errors(), Qt::Key_C, Qt::ControlModifier);
        const QString copied = QApplication::clipboard()->text();
        QVERIFY(copied.contains(QStringLiteral("PARSE_ERROR[1] = ")));
        Host().RunLua(QStringLiteral("PARSE_ERROR[1] = 'changed'"));
        QTest::keyClick(Win()->Errors(), Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(Edit()->toPlainText(), QString::fromUtf8("Я не понял, что нужно сделать."));
        QCOMPARE(Win()->Errors()->currentItem(), Win()->Errors()->topLevelItem(0));
        ClickEdit();
        Edit()->selectAll();
        QTest::keyClick(Edit(), Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QApplication::clipboard()->text(), Edit()->toPlainText());
    }

    // A copy whose script fails leaves the clipboard as it was, not an earlier copy's text.
    void failingCopyKeepsTheClipboard()
    {
        Host().RunLua(QStringLiteral("temp = 'stale'"));
        QApplication::clipboard()->setText(QStringLiteral("kept"));
        QTemporaryDir empty;
        const QString folder = QDir::currentPath();
        QDir::setCurrent(empty.path());
        ClickEntry(1);
        QTest::keyClick(Win()->Errors(), Qt::Key_C, Qt::ControlModifier);
        QDir::setCurrent(folder);
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("kept"));
        QVERIFY(m_main->Console()->Output()->document()->lastBlock().text().contains("copyerrors.lua"));
    }

    // A message being edited belongs to the project it was typed in, not to the next one.
    void newProjectShowsItsOwnFirstMessage()
    {
        ClickEntry(1);
        ClickEdit();
        TypeText(Edit(), QStringLiteral("typed "));
        m_main->Project().New();
        QVERIFY(Stored(1, QString::fromUtf8("'Я не понял, что нужно сделать.'")));
        QCOMPARE(Edit()->toPlainText(), QString::fromUtf8("Я не понял, что нужно сделать."));
    }
};
TARNWICK_TEST(TestErrorsWin)
TARNWICK_TEST_MAIN

#include "tst_errorswin.moc"
