// Compiled games: compile.lua writes a world, the terminal player (and a stock Lua 5.1, when one
// is installed) plays it, and the game answers exactly as the host did.

#include "tests/engine/enginetesting.h"
#include "tests/testmain.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace EngineTesting;

namespace {

// A hall with a lamp and the player, with sources as the method editor leaves them.
const char kBase[] = R"lua(
world:create('hall', 'Зал'); player:moveto(hall); hall:create('lamp', 'Лампа')
hall.ide_data.look = [[print('Зал. Предметов: ' .. table.getn(self.items) .. '.')]]
lamp.ide_data.take = [[self:moveto(player) print('Взята: ' .. lower(self.name))]]
lamp.ide_data.look = [[print('Лампа, у ' .. self.parent.uid)]]
)lua";

// A world (the base first unless the setup starts with "!"), the lines played, and lines that the
// transcript must hold; lists are joined by "|".
struct Case
{
    const char *name, *setup, *input, *holds;
};

const Case kGames[] = {
    {"default start", "", "осмотреться|взять лампу", "Мир|Зал. Предметов: 2.|> осмотреться|Взята: лампа"},
    {"world start", "world.ide_data.start = [[print('Начало игры')]]", "осмотреться", "Начало игры"},
    {"names with quotes and line breaks", "world.name = 'Мир\\n\"второй\"'; lamp.name = 'Лампа \\'Л\\' ]]'; "
                                          "lamp.ide_data.look = [[print(self.name)]]",
     "осмотреть лампу", "Мир|\"второй\"|Лампа 'Л' ]]"},
    {"references and the order of lists",
     "!world:create('key', 'Ключ'); world:create('hall', 'Зал'); hall:add(key); player:moveto(hall); "
     "hall:create('lamp', 'Лампа'); "
     "hall.ide_data.look = [[local u = {} for _, o in ipairs(self.items) do table.insert(u, o.uid) end "
     "print(table.concat(u, ',')) print(key.parents[1].uid .. ' ' .. key.parent.uid)]]",
     "осмотреться", "key,player,lamp|hall world"},
    {"data", "hall.data = { n = 3, f = 0.5, s = 'a \"b\"\\nc ]] d', t = { 1, 2, { x = 'y' } }, ref = lamp, "
             "flag = false }; hall.ide_data.look = [[local d = self.data print(d.n, d.f, d.s) "
             "print(table.getn(d.t) .. d.t[3].x, d.ref.uid, tostring(d.flag))]]",
     "осмотреться", "3\t0.5\ta \"b\"|c ]] d|3y\tlamp\tfalse"},
    {"vocabulary in force", "vocabulary('verbs', 'look глянуть\\ntake взять')", "глянуть|осмотреться",
     "Зал. Предметов: 2.|Я не знаю такого слова."},
    {"messages", "PARSE_ERROR[2] = 'Что-что?'", "фыва", "Что-что?"},
    {"catchers", "hall.ide_data.hooks = [[if event.verb == 'take' then print('Нельзя: ' .. event.object.name) "
                 "return true end]]",
     "взять лампу|осмотреть лампу", "Нельзя: Лампа|Лампа, у hall"},
    {"counters in data", "world.data.turns = 0; world.ide_data.hooks = [[world.data.turns = world.data.turns + 1]]; "
                         "hall.ide_data.look = [[print('Ход ' .. world.data.turns)]]",
     "осмотреться|осмотреться|фыва|осмотреться", "Ход 1|Ход 2|Ход 3"},
    {"the end of the game ends the input", "lamp.ide_data.take = [[print('Конец') end_game()]]",
     "взять лампу|осмотреться", "Конец"},
    {"pronouns, again and several objects", "hall:create('key', 'Ключ'); key.ide_data.take = [[print('Ключ взят')]]",
     "взять лампу и ключ|опять|осмотреть её", "Взята: лампа|Ключ взят|Лампа, у player"},
    {"Russian text both ways", "vocabulary('nouns', 'ёлка ёлк*'); hall:create('fir', 'Ёлка'); "
                               "fir.ide_data.take = [[print('Взята ' .. lower(self.name) .. ' «ЁЖ»')]]",
     "ВЗЯТЬ ЁЛКУ", "> ВЗЯТЬ ЁЛКУ|Взята ёлка «ЁЖ»"},
    {"empty sources are empty methods", "lamp.ide_data.look = ''; lamp.ide_data.constructor = ''; hall.ide_data.hooks = ''",
     "осмотреть лампу|взять лампу", "> осмотреть лампу|> взять лампу|Взята: лампа"},
    {"constructors are defined, not run", "lamp.ide_data.constructor = [[print('Сделана')]]; "
                                          "lamp.ide_data.look = [[self:constructor()]]",
     "осмотреть лампу", "Сделана"},
};

// A script run by the terminal player as the game, the input, and what must come of it.
struct PlayerCase
{
    const char *name, *script, *input;
    int exitCode;
    const char *out, *errors;
};

const PlayerCase kPlayer[] = {
    {"plays to the end", "GAME_IO.write('готово', '\\n')", "", 0, "готово", ""},
    {"writes values by their text or type", "GAME_IO.write(1, {}, true, 'а')", "", 0, "1tableboolean" "а", ""},
    {"reads a line in Windows-1251", "local s = GAME_IO.read() GAME_IO.write(string.len(s), ' ', s)", "Ёжик", 0,
     "4 Ёжик", ""},
    {"reads nothing at the end of the input", "GAME_IO.write(tostring(GAME_IO.read()))", "", 0, "nil", ""},
    {"echoes lines that come from a pipe", "GAME_IO.write(tostring(GAME_ECHO))", "", 0, "true", ""},
    {"a syntax error", "x = = 1", "", 1, "", "game.lua:1:"},
    {"an error in Russian", "error('Сломалось')", "", 1, "", "Сломалось"},
};

} // namespace

class EngineCompileTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<ScriptHost> m_host;
    RecordingConsole m_console;
    QTemporaryDir m_dir;

    QString Errors(const QString &text) { return RunForErrors(*m_host, m_console, text); }

    QString Compile(const QString &name)
    {
        const QString path = m_dir.filePath(name);
        QFile::remove(path);
        const QString errors = Errors(QStringLiteral("filename = '") + path + QStringLiteral("'; dofile 'compile.lua'"));
        return errors.isEmpty() && QFile::exists(path) ? path : errors;
    }

private slots:
    void init()
    {
        QVERIFY(m_dir.isValid());
        m_host = std::make_unique<ScriptHost>();
        m_console = RecordingConsole();
        m_host->SetConsole(&m_console);
        QCOMPARE(Errors(QStringLiteral("dofile 'startup.lua'")), QString());
    }
    void cleanup() { m_host.reset(); }

    void gamePlaysAsTheHost_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QStringList>("input");
        QTest::addColumn<QStringList>("holds");
        for (const Case &c : kGames) {
            QString setup = U(c.setup);
            setup = setup.startsWith(QLatin1Char('!')) ? setup.mid(1) : U(kBase) + setup;
            QTest::newRow(c.name) << setup << U(c.input).split(QLatin1Char('|')) << U(c.holds).split(QLatin1Char('|'));
        }
    }
    void gamePlaysAsTheHost()
    {
        QFETCH(QString, setup);
        QFETCH(QStringList, input);
        QFETCH(QStringList, holds);
        QCOMPARE(Errors(setup + QStringLiteral("\ncompile_world()")), QString());
        const QString game = Compile(QStringLiteral("game.lua"));
        QVERIFY2(QFile::exists(game), qPrintable(game));

        const QStringList host = HostTranscript(*m_host, m_console, input);
        qsizetype at = 0;
        for (const QString &line : holds) {
            const qsizetype found = host.indexOf(line, at);
            QVERIFY2(found >= 0, qPrintable(line + QStringLiteral(" not in order in:\n") + host.join(QLatin1Char('\n'))));
            at = found + 1;
        }

        const Run played = PlayInTerminal({game}, input);
        QCOMPARE(played.errors, QString());
        QCOMPARE(played.exitCode, 0);
        QVERIFY2(played.out == host, FirstDifference(played.out, host).constData());

        const QString lua = StockLua();
        if (lua.isEmpty())
            QSKIP("no lua5.1 on PATH; the stock interpreter run is left out");
        const Run stock = PlayInStockLua(lua, game, input);
        QCOMPARE(stock.errors, QString());
        QCOMPARE(stock.exitCode, 0);
        QVERIFY2(stock.out == host, FirstDifference(stock.out, host).constData());
    }

    // A source that does not compile is named when compiling and when the game starts; the rest plays.
    void brokenSourceIsReportedAndTheRestPlays()
    {
        QCOMPARE(Errors(U(kBase) + QStringLiteral("compile_world()")), QString());
        m_host->RunLua(QStringLiteral("hall.ide_data.broken = 'if then'"));
        const QString errors = Compile(QStringLiteral("broken.lua"));
        QVERIFY2(errors.contains(U("«hall»")) && errors.contains(U("«broken»")), qPrintable(errors));
        const QString game = m_dir.filePath(QStringLiteral("broken.lua"));
        const Run played = PlayInTerminal({game}, {U("осмотреться")});
        QCOMPARE(played.exitCode, 0);
        QVERIFY2(played.out.value(0).contains(U("«broken»")), qPrintable(played.out.join(QLatin1Char('\n'))));
        QVERIFY2(played.out.contains(U("Зал. Предметов: 2.")), qPrintable(played.out.join(QLatin1Char('\n'))));
    }

    // What compile.lua says when it cannot write the game.
    void compileFailures_data()
    {
        QTest::addColumn<QString>("assignment");
        QTest::addColumn<QString>("report");
        QTest::newRow("no file name") << QStringLiteral("filename = nil") << QStringLiteral("filename");
        const QString missing = m_dir.filePath(QStringLiteral("missing/game.lua"));
        QTest::newRow("no such folder") << QStringLiteral("filename = '%1'").arg(missing) << missing;
    }
    void compileFailures()
    {
        QFETCH(QString, assignment);
        QFETCH(QString, report);
        const QString errors = Errors(assignment + QStringLiteral("; dofile 'compile.lua'"));
        QVERIFY2(errors.contains(report), qPrintable(errors));
    }

    void terminalPlayer_data()
    {
        QTest::addColumn<QByteArray>("script");
        QTest::addColumn<QString>("input");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("errors");
        for (const PlayerCase &c : kPlayer) {
            QTest::newRow(c.name) << CodePage::ToLua(U(c.script)) << U(c.input) << c.exitCode << U(c.out)
                                  << U(c.errors);
        }
        QTest::newRow("a NUL byte stays inside its line")
            << QByteArray("local a, b = GAME_IO.read(), GAME_IO.read() GAME_IO.write(string.len(a), ' ', b)")
            << QString(QStringLiteral("a") + QChar(0) + QStringLiteral("b\nc")) << 0 << QStringLiteral("3 c")
            << QString();
    }
    void terminalPlayer()
    {
        QFETCH(QByteArray, script);
        QFETCH(QString, input);
        QFETCH(int, exitCode);
        QFETCH(QString, out);
        QFETCH(QString, errors);
        const QString game = m_dir.filePath(QStringLiteral("game.lua"));
        QVERIFY(WriteBytes(game, script));
        const Run run = PlayInTerminal({game}, input.isEmpty() ? QStringList() : QStringList{input});
        QCOMPARE(run.exitCode, exitCode);
        QCOMPARE(run.out.join(QLatin1Char('\n')), out);
        if (errors.isEmpty())
            QCOMPARE(run.errors, QString());
        else
            QVERIFY2(run.errors.contains(errors), qPrintable(run.errors));
    }

    void terminalPlayerArguments_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("text");
        QTest::newRow("no game") << QStringList() << 2 << U("Использование");
        QTest::newRow("help") << QStringList{QStringLiteral("--help")} << 0 << U("Использование");
        QTest::newRow("missing game") << QStringList{QStringLiteral("no-such-game.lua")} << 1
                                      << U("no-such-game.lua");
    }
    void terminalPlayerArguments()
    {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QString, text);
        const Run run = PlayInTerminal(args, {});
        QCOMPARE(run.exitCode, exitCode);
        QVERIFY2((run.out.join(QLatin1Char('\n')) + run.errors).contains(text), qPrintable(run.errors));
    }
};

TARNWICK_TEST(EngineCompileTest)

#include "tst_compile.moc"
