// The sample projects: examples/house.twk, written with methods for every verb, and
// examples/lodge.twk, written with the standard library of actions. Each opens as the program opens
// projects, its walkthrough plays to the end in the console with "Парсить" down, and its compiled
// game plays the same walkthrough in the terminal player (and a stock Lua 5.1) with the same answers.

#include "console/consolewin.h"
#include "project/projectwriter.h"
#include "tests/engine/enginetesting.h"
#include "tests/support/worldtree.h"
#include "tests/testmain.h"

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

using namespace EngineTesting;

namespace {

const char kProject[] = "examples/house.twk";
const char kWalkthrough[] = "examples/house-walkthrough.txt";

QStringList Walkthrough(const QString &path = QString::fromLatin1(kWalkthrough))
{
    return Transcript::Lines(QString::fromUtf8(ReadBytes(path)));
}

// Runs a project file as Open does: as a chunk named after the file, then postload.lua.
void Open(ScriptHost &host, const QString &path)
{
    host.RunFile(ReadBytes(path), path);
    host.RunLua(QStringLiteral("dofile 'postload.lua'"));
}

// The lines the console's log holds from line `from` on.
QStringList LogLines(const TConsoleWin &console, qsizetype from = 0)
{
    return console.Output()->toPlainText().split(QLatin1Char('\n')).mid(from);
}

} // namespace

class EngineSampleTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<ScriptHost> m_host;
    RecordingConsole m_console;
    QTemporaryDir m_dir;

    QString Errors(const QString &text) { return RunForErrors(*m_host, m_console, text); }

    static void Samples()
    {
        QTest::addColumn<QString>("project");
        QTest::addColumn<QString>("walkthrough");
        QTest::newRow("house") << QString::fromLatin1(kProject) << QString::fromLatin1(kWalkthrough);
        QTest::newRow("lodge") << QStringLiteral("examples/lodge.twk") << QStringLiteral("examples/lodge-walkthrough.txt");
    }

private slots:
    void init()
    {
        QVERIFY(m_dir.isValid());
        QCOMPARE(StartEngine(m_host, m_console), QString());
    }
    void cleanup() { m_host.reset(); }

    // What the walkthrough meets on its way: the dark cellar's catcher, the messages of the parser,
    // the pronoun, "опять", the key without a preposition, the end with its counters. Each row is
    // the answer to the n-th time its line is played.
    void walkthroughAnswers()
    {
        const struct
        {
            const char *command;
            int occurrence;
            const char *answer;
        } rows[] = {
            {"спуститься вниз", 2, "Здесь темно, хоть глаз выколи. Наверху светлеет проем люка."},
            {"открыть сундук", 1, "Слишком темно, ничего не разглядеть."},
            {"взять записку и лампу", 1, "Вы берете записку.|Вы берете лампу."},
            {"танцевать", 1, "=2"},
            {"спуститься вниз", 3,
             "Подвал. Сырые каменные стены, в углу стоит старый сундук. Наверх ведет лестница."},
            {"открыть его", 1, "Вы поднимаете тяжелую крышку.|В сундуке: медный ключ."},
            {"опять", 1, "Медный ключ уже у вас."},
            {"взять сундук", 1, "=6"},
            {"отпереть дверь ключом", 1, "Ключ поворачивается с громким щелчком. Дверь отперта."},
            {"идти на восток", 1,
             "Сад. Яблони, трава по колено, над головой — небо.|Игра окончена. Очки: 20 из 20, ходов: 26."},
        };
        Open(*m_host, QString::fromLatin1(kProject));
        const QStringList transcript = HostTranscript(*m_host, m_console, Walkthrough());
        QCOMPARE(m_console.Errors(), QString());
        for (const auto &row : rows) {
            qsizetype at = -1;
            for (int seen = 0; seen < row.occurrence; ++seen)
                at = transcript.indexOf(QStringLiteral("> ") + U(row.command), at + 1);
            QVERIFY2(at >= 0, row.command);
            QStringList answer;
            while (++at < transcript.size() && !transcript[at].startsWith(QLatin1String("> ")))
                answer.append(transcript[at]);
            // "=n" stands for parser message n as the engine has it.
            QString expected = U(row.answer);
            if (expected.startsWith(QLatin1Char('=')))
                expected = m_host->EvalString(QStringLiteral("PARSE_ERROR[%1]").arg(expected.mid(1)));
            QCOMPARE(answer.join(QLatin1Char('|')), expected);
        }
        QVERIFY(m_host->EvalString(QStringLiteral("tostring(GAME_OVER)")) == QLatin1String("true"));
    }

    // The walkthrough typed into the console, and the compiled game played by the terminal player.
    void consoleAndCompiledGameAgree_data() { Samples(); }
    void consoleAndCompiledGameAgree()
    {
        QFETCH(QString, project);
        QFETCH(QString, walkthrough);
        ScriptHost host;
        TConsoleWin console(host);
        host.SetConsole(&console);
        console.show();
        QVERIFY(QTest::qWaitForWindowExposed(&console));

        Open(host, project);
        const QString game = m_dir.filePath(QStringLiteral("game.lua"));
        host.RunLua(QStringLiteral("filename = '") + game + QStringLiteral("'; dofile 'compile.lua'"));
        QVERIFY(QFile::exists(game));

        QStringList transcript;
        qsizetype from = LogLines(console).size();
        host.RunLua(QStringLiteral("start_game()"));
        for (QString line : LogLines(console, from))
            transcript.append(line.endsWith(QLatin1Char('\t')) ? line.chopped(1) : line);

        QTest::mouseClick(console.Parsing(), Qt::LeftButton);
        QVERIFY(console.Parsing()->isChecked());
        QLineEdit *input = console.Input()->lineEdit();
        for (const QString &command : Walkthrough(walkthrough)) {
            from = LogLines(console).size();
            input->setText(command);
            QTest::keyClick(input, Qt::Key_Return);
            const QStringList lines = LogLines(console, from);
            QCOMPARE(lines.value(0), command); // the echo of the player's line
            transcript.append(QStringLiteral("> ") + command);
            for (const QString &line : lines.mid(1))
                transcript.append(line.endsWith(QLatin1Char('\t')) ? line.chopped(1) : line);
        }
        QCOMPARE(host.EvalString(QStringLiteral("tostring(GAME_OVER)")), QStringLiteral("true"));

        const Run played = PlayInTerminal({game}, Walkthrough(walkthrough));
        QCOMPARE(played.errors, QString());
        QCOMPARE(played.exitCode, 0);
        QVERIFY2(played.out == transcript, FirstDifference(played.out, transcript).constData());

        const QString lua = StockLua();
        if (lua.isEmpty())
            QSKIP("no lua5.1 on PATH; the stock interpreter run is left out");
        const Run stock = PlayInStockLua(lua, game, Walkthrough(walkthrough));
        QCOMPARE(stock.exitCode, 0);
        QVERIFY2(stock.out == transcript, FirstDifference(stock.out, transcript).constData());
    }

    // Saved by the project writer and opened again, each sample plays the same walkthrough.
    void sampleSurvivesSaveAndOpen_data() { Samples(); }
    void sampleSurvivesSaveAndOpen()
    {
        QFETCH(QString, project);
        QFETCH(QString, walkthrough);
        Open(*m_host, project);
        WorldTree::Define(*m_host);
        ProjectWriter writer(*m_host);
        QList<QByteArray> lines;
        QString problem;
        QVERIFY2(writer.ProjectLines(WorldTree::Read(*m_host), &lines, &problem), qPrintable(problem));
        const QString path = m_dir.filePath(QStringLiteral("saved.twk"));
        QVERIFY(WriteBytes(path, ProjectWriter::JoinLines(lines)));
        m_host->RunLua(QStringLiteral("filename = '") + path + QStringLiteral("'; dofile 'postsave.lua'"));
        const QStringList original = HostTranscript(*m_host, m_console, Walkthrough(walkthrough));

        QCOMPARE(Errors(QStringLiteral("dofile 'startup.lua'")), QString());
        const qsizetype from = m_console.lines.size();
        Open(*m_host, path);
        QCOMPARE(Answers(m_console, int(from)), QStringList());
        const QStringList reopened = HostTranscript(*m_host, m_console, Walkthrough(walkthrough));
        QVERIFY(original.size() > 10);
        QVERIFY2(reopened == original, FirstDifference(reopened, original).constData());
    }
};

TARNWICK_TEST(EngineSampleTest)

#include "tst_sample.moc"
