#include "console/consolewin.h"
#include "script/scripthost.h"
#include "tests/testmain.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QToolButton>

#include <algorithm>
#include <memory>

namespace {

// How the end of a block shows: "b" when bold, then the colour, as "b#008000".
QString StyleOf(const QTextBlock &block)
{
    QTextCursor cursor(block);
    cursor.movePosition(QTextCursor::EndOfBlock);
    const QTextCharFormat format = cursor.charFormat();
    return (format.fontWeight() >= QFont::Bold ? QStringLiteral("b") : QString())
           + format.foreground().color().name();
}

} // namespace

class TestConsoleWin : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<ScriptHost> m_host;
    std::unique_ptr<TConsoleWin> m_console;

    QTextDocument *Document() const { return m_console->Output()->document(); }
    QString LastLine() const { return Document()->lastBlock().text(); }
    QStringList Lines() const { return m_console->Output()->toPlainText().split(QLatin1Char('\n')); }
    QLineEdit *Edit() const { return m_console->Input()->lineEdit(); }

    void Type(const QString &line)
    {
        Edit()->setText(line);
        QTest::keyClick(Edit(), Qt::Key_Return);
    }

    QStringList History() const
    {
        QStringList items;
        for (int i = 0; i < m_console->Input()->count(); ++i)
            items.append(m_console->Input()->itemText(i));
        return items;
    }

private Q_SLOTS:
    void init()
    {
        TestRegistry::FailOnWarnings();
        m_host = std::make_unique<ScriptHost>();
        m_console = std::make_unique<TConsoleWin>(*m_host);
        m_host->SetConsole(m_console.get());
        m_host->RunLua(QStringLiteral("_ALERT = error_print"));
    }

    void cleanup()
    {
        m_host->SetConsole(nullptr);
        m_console.reset();
        m_host.reset();
    }

    // What a chunk prints is shown when it ends, in the order it was printed; a line break
    // makes several lines in one style.
    void linesOfARunningChunkKeepTheirOrder()
    {
        const int blocks = Document()->blockCount();
        m_host->RunLua(QStringLiteral("print('a'); error_print('b\\nb2'); print('c'); print('d')"));
        QCOMPARE(Lines().mid(blocks), (QStringList{"a\t", "b", "b2", "c\t", "d\t"}));
        QCOMPARE(StyleOf(Document()->findBlockByNumber(blocks + 1)), QStringLiteral("#ff0000"));
        QCOMPARE(StyleOf(Document()->findBlockByNumber(blocks + 2)), QStringLiteral("#ff0000"));
        QCOMPARE(StyleOf(Document()->lastBlock()), QStringLiteral("#000000"));
    }

    // Enter echoes the line in bold, runs it (a failure shows in red after it), keeps it in the
    // history newest first, repeats included, and clears the input.
    void enterRunsTheLineAsLua_data()
    {
        QTest::addColumn<QStringList>("typed");
        QTest::addColumn<QString>("lastEcho");
        QTest::addColumn<QString>("output");
        QTest::addColumn<bool>("red");
        QTest::newRow("assignment") << QStringList{"x = 5  "} << "x = 5  " << "" << false;
        QTest::newRow("output after the echo") << QStringList{"print(0.1)"} << "print(0.1)"
                                               << "0.10000000149012\t" << false;
        QTest::newRow("failing line") << QStringList{"x = = 1"} << "x = = 1"
                                      << "[string \"x = = 1\"]:1:" << true;
        QTest::newRow("empty line") << QStringList{""} << "" << "" << false;
        QTest::newRow("repeats kept") << QStringList{"a = 1", "b = 2", "a = 1"} << "a = 1" << ""
                                      << false;
    }
    void enterRunsTheLineAsLua()
    {
        QFETCH(QStringList, typed);
        QFETCH(QString, lastEcho);
        QFETCH(QString, output);
        QFETCH(bool, red);
        for (const QString &line : typed)
            Type(line);
        const int echo = Document()->blockCount() - (output.isEmpty() ? 1 : 2);
        QCOMPARE(Document()->findBlockByNumber(echo).text(), lastEcho);
        QVERIFY(StyleOf(Document()->findBlockByNumber(echo)).startsWith(QLatin1Char('b')));
        if (!output.isEmpty()) {
            QVERIFY2(LastLine().startsWith(output), qPrintable(LastLine()));
            QCOMPARE(StyleOf(Document()->lastBlock()),
                     red ? QStringLiteral("#ff0000") : QStringLiteral("#000000"));
        }
        QStringList history = typed;
        std::reverse(history.begin(), history.end());
        QCOMPARE(History(), history);
        QCOMPARE(Edit()->text(), QString());
    }

    // The combo box itself holds the focus in the running program and hands keys to its line
    // edit without the usual event route, so Enter and Ctrl must work addressed to either.
    void keysWorkAddressedToTheComboBox()
    {
        m_host->RunLua(QStringLiteral("function parse (s) heard = s end"));
        Edit()->setText(QStringLiteral("y = 7"));
        QTest::keyClick(m_console->Input(), Qt::Key_Return);
        QCOMPARE(m_host->EvalString(QStringLiteral("y")), QStringLiteral("7"));
        QCOMPARE(Edit()->text(), QString());
        QTest::keyPress(m_console->Input(), Qt::Key_Control);
        QVERIFY(m_console->Parsing()->isChecked());
        Edit()->setText(QStringLiteral("look"));
        QTest::keyClick(m_console->Input(), Qt::Key_Return, Qt::ControlModifier);
        QTest::keyRelease(m_console->Input(), Qt::Key_Control);
        QVERIFY(!m_console->Parsing()->isChecked());
        QCOMPARE(m_host->EvalString(QStringLiteral("heard")), QStringLiteral("look"));
        // Ctrl is a momentary switch: releasing it leaves the toggle up even when clicked down.
        m_console->Parsing()->setChecked(true);
        QTest::keyPress(Edit(), Qt::Key_Control);
        QTest::keyRelease(Edit(), Qt::Key_Control);
        QVERIFY(!m_console->Parsing()->isChecked());
    }

    void parsingHandsTheLineToParse_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("call");
        QTest::newRow("words") << QString::fromUtf8("взять лампу")
                               << QString::fromUtf8("parse ([[взять лампу]])");
        QTest::newRow("closing brackets") << "say ]] now" << "parse ([=[say ]] now]=])";
        QTest::newRow("balanced brackets") << "a [[b]]" << "parse ([[a [[b]]]])";
        QTest::newRow("empty") << "" << "parse ([[]])";
    }
    void parsingHandsTheLineToParse()
    {
        QFETCH(QString, line);
        QFETCH(QString, call);
        QCOMPARE(TConsoleWin::ParseCall(line), call);
        m_host->RunLua(QStringLiteral("function parse (s) heard = s end"));
        m_console->Parsing()->setChecked(true);
        Type(line);
        QCOMPARE(LastLine(), line);
        QCOMPARE(StyleOf(Document()->lastBlock()), QStringLiteral("b#008000"));
        QCOMPARE(m_host->EvalString(QStringLiteral("heard")), line);
        QCOMPARE(History(), QStringList{line});
    }

    void newestLineIsScrolledIntoView()
    {
        m_console->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_console.get()));
        m_host->RunLua(QStringLiteral("for i = 1, 500 do print(i) end"));
        QScrollBar *bar = m_console->Output()->verticalScrollBar();
        QTRY_VERIFY(bar->maximum() > 0);
        QCOMPARE(bar->value(), bar->maximum());
    }
};

TARNWICK_TEST(TestConsoleWin)
TARNWICK_TEST_MAIN
#include "tst_consolewin.moc"
