#include "project/projectwriter.h"
#include "script/codepage.h"
#include "script/luaapi.h"
#include "script/luaquote.h"
#include "script/scripthost.h"
#include "tests/support/recordingconsole.h"
#include "tests/support/worldtree.h"
#include "tests/testmain.h"

#include <memory>

namespace {

ProjectNode Node(const char *uid, std::vector<ProjectNode> children = {})
{
    return ProjectNode{QString::fromLatin1(uid), std::move(children)};
}

QStringList Texts(const QList<QByteArray> &lines)
{
    QStringList texts;
    for (const QByteArray &line : lines)
        texts.append(CodePage::FromLua(line));
    return texts;
}

} // namespace

class TestProjectWriter : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<ScriptHost> m_host;
    RecordingConsole m_console;

    void Fresh()
    {
        m_host = std::make_unique<ScriptHost>();
        m_console = RecordingConsole();
        m_host->SetConsole(&m_console);
        m_host->RunLua(QStringLiteral("dofile 'startup.lua'"));
        WorldTree::Define(*m_host);
    }

    ProjectNode WorldNodes() { return WorldTree::Read(*m_host); }

    QList<QByteArray> Write()
    {
        ProjectWriter writer(*m_host);
        QList<QByteArray> lines;
        QString error;
        const bool written = writer.ProjectLines(WorldNodes(), &lines, &error);
        if (!written)
            qWarning("%s", qPrintable(error));
        return written ? lines : QList<QByteArray>();
    }

private Q_SLOTS:
    void init() { Fresh(); }

    void writesTheExampleLineForLine()
    {
        m_host->RunLua(QString::fromUtf8(R"(
            world.items = {}
            world:create('room', 'room')
            room.ide_data = { look = 'print (self.uid)' }
            room:create('player')
            player.name = nil
            room:create('lamp', 'lamp')
            player:add(lamp)
            world.ide_data = nil; player.ide_data = nil; lamp.ide_data = nil)"));
        QCOMPARE(Texts(Write()), (QStringList{
            "world.items = {}", "world:create (\"room\", \"room\")", "room.ide_data = {",
            "look = [[print (self.uid)]],", "}", "room:create (\"player\", \"\")",
            "room:create (\"lamp\", \"lamp\")", "player:add (lamp)", "update_items()"}));
    }

    void emptyWorldIsTwoLines()
    {
        m_host->RunLua(QStringLiteral("world.items = {}; world.ide_data = nil"));
        QCOMPARE(Texts(Write()), (QStringList{"world.items = {}", "update_items()"}));
        QCOMPARE(ProjectWriter::JoinLines(Write()), QByteArray("world.items = {}\r\nupdate_items()\r\n"));
    }

    void referencesComeLastWithTheirSources()
    {
        m_host->RunLua(QStringLiteral(
            "world.ide_data = nil; world:create('hall'); world:create('box');"
            "box.ide_data = { open = 'x' }; hall:add(box); player.ide_data = nil"));
        const QStringList lines = Texts(Write());
        QCOMPARE(lines.mid(lines.size() - 5),
                 (QStringList{"hall:add (box)", "box.ide_data = {", "open = [[x]],", "}",
                              "update_items()"}));
        QCOMPARE(lines.count(QStringLiteral("box.ide_data = {")), 2);
    }

    // What the writer writes must rebuild the same world in a fresh state.
    void roundTripRestoresNamesAndSources_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("source");
        QTest::newRow("plain") << QString::fromUtf8("Зал") << QString::fromUtf8("print (\"Темно\")");
        QTest::newRow("several lines") << "hall" << "local a = 1\n\tprint(a)\nreturn a";
        QTest::newRow("closing brackets") << "hall" << "s = 'a]]b'";
        QTest::newRow("leading line break") << "hall" << "\n\nprint(1)";
        QTest::newRow("nested brackets") << "hall" << "s = [[a [[b]] c]]";
        QTest::newRow("quote in name") << QString::fromUtf8("\"Золотой\" зал") << "";
        QTest::newRow("backslash and break in name") << "a\\b\nc" << "";
        QTest::newRow("carriage return") << "hall" << "a\r\nb";
        QTest::newRow("number name") << "" << "x";
    }
    void roundTripRestoresNamesAndSources()
    {
        QFETCH(QString, name);
        QFETCH(QString, source);
        m_host->RunLua(QStringLiteral("world:create('hall')"));
        m_host->RunLua("hall.name = " + (name.isEmpty() ? QStringLiteral("42") : LuaQuote::QuotedString(name)));
        m_host->RunLua("hall.ide_data.look = " + LuaQuote::QuotedString(source));
        const QByteArray file = ProjectWriter::JoinLines(Write());
        QVERIFY(!file.isEmpty());
        const QString expectedName = name.isEmpty() ? QStringLiteral("42") : name;

        Fresh();
        QCOMPARE(m_host->RunKeepingResults(file), 0);
        QVERIFY2(m_console.lines.isEmpty(), qPrintable(m_console.Texts().join(QLatin1Char('\n'))));
        QCOMPARE(m_host->EvalString(QStringLiteral("hall.name")), expectedName);
        QCOMPARE(m_host->EvalString(QStringLiteral("hall.ide_data.look")), source);
    }

    // A project run over a live world replaces it: nothing of the old world comes back.
    void projectReplacesTheWorldItRunsIn()
    {
        m_host->RunLua(QStringLiteral("world:create('room'); room:create('lamp')"));
        const QByteArray file = ProjectWriter::JoinLines(Write());
        Fresh();
        m_host->RunLua(QStringLiteral("world:create('ghost'); ghost:create('chain'); player.name = 'old'"));
        m_host->RunLua(QStringLiteral("_ALERT = error_print"));
        QCOMPARE(m_host->RunKeepingResults(file), 0);
        m_host->RunLua(QStringLiteral("repairs = world:check()"));
        QVERIFY2(m_console.lines.isEmpty(), qPrintable(m_console.Texts().join(QLatin1Char('\n'))));
        QCOMPARE(m_host->EvalString(QStringLiteral("tree_of(world)")),
                 QStringLiteral("world(player,room(lamp))"));
        QVERIFY(!m_host->EvalDefined(QStringLiteral("ghost")));
        QVERIFY(!m_host->EvalDefined(QStringLiteral("chain")));
        QCOMPARE(m_host->EvalString(QStringLiteral("player.name")), QString::fromUtf8("Игрок"));
    }

    void keyThatIsNotALuaNameRefusesTheSave_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("shown");
        QTest::newRow("blank inside") << "'look around'" << "look around";
        QTest::newRow("keyword") << "'end'" << "end";
        QTest::newRow("number") << "1" << "1";
        QTest::newRow("boolean") << "true" << "boolean";
    }
    void keyThatIsNotALuaNameRefusesTheSave()
    {
        QFETCH(QString, key);
        QFETCH(QString, shown);
        m_host->RunLua("world:create('hall'); hall.ide_data[" + key + "] = 'x'");
        ProjectWriter writer(*m_host);
        QList<QByteArray> lines;
        QString error;
        const int top = lua_gettop(m_host->State());
        QVERIFY(!writer.ProjectLines(WorldNodes(), &lines, &error));
        QCOMPARE(lua_gettop(m_host->State()), top);
        QVERIFY(lines.isEmpty());
        QVERIFY2(error.contains(QString::fromUtf8("«hall»")) && error.contains("«" + shown + "»"),
                 qPrintable(error));
    }

    void subtreeHasNoResetRefreshOrReferences()
    {
        m_host->RunLua(QStringLiteral(
            "world:create('room'); room:create('chest'); chest:create('coin'); chest:add(player)"));
        ProjectWriter writer(*m_host);
        QList<QByteArray> lines;
        QString error;
        QVERIFY(writer.SubtreeLines(Node("chest", {Node("coin"), Node("player")}),
                                    QStringLiteral("room"), &lines, &error));
        QCOMPARE(Texts(lines), (QStringList{"room:create (\"chest\", \"chest\")", "chest.ide_data = {",
                                            "}", "chest:create (\"coin\", \"coin\")",
                                            "coin.ide_data = {", "}"}));
        QCOMPARE(Texts(writer.DeferredAdds()),
                 (QStringList{"chest:add (player)", "player.ide_data = {", "}"}));
        QVERIFY(writer.SubtreeLines(Node("player"), QStringLiteral("chest"), &lines, &error));
        QVERIFY(lines.isEmpty());
    }
};

TARNWICK_TEST(TestProjectWriter)
#include "tst_projectwriter.moc"
