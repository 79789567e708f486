#include "widgets/asker.h"
#include "project/projectcommands.h"
#include "script/luaapi.h"
#include "script/scripthost.h"
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
    void RefreshTree() override { ++refreshes; }
    ProjectNode TreeNodes() const override { return WorldTree::Read(m_host); }
    // The selected node is found by name in the world's tree; its parent is given.
    ProjectNode SelectedTreeNode() const override { return Find(TreeNodes(), selected); }
    QString SelectedParentUid() const override { return selectedParent; }

    static ProjectNode Find(const ProjectNode &node, const QString &uid)
    {
        if (node.uid == uid)
            return node;
        for (const ProjectNode &child : node.children) {
            ProjectNode found = Find(child, uid);
            if (!found.uid.isEmpty())
                return found;
        }
        return ProjectNode();
    }
    void FocusTree() override {}
    void WorldReplaced() override { ++replaced; }

    QString file = ProjectCommands::NewProjectName();
    QString selected;
    QString selectedParent;
    int endedEdits = 0;
    int refreshes = 0;
    int replaced = 0;

private:
    ScriptHost &m_host;
};

// Answers the dialogs with what the test set and records what was asked.
class DialogAnswers : public Asker
{
public:
    QMessageBox::StandardButton Question(QWidget *, const QString &, const QString &,
                                         QMessageBox::StandardButtons) override
    {
        return QMessageBox::No;
    }
    bool AskText(QWidget *, const QString &, const QString &, QString *) override { return false; }
    QMessageBox::StandardButton Warning(QWidget *, const QString &caption, const QString &text,
                                        QMessageBox::StandardButtons) override
    {
        warnings.append(caption + QLatin1Char('|') + text);
        return overwrite;
    }
    void ShowError(QWidget *, const QString &, const QString &text) override { errors.append(text); }
    bool AskOpenFile(QWidget *, const QString &filter, QString *name) override
    {
        filters.append(filter);
        *name = openName;
        return !openName.isEmpty();
    }
    bool AskSaveFile(QWidget *, const QString &filter, QString *name) override
    {
        filters.append(filter);
        offeredNames.append(*name);
        *name = saveName;
        return !saveName.isEmpty();
    }

    QString openName;
    QString saveName;
    QMessageBox::StandardButton overwrite = QMessageBox::No;
    QStringList warnings;
    QStringList errors;
    QStringList filters;
    QStringList offeredNames;
};

QByteArray FileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestProjectCommands : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<ScriptHost> m_host;
    std::unique_ptr<FakeWorkbench> m_bench;
    std::unique_ptr<ProjectCommands> m_commands;
    RecordingConsole m_console;
    DialogAnswers m_answers;
    std::unique_ptr<QTemporaryDir> m_dir;

    QString Path(const char *name) const { return m_dir->filePath(QString::fromUtf8(name)); }


private Q_SLOTS:
    void init()
    {
        TestRegistry::FailOnWarnings();
        QDir::setCurrent(QCoreApplication::applicationDirPath());
        m_dir = std::make_unique<QTemporaryDir>();
        m_host = std::make_unique<ScriptHost>();
        m_console = RecordingConsole();
        m_answers = DialogAnswers();
        m_host->SetConsole(&m_console);
        m_host->RunLua(QStringLiteral("dofile 'startup.lua'"));
        WorldTree::Define(*m_host);
        m_bench = std::make_unique<FakeWorkbench>(*m_host);
        m_commands = std::make_unique<ProjectCommands>(*m_host, *m_bench, m_answers, nullptr);
        m_commands->SetScriptFolder(QCoreApplication::applicationDirPath());
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
        QCOMPARE(m_answers.filters.value(0), QStringLiteral("Проект 'Tarnwick'|*.twk"));
        QVERIFY(QFile::exists(Path("cave.twk")));
        QCOMPARE(m_bench->file, Path("cave"));
        QCOMPARE(m_host->EvalString(QStringLiteral("filename")), Path("cave.twk"));
        QVERIFY(m_answers.warnings.isEmpty());

        // From now on Save writes the same file without a dialog.
        m_host->RunLua(QStringLiteral("world:create('hall')"));
        m_answers.saveName.clear();
        QVERIFY(m_commands->Save());
        QCOMPARE(m_answers.offeredNames.size(), 1);
        QVERIFY(FileBytes(Path("cave.twk")).contains("world:create (\"hall\", \"hall\")"));
        QCOMPARE(QDir::currentPath(), QCoreApplication::applicationDirPath());

        // Save As starts at the name last chosen in it, whatever was opened since.
        m_bench->file = Path("other.twk");
        QVERIFY(!m_commands->SaveAs());
        QCOMPARE(m_answers.offeredNames.last(), Path("cave"));
    }

    void cancelledSaveAsWritesNothing()
    {
        QVERIFY(!m_commands->Save());
        QCOMPARE(m_bench->file, QString::fromUtf8("Новый.twk"));
        QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden), QStringList());
    }

    void overwriteIsAskedForTheFileReallyWritten_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("written");
        QTest::newRow("with extension, no") << "cave.twk" << int(QMessageBox::No) << false;
        QTest::newRow("without extension, no") << "cave" << int(QMessageBox::No) << false;
        QTest::newRow("without extension, yes") << "cave" << int(QMessageBox::Yes) << true;
    }
    void overwriteIsAskedForTheFileReallyWritten()
    {
        QFETCH(QString, typed);
        QFETCH(int, answer);
        QFETCH(bool, written);
        QFile old(Path("cave.twk"));
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("old project\r\n");
        old.close();
        m_answers.saveName = m_dir->filePath(typed);
        m_answers.overwrite = QMessageBox::StandardButton(answer);
        QCOMPARE(m_commands->SaveAs(), written);
        QCOMPARE(m_answers.warnings,
                 QStringList{QString::fromUtf8("Подтверждение|Такой файл уже существует. Продолжить?")});
        QCOMPARE(FileBytes(Path("cave.twk")) == "old project\r\n", !written);
        QCOMPARE(m_bench->file, written ? m_dir->filePath(typed) : QString::fromUtf8("Новый.twk"));
    }

    void failedWriteLeavesTheOldFileAndTitle()
    {
        QFile old(Path("cave.twk"));
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("old project\r\n");
        old.close();
        m_bench->file = Path("cave.twk");
        m_host->RunLua(QStringLiteral("world:create('hall'); hall.ide_data['bad key'] = 'x'"));
        QVERIFY(!m_commands->Save());
        QCOMPARE(FileBytes(Path("cave.twk")), QByteArray("old project\r\n"));
        QCOMPARE(m_answers.errors.size(), 1);
        QVERIFY(m_answers.errors[0].contains(QString::fromUtf8("«bad key»")));

        m_bench->file = Path("no such folder/cave.twk");
        m_host->RunLua(QStringLiteral("hall.ide_data['bad key'] = nil"));
        QVERIFY(!m_commands->Save());
        QCOMPARE(m_answers.errors.size(), 2);
        QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden), QStringList{"cave.twk"});
    }

    void openRunsTheFileThenPostload()
    {
        m_host->RunLua(QString::fromUtf8(
            "world:create('hall', 'Зал'); hall.ide_data.look = 'return \"темно\"'; hall.data.n = 2"));
        m_answers.saveName = Path("cave.twk");
        QVERIFY(m_commands->SaveAs());
        m_commands->New();
        m_answers.openName = Path("cave.twk");
        m_commands->Open();
        QCOMPARE(m_bench->file, Path("cave.twk"));
        QCOMPARE(m_console.Errors(), QString());
        QCOMPARE(m_host->EvalString(QStringLiteral("hall:look()")), QString::fromUtf8("темно"));
        QCOMPARE(m_host->EvalString(QStringLiteral("hall.data.n")), QStringLiteral("2"));
        QVERIFY(m_bench->endedEdits >= 1);
    }

    void openReportsTheRealSyntaxError()
    {
        QFile broken(Path("broken.twk"));
        QVERIFY(broken.open(QIODevice::WriteOnly));
        broken.write("world.items = {}\r\nworld:create (\"hall\", \"hall\")\r\nhall.x = = 1\r\nupdate_items()\r\n");
        broken.close();
        m_host->RunLua(QStringLiteral("postload_ran = nil"));
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
        QTest::newRow("backslashes") << "C:\\work\\cave.twk" << "filename = [[C:\\\\work\\\\cave.lua]]"
                                     << "C:\\work\\cave.lua";
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
        QCOMPARE(m_console.lines.value(1).second, int(ConsoleKind::Command));
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
            "player:add(coin)"));
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
        QFile module(folder + QStringLiteral("/helper.lua"));
        QVERIFY(module.open(QIODevice::WriteOnly));
        module.write("helper_answer = 42\n");
        module.close();
        m_host->RunLua(QStringLiteral("world:create('hall'); hall.data.n = 3"));
        m_answers.saveName = folder + QString::fromUtf8("/пещера");
        QVERIFY(m_commands->SaveAs());
        const QByteArray file = FileBytes(folder + QString::fromUtf8("/пещера.twk"));
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

    // A generated world saved, replaced by a new one and opened again is the same world.
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
            "PARSE_ERROR[5] = 'Здесь нет такого.'\n"));
        m_host->RunLua(QStringLiteral("dofile 'postload.lua'"));
        const QString before = m_host->EvalString(QStringLiteral("world_dump()"));
        QVERIFY(before.count(QLatin1Char('\n')) > 15);
        m_answers.saveName = Path("world.twk");
        QVERIFY(m_commands->SaveAs());
        m_commands->New();
        QVERIFY(m_host->EvalString(QStringLiteral("world_dump()")) != before);
        m_answers.openName = Path("world.twk");
        m_commands->Open();
        QCOMPARE(m_console.Errors(), QString());
        QCOMPARE(m_host->EvalString(QStringLiteral("world_dump()")), before);
        QCOMPARE(m_host->EvalString(QStringLiteral("PARSE_ERROR[5]")), QString::fromUtf8("Здесь нет такого."));
    }
};

TARNWICK_TEST(TestProjectCommands)
#include "tst_projectcommands.moc"
