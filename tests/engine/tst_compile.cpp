// Compiled games: compile.lua writes a world, the terminal player (and a stock Lua 5.1, when one
// is installed) plays it, and the game answers exactly as the host did.

#include "tests/engine/enginetesting.h"
#include "tests/testmain.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

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
    {"the end of the game ends the input", "lamp.ide_data.take = [[print('Конец') end_game()]]",
     "взять лампу|осмотреться", "Конец"},
    {"Russian text both ways", "vocabulary('nouns', 'ёлка ёлк*'); hall:create('fir', 'Ёлка'); "
                               "fir.ide_data.take = [[print('Взята ' .. lower(self.name) .. ' «ЁЖ»')]]",
     "ВЗЯТЬ ЁЛКУ", "> ВЗЯТЬ ЁЛКУ|Взята ёлка «ЁЖ»"},
    {"empty sources are empty methods", "lamp.ide_data.look = ''; lamp.ide_data.constructor = ''; hall.ide_data.hooks = ''",
     "осмотреть лампу|взять лампу", "> осмотреть лампу|> взять лампу|Взята: лампа"},
    {"constructors are defined, not run", "lamp.ide_data.constructor = [[print('Сделана')]]; "
                                          "lamp.ide_data.look = [[self:constructor()]]",
     "осмотреть лампу", "Сделана"},
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
        QCOMPARE(StartEngine(m_host, m_console), QString());
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

    // compile.lua names the game it cannot write.
    void compileFailureIsReported()
    {
        const QString missing = m_dir.filePath(QStringLiteral("missing/game.lua"));
        const QString errors = Compile(QStringLiteral("missing/game.lua"));
        QVERIFY2(errors.contains(missing), qPrintable(errors));
    }

    void terminalPlayer_data()
    {
        QTest::addColumn<QByteArray>("script");
        QTest::addColumn<QString>("input");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("errors");
        QTest::newRow("writes values by their text or type")
            << CodePage::ToLua(U("GAME_IO.write(1, {}, true, 'а')")) << QString() << 0 << U("1tablebooleanа")
            << QString();
        QTest::newRow("a syntax error") << QByteArray("x = = 1") << QString() << 1 << QString()
                                        << U("game.lua:1:");
        QTest::newRow("an error in Russian")
            << CodePage::ToLua(U("error('Сломалось')")) << QString() << 1 << QString() << U("Сломалось");
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
        QVERIFY2(errors.isEmpty() ? run.errors.isEmpty() : run.errors.contains(errors),
                 qPrintable(run.errors));
    }

    // Without a game the terminal player shows how to call it; a game it cannot open, it names.
    void terminalPlayerArguments()
    {
        const Run bare = PlayInTerminal({}, {});
        QCOMPARE(bare.exitCode, 2);
        const QString usage = bare.out.join(QLatin1Char('\n')) + bare.errors;
        QVERIFY2(usage.contains(U("Использование")), qPrintable(usage));
        const Run missing = PlayInTerminal({QStringLiteral("no-such-game.lua")}, {});
        QCOMPARE(missing.exitCode, 1);
        QVERIFY2(missing.errors.contains(QStringLiteral("no-such-game.lua")), qPrintable(missing.errors));
    }
};

TARNWICK_TEST(EngineCompileTest)

#include "tst_compile.moc"
