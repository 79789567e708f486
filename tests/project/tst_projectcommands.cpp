#include "project/projectcommands.h"
#include "script/codepage.h"
#include "script/luaapi.h"
#include "script/scripthost.h"
#include "tests/support/fakeasker.h"
#include "tests/support/files.h"
#include "tests/support/recordingconsole.h"
#include "tests/support/worldtree.h"
#include "tests/testmain.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <memory>

namespace {

// The windows around the commands, as far as the commands see them.
class FakeWorkbench : public ProjectWorkbench
{
public:
    explicit FakeWorkbench(ScriptHost &host) : m_host(host) {}

    QString CurrentProjectFile() const override { return file; }
    void SetCurrentProjectFile(const QString &name) override { file = name; }
    void EndPropertyEdit() override { ++endedEdits; }
    void RefreshTree() override {}
    ProjectNode TreeNodes() const override { return WorldTree::Read(m_host); }
    ProjectNode SelectedTreeNode() const override { return WorldTree::Read(m_host, selected); }
    QString SelectedParentUid() const override { return selectedParent; }
    void FocusTree() override {}
    void WorldReplaced() override { ++replaced; }

    QString file = ProjectCommands::NewProjectName();
    QString selected;
    QString selectedParent;
    int endedEdits = 0;
    int replaced = 0;

private:
    ScriptHost &m_host;
};

} // namespace

class TestProjectCommands : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<ScriptHost> m_host;
    std::unique_ptr<FakeWorkbench> m_bench;
    std::unique_ptr<ProjectCommands> m_commands;
    RecordingConsole m_console;
    FakeAsker m_answers;
    std::unique_ptr<QTemporaryDir> m_dir;

    QString Path(const char *name) const { return m_dir->filePath(QString::fromUtf8(name)); }

    QByteArray WrittenProject()
    {
        QList<QByteArray> lines;
        QString error;
        if (!ProjectWriter(*m_host).ProjectLines(WorldTree::Read(*m_host), &lines, &error))
            qWarning("%s", qPrintable(error));
        return ProjectWriter::JoinLines(lines);
    }

private Q_SLOTS:
    void init()
    {
        TestRegistry::FailOnWarnings();
        QDir::setCurrent(QCoreApplication::applicationDirPath());
        m_dir = std::make_unique<QTemporaryDir>();
        m_host = std::make_unique<ScriptHost>();
        m_console = RecordingConsole();
        m_answers = FakeAsker();
        m_host->SetConsole(&m_console);
        m_host->RunLua(QStringLiteral("dofile 'startup.lua'"));
        WorldTree::Define(*m_host);
        m_bench = std::make_unique<FakeWorkbench>(*m_host);
        m_commands = std::make_unique<ProjectCommands>(*m_host, *m_bench, m_answers, nullptr);
        m_commands->SetScriptFolder(QCoreApplication::applicationDirPath());
    }

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
            world.ide_data = nil; player.ide_data = nil; lamp.ide_data = { open = 'x' })"));
        // A reference comes after every object, with its sources again.
        QCOMPARE(CodePage::FromLua(WrittenProject()).split(QStringLiteral("\r\n")), (QStringList{
            "world.items = {}", "world:create (\"room\", \"room\")", "room.ide_data = {",
            "look = [[print (self.uid)]],", "}", "room:create (\"player\", \"\")",
            "room:create (\"lamp\", \"lamp\")", "lamp.ide_data = {", "open = [[x]],", "}",
            "player:add (lamp)", "lamp.ide_data = {", "open = [[x]],", "}", "update_items()", ""}));
    }

    // A project run over a live world replaces it: nothing of the old world comes back.
    void projectReplacesTheWorldItRunsIn()
    {
        m_host->RunLua(QStringLiteral("world:create('room'); room:create('lamp')"));
        const QByteArray file = WrittenProject();
        m_commands->New();
        m_host->RunLua(QStringLiteral("world:create('ghost'); ghost:create('chain'); player.name = 'old'"));
        m_host->RunLua(QStringLiteral("_ALERT = error_print"));
        m_console.lines.clear();
        QCOMPARE(m_host->RunKeepingResults(file), 0);
        m_host->RunLua(QStringLiteral("repairs = world:check()"));
        QVERIFY2(m_console.lines.isEmpty(), qPrintable(m_console.Texts().join(QLatin1Char('\n'))));
        QCOMPARE(m_host->EvalString(QStringLiteral("tree_of(world)")),
                 QStringLiteral("world(player,room(lamp))"));
        QVERIFY(!m_host->EvalDefined(QStringLiteral("ghost")));
        QVERIFY(!m_host->EvalDefined(QStringLiteral("chain")));
        QCOMPARE(m_host->EvalString(QStringLiteral("player.name")), QString::fromUtf8("Игрок"));
    }

    void newEchoesStartupAndResetsTheTitle()
    {
        m_bench->file = QStringLiteral("/x/cave.twk");
        m_host->RunLua(QStringLiteral("world:create('hall')"));
        m_console.lines.clear();
        m_commands->New();
        QCOMPARE(m_bench->file, QString::fromUtf8("Новый.twk"));
        QCOMPARE(m_console.lines.value(0).first, QStringLiteral("dofile 'startup.lua'; update_items()"));
        QCOMPARE(m_console.lines.value(0).second, int(ConsoleKind::Command));
        QVERIFY(!m_host->EvalDefined(QStringLiteral("hall")));
        QCOMPARE(m_bench->replaced, 1);
    }

    void saveOfANewProjectAsksForAName()
    {
        m_answers.saveName = Path("cave");
        QVERIFY(m_commands->Save());
        QCOMPARE(m_answers.offeredNames, QStringList{QString::fromUtf8("Новый.twk")});
        QVERIFY(QFile::exists(Path("cave.twk")));
        QCOMPARE(m_bench->file, Path("cave"));
        QCOMPARE(m_host->EvalString(QStringLiteral("filename")), Path("cave.twk"));
        QVERIFY(m_answers.asked.isEmpty());
        // From now on Save writes the same file without a dialog.
        m_host->RunLua(QStringLiteral("world:create('hall')"));
        m_answers.saveName.clear();
        QVERIFY(m_commands->Save());
        QCOMPARE(m_answers.offeredNames.size(), 1);
        QVERIFY(ReadBytes(Path("cave.twk")).contains("world:create (\"hall\", \"hall\")"));
        QCOMPARE(QDir::currentPath(), QCoreApplication::applicationDirPath());
        // Save As starts at the name last chosen in it, whatever was opened since.
        m_bench->file = Path("other.twk");
        QVERIFY(!m_commands->SaveAs());
        QCOMPARE(m_answers.offeredNames.last(), Path("cave"));
    }

    void overwriteIsAskedForTheFileReallyWritten_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("written");
        QTest::newRow("without extension, no") << "cave" << int(QMessageBox::No) << false;
        QTest::newRow("without extension, yes") << "cave" << int(QMessageBox::Yes) << true;
    }
    void overwriteIsAskedForTheFileReallyWritten()
    {
        QFETCH(QString, typed);
        QFETCH(int, answer);
        QFETCH(bool, written);
        QVERIFY(WriteBytes(Path("cave.twk"), "old project\r\n"));
        m_answers.saveName = m_dir->filePath(typed);
        m_answers.answer = QMessageBox::StandardButton(answer);
        QCOMPARE(m_commands->SaveAs(), written);
        QCOMPARE(m_answers.asked,
                 QStringList{QString::fromUtf8("Подтверждение|Такой файл уже существует. Продолжить?")});
        QCOMPARE(ReadBytes(Path("cave.twk")) == "old project\r\n", !written);
        QCOMPARE(m_bench->file, written ? m_dir->filePath(typed) : QString::fromUtf8("Новый.twk"));
    }

    // A source key that is not a Lua name, or a folder that is not there, refuses the save.
    void failedWriteLeavesTheOldFile_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("error");
        QTest::newRow("blank inside") << "'bad key'" << "у объекта «hall» свойство «bad key»";
        QTest::newRow("keyword") << "'end'" << "у объекта «hall» свойство «end»";
        QTest::newRow("number") << "1" << "у объекта «hall» свойство «1»";
        QTest::newRow("boolean") << "true" << "у объекта «hall» свойство «boolean»";
        QTest::newRow("no such folder") << "'fine'" << "Не удалось записать файл";
    }
    void failedWriteLeavesTheOldFile()
    {
        QFETCH(QString, key);
        QFETCH(QString, error);
        QVERIFY(WriteBytes(Path("cave.twk"), "old project\r\n"));
        m_bench->file = Path(key == QLatin1String("'fine'") ? "no such folder/cave.twk" : "cave.twk");
        m_host->RunLua("world:create('hall'); hall.ide_data[" + key + "] = 'x'");
        const int top = lua_gettop(m_host->State());
        QVERIFY(!m_commands->Save());
        QCOMPARE(lua_gettop(m_host->State()), top);
        QCOMPARE(ReadBytes(Path("cave.twk")), QByteArray("old project\r\n"));
        QVERIFY2(m_answers.errors.size() == 1 && m_answers.errors[0].contains(error),
                 qPrintable(m_answers.errors.join(QLatin1Char('\n'))));
        QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden), QStringList{"cave.twk"});
    }

    void openReportsTheRealSyntaxError()
    {
        QVERIFY(WriteBytes(Path("broken.twk"),
                           "world.items = {}\r\nworld:create (\"hall\", \"hall\")\r\nhall.x = = 1\r\nupdate_items()\r\n"));
        m_answers.openName = Path("broken.twk");
        m_commands->Open();
        const QStringList errors = m_console.Errors().split(QLatin1Char('\n'));
        QCOMPARE(errors.size(), 1);
        QVERIFY2(errors[0].contains(QStringLiteral("broken.twk:3:")), qPrintable(errors[0]));
        QCOMPARE(m_bench->file, Path("broken.twk"));
    }

    void openOfAMissingFileChangesNothing()
    {
        m_answers.openName = Path("missing.twk");
        m_commands->Open();
        QCOMPARE(m_answers.errors.size(), 1);
        QCOMPARE(m_bench->file, QString::fromUtf8("Новый.twk"));
        QVERIFY(m_host->EvalDefined(QStringLiteral("player")));
    }

    void compileEchoesAndRuns_data()
    {
        QTest::addColumn<QString>("project");
        QTest::addColumn<QString>("echo");
        QTest::addColumn<QString>("filename");
        QTest::newRow("no extension") << "C:\\work\\cave" << "filename = [[C:\\\\work\\\\cave.lua]]"
                                      << "C:\\work\\cave.lua";
        QTest::newRow("never saved") << QString::fromUtf8("Новый.twk")
                                     << QString::fromUtf8("filename = [[Новый.lua]]")
                                     << QString::fromUtf8("Новый.lua");
        QTest::newRow("dotted folder") << "/home/a.b/cave" << "filename = [[/home/a.b/cave.lua]]"
                                       << "/home/a.b/cave.lua";
        QTest::newRow("quote in path") << "/home/o'neil/cave.twk" << "filename = [[/home/o'neil/cave.lua]]"
                                       << "/home/o'neil/cave.lua";
    }
    void compileEchoesAndRuns()
    {
        QFETCH(QString, project);
        QFETCH(QString, echo);
        QFETCH(QString, filename);
        m_bench->file = project;
        m_console.lines.clear();
        m_commands->Compile();
        QCOMPARE(m_console.lines.value(0).first, echo);
        QCOMPARE(m_console.lines.value(1).first, QStringLiteral("dofile 'compile.lua'"));
        QCOMPARE(m_host->RunKeepingResults("return filename"), 1);
        QCOMPARE(QByteArray(lua_tostring(m_host->State(), -1)), QFile::encodeName(filename));
        lua_pop(m_host->State(), 1);
        QCOMPARE(m_bench->endedEdits, 1);
        QFile::remove(filename);
    }

    void copyPutsTheSubtreeOnTheClipboard_data()
    {
        QTest::addColumn<QString>("selected");
        QTest::addColumn<QString>("parent");
        QTest::addColumn<QString>("text");
        QTest::newRow("owned subtree")
            << "chest" << "room"
            << "room:create (\"chest\", \"chest\")\r\nchest.ide_data = {\r\n}\r\n"
               "chest:create (\"coin\", \"coin\")\r\ncoin.ide_data = {\r\n}\r\n"
               "coin.data = {value = 5}\r\n";
        QTest::newRow("reference node") << "coin" << "player" << "coin.data = {value = 5}\r\n";
    }
    void copyPutsTheSubtreeOnTheClipboard()
    {
        QFETCH(QString, selected);
        QFETCH(QString, parent);
        QFETCH(QString, text);
        m_host->RunLua(QStringLiteral(
            "world:create('room'); room:create('chest'); chest:create('coin'); coin.data.value = 5;"
            "player:add(coin); chest:add(player)"));
        m_bench->selected = selected;
        m_bench->selectedParent = parent;
        QGuiApplication::clipboard()->setText(QStringLiteral("before"));
        QVERIFY(m_commands->WriteProject(QStringLiteral("clipboard")));
        QCOMPARE(QGuiApplication::clipboard()->text(), text);
        QVERIFY(!QFile::exists(Path("clipboard.twk")));
        QFile::remove(QStringLiteral("temp.lua"));
    }

    void copyWithoutTempFileKeepsTheClipboard()
    {
        m_host->RunLua(QStringLiteral("world:create('room')"));
        m_bench->selected = QStringLiteral("room");
        m_bench->selectedParent = QStringLiteral("world");
        // An engine whose copynode.lua writes nothing.
        QFile::remove(QStringLiteral("temp.lua"));
        m_commands->SetScriptFolder(m_dir->path());
        QDir::setCurrent(m_dir->path());
        QGuiApplication::clipboard()->setText(QStringLiteral("before"));
        QVERIFY(!m_commands->WriteProject(QStringLiteral("clipboard")));
        QDir::setCurrent(QCoreApplication::applicationDirPath());
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("before"));
        QCOMPARE(m_answers.errors.size(), 1);
    }

    // A project in a folder with Cyrillic letters: postsave.lua's part lands in the file, the
    // messages name the folder as the file system does, and `require` finds a module beside the
    // project as well as beside the program.
    void cyrillicFolder()
    {
        QVERIFY(QDir(m_dir->path()).mkdir(QString::fromUtf8("Проекты")));
        const QString folder = m_dir->filePath(QString::fromUtf8("Проекты"));
        QVERIFY(WriteBytes(folder + QStringLiteral("/helper.lua"), "helper_answer = 42\n"));
        m_host->RunLua(QStringLiteral("world:create('hall'); hall.data.n = 3"));
        m_answers.saveName = folder + QString::fromUtf8("/пещера");
        QVERIFY(m_commands->SaveAs());
        const QByteArray file = ReadBytes(folder + QString::fromUtf8("/пещера.twk"));
        QVERIFY2(file.contains("hall.data = {n = 3}"), file.constData());
        m_host->RunLua(QStringLiteral("require 'helper'; require 'persist'"));
        QCOMPARE(m_host->EvalString(QStringLiteral("helper_answer")), QStringLiteral("42"));
        QVERIFY(m_host->EvalDefined(QStringLiteral("package.loaded.persist")));
        QCOMPARE(m_console.Errors(), QString());
        m_commands->Compile();
        QVERIFY2(m_console.Texts().contains(QString::fromUtf8("Игра собрана в файл ") + folder
                                            + QString::fromUtf8("/пещера.lua\t")),
                 qPrintable(m_console.Texts().join(QLatin1Char('\n'))));
        m_host->RunLua(QStringLiteral("require 'missing'"));
        QVERIFY2(m_console.Errors().contains(folder + QStringLiteral("/missing.lua")),
                 qPrintable(m_console.Errors()));
    }

    // postload.lua names a source that does not compile and compiles the rest.
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

    // copynode.lua writes the data of the subtree in temp.lua.
    void copynodeWritesTheSubtreesData()
    {
        m_host->RunLua(QStringLiteral(
            "world:create('box'); box:create('coin'); coin.data.value = 5; box.data.open = false;"
            "player.data.gold = 1; temp = box"));
        QFile::remove(QStringLiteral("temp.lua"));
        m_host->RunLua(QStringLiteral("dofile 'copynode.lua'"));
        QCOMPARE(m_console.Errors(), QString());
        const QByteArray text = ReadBytes(QStringLiteral("temp.lua"));
        QFile::remove(QStringLiteral("temp.lua"));
        QCOMPARE(text, QByteArray("box.data = {open = false}\r\ncoin.data = {value = 5}\r\n"));
    }

    // A generated world saved, replaced by a new one and opened again is the same world, its
    // names and sources holding every character the quoting must carry.
    void fullRoundTripKeepsEveryObject()
    {
        m_host->RunLua(QString::fromUtf8(
            "for r = 1, 4 do\n"
            "local room = world:create('room' .. r, 'Комната ' .. r)\n"
            "room.ide_data.look = 'print(\"Комната ' .. r .. ' ]] (со скобками)\")\\n\\treturn ' .. r\n"
            "room.ide_data.hooks = 'if event.verb == \"go\" then return true end'\n"
            "room.ide_data.constructor = 'self.data.visits = 0'\n"
            "room.data = { visits = r, flags = { lit = r > 2, tags = { 'a', 'b' } }, owner = player }\n"
            "for t = 1, 3 do\n"
            "local thing = room:create('thing' .. r .. '_' .. t, 'Вещь \"' .. t .. '\"')\n"
            "thing.data.weight = t * 0.5\n"
            "if t == 2 then player:add(thing) end\n"
            "end\n"
            "end\n"
            "room2:add(room1)\n"
            "room1.data.title = 'a \\\"quoted\\\"\\n]] line'; room1.data['with space'] = 1\n"
            "room1.data[5] = 'five'\n"
            "room1.ide_data.lead = '\\n\\nprint(1)'; room1.ide_data.nest = 's = [[a [[b]] c]]'\n"
            "room2.ide_data.cr = 'x = 1\\r\\ny = 2'; room2.name = 'a\\\\b\\nc'; room3.name = '42'\n"
            "PARSE_ERROR[5] = 'Здесь нет ]] такого.'\n"));
        m_host->RunLua(QStringLiteral("dofile 'postload.lua'"));
        const QString before = m_host->EvalString(QStringLiteral("world_dump()"));
        QVERIFY(before.count(QLatin1Char('\n')) > 15);
        // A name that is a number is saved as its text.
        m_host->RunLua(QStringLiteral("room3.name = 42"));
        m_answers.saveName = Path("world.twk");
        QVERIFY(m_commands->SaveAs());
        m_commands->New();
        QVERIFY(m_host->EvalString(QStringLiteral("world_dump()")) != before);
        m_answers.openName = Path("world.twk");
        m_commands->Open();
        QVERIFY(m_bench->endedEdits >= 1);
        QCOMPARE(m_console.Errors(), QString());
        QCOMPARE(m_host->EvalString(QStringLiteral("world_dump()")), before);
        QCOMPARE(m_host->EvalString(QStringLiteral("PARSE_ERROR[5]")), QString::fromUtf8("Здесь нет ]] такого."));
        // The sources are compiled again as the project opens.
        QCOMPARE(m_host->EvalString(QStringLiteral("room3:look()")), QStringLiteral("3"));
    }
};

TARNWICK_TEST(TestProjectCommands)
TARNWICK_TEST_MAIN
#include "tst_projectcommands.moc"
