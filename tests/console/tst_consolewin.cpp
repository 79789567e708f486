#include "console/consolewin.h"
#include "script/scripthost.h"
#include "tests/testmain.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <QToolButton>

#include <memory>

namespace {

struct Style
{
    bool bold;
    QColor colour;
};

Style StyleOfBlock(const QTextBlock &block)
{
    QTextCursor cursor(block);
    cursor.movePosition(QTextCursor::EndOfBlock);
    const QTextCharFormat format = cursor.charFormat();
    return {format.fontWeight() >= QFont::Bold, format.foreground().color()};
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

    void Type(const QString &line, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        Edit()->setText(line);
        QTest::keyClick(Edit(), Qt::Key_Return, modifiers);
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

    void startsWithItsOwnLine()
    {
        QCOMPARE(m_console->Output()->toPlainText(),
                 QStringLiteral("Interactive fiction builder 'Tarnwick', 2004"));
        QVERIFY(m_console->Output()->isReadOnly());
        QCOMPARE(m_console->windowTitle(), QStringLiteral("Консоль"));
    }

    void kindsHaveTheirStyles_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("bold");
        QTest::addColumn<QColor>("colour");
        QTest::newRow("command") << 0 << true << QColor(0, 0, 0);
        QTest::newRow("normal") << 1 << false << QColor(0, 0, 0);
        QTest::newRow("error") << 2 << false << QColor(255, 0, 0);
        QTest::newRow("player") << 3 << true << QColor(0, 128, 0);
        QTest::newRow("warning") << 4 << false << QColor(176, 128, 0);
        QTest::newRow("transcript") << 5 << false << QColor(0, 64, 160);
    }
    void kindsHaveTheirStyles()
    {
        QFETCH(int, kind);
        QFETCH(bool, bold);
        QFETCH(QColor, colour);
        // Each kind after each other kind, so no style leaks from the line before.
        for (int before = 0; before < 6; ++before) {
            m_console->ConsolePrint(QStringLiteral("before"), before);
            m_console->ConsolePrint(QStringLiteral("line"), kind);
            QCOMPARE(LastLine(), QStringLiteral("line"));
            const Style style = StyleOfBlock(Document()->lastBlock());
            QCOMPARE(style.bold, bold);
            QCOMPARE(style.colour, colour);
        }
    }

    void kindsOutsideTheRangeWriteNothing()
    {
        const QString before = m_console->Output()->toPlainText();
        m_console->ConsolePrint(QStringLiteral("x"), 6);
        m_console->ConsolePrint(QStringLiteral("x"), -1);
        QCOMPARE(m_console->Output()->toPlainText(), before);
    }

    void lineBreaksMakeSeveralLinesInOneStyle()
    {
        const int blocks = Document()->blockCount();
        m_console->ConsolePrint(QStringLiteral("one\ntwo\nthree"), 2);
        QCOMPARE(Document()->blockCount(), blocks + 3);
        for (QTextBlock b = Document()->lastBlock(); b.blockNumber() >= blocks; b = b.previous())
            QCOMPARE(StyleOfBlock(b).colour, QColor(255, 0, 0));
        QCOMPARE(Lines().mid(blocks), (QStringList{"one", "two", "three"}));
    }

    // What a chunk prints is shown when it ends, in the order it was printed.
    void linesOfARunningChunkKeepTheirOrder()
    {
        const int blocks = Document()->blockCount();
        m_host->RunLua(QStringLiteral("print('a'); error_print('b'); print('c'); print('d')"));
        QCOMPARE(Lines().mid(blocks), (QStringList{"a\t", "b", "c\t", "d\t"}));
        QCOMPARE(StyleOfBlock(Document()->findBlockByNumber(blocks + 1)).colour, QColor(255, 0, 0));
        QCOMPARE(StyleOfBlock(Document()->lastBlock()).colour, QColor(0, 0, 0));
    }

    void enterRunsTheLineAsLua()
    {
        Type(QStringLiteral("x = 5  "));
        QCOMPARE(LastLine(), QStringLiteral("x = 5  "));
        QVERIFY(StyleOfBlock(Document()->lastBlock()).bold);
        QCOMPARE(m_host->EvalString(QStringLiteral("x")), QStringLiteral("5"));
        QCOMPARE(History(), QStringList{QStringLiteral("x = 5  ")});
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
    }

    void enterEchoesBeforeTheRunsOutput()
    {
        Type(QStringLiteral("print(0.1)"));
        QCOMPARE(Lines().mid(Lines().size() - 2),
                 (QStringList{"print(0.1)", "0.10000000149012\t"}));
    }

    void failingLineIsReportedAndStillKept()
    {
        Type(QStringLiteral("x = = 1"));
        QVERIFY(LastLine().startsWith(QStringLiteral("[string \"x = = 1\"]:1:")));
        QCOMPARE(StyleOfBlock(Document()->lastBlock()).colour, QColor(255, 0, 0));
        QCOMPARE(History(), QStringList{QStringLiteral("x = = 1")});
        QCOMPARE(Edit()->text(), QString());
    }

    void emptyLineIsEchoedAndKept()
    {
        const int blocks = Document()->blockCount();
        Type(QString());
        QCOMPARE(Document()->blockCount(), blocks + 1);
        QCOMPARE(LastLine(), QString());
        QCOMPARE(History(), QStringList{QString()});
    }

    void historyIsNewestFirstWithRepeats()
    {
        for (const char *line : {"a = 1", "b = 2", "a = 1"})
            Type(QString::fromLatin1(line));
        QCOMPARE(History(), (QStringList{"a = 1", "b = 2", "a = 1"}));
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
        const Style style = StyleOfBlock(Document()->lastBlock());
        QVERIFY(style.bold);
        QCOMPARE(style.colour, QColor(0, 128, 0));
        QCOMPARE(m_host->EvalString(QStringLiteral("heard")), line);
        QCOMPARE(History(), QStringList{line});
    }

    void ctrlIsAMomentarySwitch()
    {
        m_host->RunLua(QStringLiteral("function parse (s) heard = s end"));
        QToolButton *parsing = m_console->Parsing();
        QTest::keyPress(Edit(), Qt::Key_Control);
        QVERIFY(parsing->isChecked());
        Type(QStringLiteral("осмотреться"), Qt::ControlModifier);
        QCOMPARE(m_host->EvalString(QStringLiteral("heard")), QString::fromUtf8("осмотреться"));
        QTest::keyRelease(Edit(), Qt::Key_Control);
        QVERIFY(!parsing->isChecked());

        // Releasing Ctrl leaves the toggle up even when it had been clicked down.
        parsing->setChecked(true);
        QTest::keyPress(Edit(), Qt::Key_Control);
        QTest::keyRelease(Edit(), Qt::Key_Control);
        QVERIFY(!parsing->isChecked());
        Type(QStringLiteral("plain = 1"));
        QCOMPARE(m_host->EvalString(QStringLiteral("plain")), QStringLiteral("1"));
    }

    void startupRunsOnTheFirstShowingOnly()
    {
        m_console->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_console.get()));
        const QStringList afterFirst = Lines();
        QCOMPARE(afterFirst.count(QStringLiteral("dofile 'startup.lua'")), 1);
        QVERIFY(m_host->EvalDefined(QStringLiteral("world")));
        m_console->hide();
        m_console->show();
        QCOMPARE(Lines(), afterFirst);
        m_console->Start();
        QCOMPARE(Lines(), afterFirst);
    }

    void resizeKeepsTheBottomRowInPlace_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::newRow("design") << QSize(605, 452);
        QTest::newRow("wide and short") << QSize(900, 200);
        QTest::newRow("tall") << QSize(400, 800);
    }
    void resizeKeepsTheBottomRowInPlace()
    {
        QFETCH(QSize, size);
        m_console->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_console.get()));
        m_console->resize(size);
        QWidget *client = m_console->widget();
        QTRY_COMPARE(client->width(), m_console->width());
        const int h = client->height();
        QCOMPARE(m_console->Output()->geometry(), QRect(0, 0, client->width(), h - 28));
        QCOMPARE(m_console->Input()->y(), h - 25);
        QCOMPARE(m_console->Input()->x(), 0);
        QCOMPARE(m_console->Input()->width(), client->width() - 85);
        QCOMPARE(m_console->Parsing()->y(), h - 24);
        QCOMPARE(client->width() - m_console->Parsing()->x(), 81);
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
