// Opening a project runs it with the functions that reach outside the world refused, and names
// those its sources use; the sample projects open exactly as they did without the guard.

#include "app/mainwin.h"
#include "console/consolewin.h"
#include "script/codepage.h"
#include "script/luaapi.h"
#include "script/scripthost.h"
#include "tests/support/fakeasker.h"
#include "tests/support/files.h"
#include "tests/support/recordingconsole.h"
#include "tests/support/worldtree.h"
#include "tests/testmain.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <memory>

class TestSafeOpen : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TMainWin> m_main;
    FakeAsker m_answers;
    RecordingConsole m_console;
    std::unique_ptr<QTemporaryDir> m_project;
    std::unique_ptr<QTemporaryDir> m_elsewhere;

    QString Project() const { return m_project->filePath(QStringLiteral("safe.twk")); }
    QString Elsewhere(const char *name) const { return m_elsewhere->filePath(QString::fromLatin1(name)); }

    // Opens a project of these lines, with @KEEP@, @OUT@ and @LUA@ naming files outside both
    // the program's folder and the project's.
    void Open(QByteArray text)
    {
        text.replace("@KEEP@", QFile::encodeName(Elsewhere("keep.txt")))
            .replace("@OUT@", QFile::encodeName(Elsewhere("out.txt")))
            .replace("@LUA@", QFile::encodeName(Elsewhere("escape.lua")));
        QVERIFY(WriteBytes(Project(), text));
        m_main->Project().OpenFile(Project());
    }

private Q_SLOTS:
    void init()
    {
        TestRegistry::FailOnWarnings();
        QDir::setCurrent(QCoreApplication::applicationDirPath());
        m_project = std::make_unique<QTemporaryDir>();
        m_elsewhere = std::make_unique<QTemporaryDir>();
        QVERIFY(WriteBytes(Elsewhere("keep.txt"), "kept\n"));
        QVERIFY(WriteBytes(Elsewhere("escape.lua"), "escaped = true\n"));
        m_main = std::make_unique<TMainWin>();
        m_main->SetAsker(&m_answers);
        // The package library, as a program that offers require has it open.
        lua_State *state = m_main->Host().State();
        lua_pushcfunction(state, luaopen_package);
        lua_call(state, 0, 0);
        m_console = RecordingConsole();
        m_main->Host().SetConsole(&m_console);
    }

    void cleanup()
    {
        m_main->Host().SetConsole(m_main->Console());
        m_main.reset();
    }

    void callsReachingOutAreRefusedAndTheRestLoads_data()
    {
        QTest::addColumn<QByteArray>("call");
        QTest::addColumn<QString>("reported");
        QTest::newRow("os.execute") << QByteArray("os.execute('touch @OUT@')") << "os.execute";
        QTest::newRow("os.remove") << QByteArray("os.remove('@KEEP@')") << "os.remove";
        QTest::newRow("os.rename") << QByteArray("os.rename('@KEEP@', '@OUT@')") << "os.rename";
        QTest::newRow("os.exit") << QByteArray("os.exit(3)") << "os.exit";
        QTest::newRow("os.tmpname") << QByteArray("os.tmpname()") << "os.tmpname";
        QTest::newRow("io.popen") << QByteArray("io.popen('touch @OUT@')") << "io.popen";
        QTest::newRow("io.open to write") << QByteArray("io.open('@OUT@', 'w')") << "io.open";
        QTest::newRow("io.open elsewhere") << QByteArray("io.open('@KEEP@')") << "io.open";
        QTest::newRow("io.output") << QByteArray("io.output('@OUT@')") << "io.output";
        QTest::newRow("dofile elsewhere") << QByteArray("dofile('@LUA@')") << "dofile";
        QTest::newRow("dofile of standard input") << QByteArray("dofile()") << "dofile";
        QTest::newRow("require of native code") << QByteArray("require 'socket.core'") << "require";
        QTest::newRow("package.loadlib") << QByteArray("package.loadlib('@OUT@', 'f')") << "package.loadlib";
        QTest::newRow("a native searcher") << QByteArray("package.loaders[3]('x')") << "package.loaders[3]";
        QTest::newRow("called through pcall") << QByteArray("pcall(os.execute, 'touch @OUT@')") << "os.execute";
        QTest::newRow("hook that outlives the check") << QByteArray("debug.sethook()") << "debug.sethook";
        QTest::newRow("the registry") << QByteArray("debug.getregistry()") << "debug.getregistry";
        QTest::newRow("a guard's upvalue") << QByteArray("debug.getupvalue(io.open, 2)") << "debug.getupvalue";
    }
    void callsReachingOutAreRefusedAndTheRestLoads()
    {
        QFETCH(QByteArray, call);
        QFETCH(QString, reported);
        Open("world.items = {}\r\n" + call + "\r\nworld:create (\"after\", \"\")\r\nupdate_items()\r\n");
        const QStringList red = m_console.Texts(ConsoleKind::Error);
        QCOMPARE(red.size(), 1);
        QVERIFY2(red[0].startsWith(QStringLiteral("Открытие проекта: отклонён вызов ") + reported), qPrintable(red[0]));
        QVERIFY2(red[0].endsWith(QStringLiteral(" — safe.twk, строка 2")), qPrintable(red[0]));
        QVERIFY(m_main->Host().EvalDefined(QStringLiteral("after")));
        QVERIFY(QFile::exists(Elsewhere("keep.txt")));
        QVERIFY(!QFile::exists(Elsewhere("out.txt")));
        QVERIFY(!m_main->Host().EvalDefined(QStringLiteral("escaped")));
    }

    // The project's own files and the engine load; once open, the whole library is back, also
    // through a guard the project kept.
    void ownFilesLoadAndTheLibraryComesBack()
    {
        QVERIFY(WriteBytes(m_project->filePath(QStringLiteral("helper.lua")), "helped = true\n"));
        Open("world.items = {}\r\ndofile('" + QFile::encodeName(m_project->filePath(QStringLiteral("helper.lua")))
             + "')\r\nlocal f = io.open('" + QFile::encodeName(Project())
             + "'); if f then f:close() end\r\nkept_remove = os.remove\r\nupdate_items()\r\n");
        QCOMPARE(m_console.Errors(), QString());
        QVERIFY(m_main->Host().EvalDefined(QStringLiteral("helped")));
        QVERIFY(WriteBytes(Elsewhere("out.txt"), "x"));
        m_main->Host().RunBytes("kept_remove('" + QFile::encodeName(Elsewhere("out.txt")) + "'); os.remove('"
                                + QFile::encodeName(Elsewhere("keep.txt")) + "')");
        QVERIFY(!QFile::exists(Elsewhere("out.txt")));
        QVERIFY(!QFile::exists(Elsewhere("keep.txt")));
        QCOMPARE(m_console.Errors(), QString());
    }

    void sourcesThatReachOutAreNamedOnceEach()
    {
        Open("world.items = {}\r\n"
             "world:create (\"hall\", \"\")\r\n"
             "hall.ide_data = {\r\n"
             "look = [[print('os.remove is only a word here') -- io.popen in a comment\r\n"
             "os.execute('ls')]],\r\n"
             "}\r\n"
             "world:create (\"door\", \"\")\r\n"
             "door.ide_data = {\r\n"
             "open = [[local run = os . execute; local t = {}; t.require = 1]],\r\n"
             "}\r\n"
             "function planted () os.remove('x') end\r\n"
             "update_items()\r\n");
        QCOMPARE(m_console.Texts(ConsoleKind::Warning),
                 QStringList({QStringLiteral("в проекте используется os.remove: файл safe.twk, строка 11"),
                              QStringLiteral("в проекте используется os.execute: объект «hall», свойство "
                                             "«look»; объект «door», свойство «open»")}));
        QCOMPARE(m_console.Errors(), QString());
    }

    void samplesOpenAsBefore_data()
    {
        QTest::addColumn<QString>("sample");
        const QString corpus = QFileInfo(QString::fromUtf8(__FILE__)).absolutePath() + QStringLiteral("/../engine/corpus/");
        QTest::newRow("house") << QCoreApplication::applicationDirPath() + QStringLiteral("/examples/house.twk");
        QTest::newRow("lighthouse") << corpus + QStringLiteral("lighthouse.twk");
    }
    void samplesOpenAsBefore()
    {
        QFETCH(QString, sample);
        QByteArray bytes = ReadBytes(sample);
        QVERIFY(!bytes.isEmpty());
        if (!sample.contains(QStringLiteral("/examples/")))
            bytes = CodePage::ToLua(QString::fromUtf8(bytes));
        QVERIFY(WriteBytes(Project(), bytes));
        ScriptHost plain;
        RecordingConsole plainConsole;
        plain.SetConsole(&plainConsole);
        plain.RunLua(QStringLiteral("dofile 'startup.lua'"));
        plain.RunFile(bytes, Project());
        plain.RunLua(QStringLiteral("dofile 'postload.lua'"));
        WorldTree::Define(plain);
        m_main->Project().OpenFile(Project());
        WorldTree::Define(m_main->Host());
        const QString opened = m_main->Host().EvalString(QStringLiteral("world_dump()"));
        QVERIFY(opened.count(QLatin1Char('\n')) > 5);
        QCOMPARE(opened, plain.EvalString(QStringLiteral("world_dump()")));
        QCOMPARE(m_console.Errors(), plainConsole.Errors());
        QCOMPARE(m_console.Texts(ConsoleKind::Warning), QStringList());
    }
};

TARNWICK_TEST(TestSafeOpen)
#include "tst_safeopen.moc"
