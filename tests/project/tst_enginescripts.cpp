#include "project/projectwriter.h"
#include "script/scripthost.h"
#include "tests/support/recordingconsole.h"
#include "tests/testmain.h"

#include <QFile>
#include <QTemporaryDir>

#include <memory>

// The engine scripts around a saved project: postsave.lua appends what the writer leaves out,
// postload.lua compiles the sources of an opened project, copynode.lua writes temp.lua.
class TestEngineScripts : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<ScriptHost> m_host;
    RecordingConsole m_console;
    QTemporaryDir m_dir;

    void Fresh()
    {
        m_host = std::make_unique<ScriptHost>();
        m_console = RecordingConsole();
        m_host->SetConsole(&m_console);
        m_host->RunLua(QStringLiteral("dofile 'startup.lua'"));
    }


    // Writes the world (a hall with a lamp, a reference, sources and data) as a project file.
    QString SaveSample()
    {
        m_host->RunLua(QString::fromUtf8(R"(
            world:create('hall', 'Зал'); hall:create('lamp', 'Лампа'); player:add(lamp)
            hall.ide_data.look = 'print("Темно, " .. self.name)'
            hall.ide_data.hooks = 'seen = (seen or 0) + 1'
            hall.ide_data.constructor = 'self.data.made = true'
            hall.data = { count = 3, ratio = 0.1, lit = false, title = 'a "quoted"\n]] line',
                          nested = { 1, 2, { deep = 'x' } }, ['with space'] = 1, [5] = 'five',
                          target = lamp }
            lamp.data.on = true
            PARSE_ERROR[2] = 'Не знаю слова ]] и всё'
        )"));
        ProjectWriter writer(*m_host);
        QList<QByteArray> lines;
        QString error;
        const ProjectNode tree{QStringLiteral("world"),
                               {ProjectNode{QStringLiteral("player"), {ProjectNode{QStringLiteral("lamp"), {}}}},
                                ProjectNode{QStringLiteral("hall"), {ProjectNode{QStringLiteral("lamp"), {}}}}}};
        if (!writer.ProjectLines(tree, &lines, &error))
            return QString();
        const QString path = m_dir.filePath(QStringLiteral("cave.twk"));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return QString();
        file.write(ProjectWriter::JoinLines(lines));
        file.close();
        m_host->RunLua("filename = '" + ProjectWriter::LuaPathBody(path) + "'");
        m_host->RunLua(QStringLiteral("dofile 'postsave.lua'"));
        return path;
    }

    void Open(const QString &path)
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(m_host->RunKeepingResults(file.readAll()), 0);
        m_host->RunLua(QStringLiteral("dofile 'postload.lua'"));
    }

private Q_SLOTS:
    void init() { Fresh(); }

    void savedProjectOpensWithDataAndMessages_data()
    {
        QTest::addColumn<QString>("expression");
        QTest::addColumn<QString>("value");
        QTest::newRow("number") << "hall.data.count" << "3";
        QTest::newRow("float") << "tostring(hall.data.ratio == 0.1)" << "true";
        QTest::newRow("false") << "tostring(hall.data.lit)" << "false";
        QTest::newRow("string") << "hall.data.title" << "a \"quoted\"\n]] line";
        QTest::newRow("nested") << "hall.data.nested[3].deep" << "x";
        QTest::newRow("sequence") << "table.getn(hall.data.nested)" << "3";
        QTest::newRow("odd key") << "hall.data['with space']" << "1";
        QTest::newRow("number key") << "hall.data[5]" << "five";
        QTest::newRow("object") << "tostring(hall.data.target == lamp)" << "true";
        QTest::newRow("other object") << "tostring(lamp.data.on)" << "true";
        QTest::newRow("message") << "PARSE_ERROR[2]" << QString::fromUtf8("Не знаю слова ]] и всё");
        QTest::newRow("other message") << "PARSE_ERROR[9]" << "";
        QTest::newRow("reference") << "tostring(player.items[1] == lamp)" << "true";
        QTest::newRow("name") << "hall.name" << QString::fromUtf8("Зал");
    }
    void savedProjectOpensWithDataAndMessages()
    {
        QFETCH(QString, expression);
        QFETCH(QString, value);
        const QString path = SaveSample();
        QVERIFY(!path.isEmpty());
        const QString message9 = m_host->EvalString(QStringLiteral("PARSE_ERROR[9]"));
        Fresh();
        m_host->RunLua(QStringLiteral("PARSE_ERROR = {}"));
        Open(path);
        QCOMPARE(m_console.Errors(), QString());
        QCOMPARE(m_host->EvalString(expression), value.isEmpty() ? message9 : value);
    }

    void openedProjectPlaysAtOnce()
    {
        const QString path = SaveSample();
        Fresh();
        Open(path);
        QCOMPARE(m_console.Errors(), QString());
        m_console.lines.clear();
        m_host->RunLua(QStringLiteral("hall:look()"));
        QCOMPARE(m_console.Texts(), QStringList{QString::fromUtf8("Темно, Зал\t")});
        QCOMPARE(m_host->EvalString(QStringLiteral("type(hall.constructor)")), QStringLiteral("function"));
        QCOMPARE(m_host->EvalString(QStringLiteral("table.getn(hall.hooks)")), QStringLiteral("1"));
        m_host->RunLua(QStringLiteral("hall.hooks[1]({})"));
        QCOMPARE(m_host->EvalString(QStringLiteral("seen")), QStringLiteral("1"));
    }

    void sourceThatDoesNotCompileIsNamedAndTheRestLoads()
    {
        m_host->RunLua(QStringLiteral(
            "world:create('hall'); hall.ide_data.broken = 'if then'; hall.ide_data.fine = 'return 7'"));
        m_host->RunLua(QStringLiteral("dofile 'postload.lua'"));
        const QString errors = m_console.Errors();
        QVERIFY2(errors.contains(QString::fromUtf8("Объект «hall», свойство «broken»")), qPrintable(errors));
        QCOMPARE(errors.count(QLatin1Char('\n')), 0);
        QCOMPARE(m_host->EvalString(QStringLiteral("hall:fine()")), QStringLiteral("7"));
    }

    void copynodeWritesTheSubtreesData()
    {
        m_host->RunLua(QStringLiteral(
            "world:create('box'); box:create('coin'); coin.data.value = 5; box.data.open = false;"
            "player.data.gold = 1; temp = box"));
        QFile::remove(QStringLiteral("temp.lua"));
        m_host->RunLua(QStringLiteral("dofile 'copynode.lua'"));
        QCOMPARE(m_console.Errors(), QString());
        QFile file(QStringLiteral("temp.lua"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray text = file.readAll();
        file.remove();
        QCOMPARE(text, QByteArray("box.data = {open = false}\r\ncoin.data = {value = 5}\r\n"));
    }
};

TARNWICK_TEST(TestEngineScripts)
#include "tst_enginescripts.moc"
