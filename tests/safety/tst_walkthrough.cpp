// Walkthroughs: the terminal player checks a game's transcript against the expected one, and the
// program plays a walkthrough against the world being built without touching it.

#include "app/mainwin.h"
#include "console/consolewin.h"
#include "play/transcript.h"
#include "play/walkthroughrunner.h"
#include "script/scripthost.h"
#include "tests/engine/enginetesting.h"
#include "tests/support/fakeasker.h"
#include "tests/support/files.h"
#include "tests/support/recordingconsole.h"
#include "tests/support/worldtree.h"
#include "tests/testmain.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTemporaryDir>

#include <memory>

namespace {

QString Beside(const char *name)
{
    return QCoreApplication::applicationDirPath() + QLatin1Char('/') + QString::fromLatin1(name);
}

QStringList Walkthrough()
{
    return Transcript::Lines(QString::fromUtf8(ReadBytes(Beside("examples/house-walkthrough.txt"))));
}

// Stops the game the first time it is asked.
class StopAtOnce : public RunGuard
{
public:
    bool KeepRunning(qint64) override { return !++asked; }
    int asked = 0;
};

} // namespace

class TestWalkthrough : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TMainWin> m_main;
    FakeAsker m_answers;
    std::unique_ptr<QTemporaryDir> m_dir;
    // The sample compiled, and its transcript as the terminal player writes it.
    QString m_game;
    QStringList m_transcript;

private Q_SLOTS:
    void init()
    {
        TestRegistry::FailOnWarnings();
        QDir::setCurrent(QCoreApplication::applicationDirPath());
        m_dir = std::make_unique<QTemporaryDir>();
        m_main = std::make_unique<TMainWin>();
        m_main->SetAsker(&m_answers);
        m_main->Project().OpenFile(Beside("examples/house.twk"));
        m_main->Project().CompileProject(m_dir->filePath(QStringLiteral("house.twk")));
        m_game = m_dir->filePath(QStringLiteral("house.lua"));
        m_transcript = EngineTesting::PlayInTerminal({m_game}, Walkthrough()).out;
        QVERIFY(m_transcript.size() > 50);
    }

    void cleanup() { m_main.reset(); }

    void expectReportsTheFirstDifference_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("first");
        QTest::newRow("same") << "" << 0 << QStringLiteral("Стенограмма совпадает с ожидаемой (строк: %1).");
        QTest::newRow("a line differs") << "line" << 1
                                        << QStringLiteral("Стенограмма расходится с ожидаемой в строке 10 (после ввода «осмотреть дверь»):");
        QTest::newRow("expected goes on") << "longer" << 1
                                          << QStringLiteral("Стенограмма расходится с ожидаемой в строке %2 (после ввода «идти на восток»):");
        QTest::newRow("no expected file") << "missing" << 2 << QString();
    }
    void expectReportsTheFirstDifference()
    {
        QFETCH(QString, change);
        QFETCH(int, status);
        QFETCH(QString, first);
        QStringList expected = m_transcript;
        QStringList report;
        if (!first.isEmpty())
            report.append(first.replace(QStringLiteral("%1"), QString::number(expected.size()))
                              .replace(QStringLiteral("%2"), QString::number(expected.size() + 1)));
        if (change == QLatin1String("line")) {
            expected[9] = QStringLiteral("Дверь открыта настежь.");
            report << QStringLiteral("  ожидалось: Дверь открыта настежь.") << QStringLiteral("  получено:  ") + m_transcript[9];
        } else if (change == QLatin1String("longer")) {
            expected.append(QStringLiteral("Ещё строка."));
            report << QStringLiteral("  ожидалось: Ещё строка.") << QStringLiteral("  получено:  (конец стенограммы)");
        }
        const QString path = m_dir->filePath(QStringLiteral("house.expected"));
        if (change != QLatin1String("missing"))
            QVERIFY(WriteBytes(path, Transcript::Text(expected).toUtf8()));
        const EngineTesting::Run run = EngineTesting::PlayInTerminal({QStringLiteral("--expect"), path, m_game}, Walkthrough());
        QCOMPARE(run.exitCode, status);
        QCOMPARE(run.out, report);
    }

    // Typed into the console, the walkthrough plays in a state of its own: the live world, its
    // `filename` and the current folder stay as they were, and the transcript is the player's.
    void consoleWalkthroughLeavesTheLiveWorld()
    {
        WorldTree::Define(m_main->Host());
        m_main->Host().RunLua(QStringLiteral("filename = 'mine'"));
        const QString before = m_main->Host().EvalString(QStringLiteral("world_dump()"));
        const QString walk = m_dir->filePath(QStringLiteral("walk.txt"));
        QVERIFY(WriteBytes(walk, Transcript::Text(Walkthrough()).toUtf8()));
        QStringList expected = m_transcript;
        expected[9] = QStringLiteral("Дверь открыта настежь.");
        QVERIFY(WriteBytes(m_dir->filePath(QStringLiteral("walk.expected")), Transcript::Text(expected).toUtf8()));
        RecordingConsole console;
        m_main->Host().SetConsole(&console);
        QLineEdit *input = m_main->Console()->Input()->lineEdit();
        QTest::keyClicks(input, QStringLiteral("walkthrough '") + walk + QLatin1Char('\''));
        QTest::keyClick(input, Qt::Key_Return);
        QTest::keyClicks(input, QStringLiteral("walkthrough_accept()"));
        QTest::keyClick(input, Qt::Key_Return);
        m_main->Host().SetConsole(m_main->Console());
        QCOMPARE(m_main->Host().EvalString(QStringLiteral("world_dump()")), before);
        QCOMPARE(m_main->Host().EvalString(QStringLiteral("filename")), QStringLiteral("mine"));
        QCOMPARE(QDir::currentPath(), QCoreApplication::applicationDirPath());
        const QString shown = console.Texts(ConsoleKind::Transcript).join(QLatin1Char('\n'));
        QCOMPARE(shown.split(QLatin1Char('\n')).mid(1, m_transcript.size()), m_transcript);
        // The mark, in red, follows the line that differs.
        const QStringList all = console.Texts().join(QLatin1Char('\n')).split(QLatin1Char('\n'));
        QVERIFY(all.value(11).contains(QStringLiteral("строке 10")));
        QVERIFY(console.Errors().contains(QStringLiteral("строке 10")));
        const QByteArray accepted = ReadBytes(m_dir->filePath(QStringLiteral("walk.expected")));
        QCOMPARE(Transcript::Lines(QString::fromUtf8(accepted)), m_transcript);
    }

    void endlessLoopIsStopped()
    {
        m_main->Host().RunLua(QStringLiteral("world.ide_data.start = 'while true do end'"));
        WalkthroughRunner runner(m_main->Host(), QCoreApplication::applicationDirPath());
        StopAtOnce guard;
        runner.SetRunGuard(&guard);
        QStringList transcript, errors;
        QVERIFY(runner.Play({QStringLiteral("осмотреться")}, &transcript, &errors));
        QVERIFY(guard.asked > 0);
        QVERIFY((transcript + errors).join(QLatin1Char('\n')).contains(QStringLiteral("выполнение прервано автором")));
    }
};

TARNWICK_TEST(TestWalkthrough)
#include "tst_walkthrough.moc"
