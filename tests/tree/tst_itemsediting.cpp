// Shaping the world from the object tree with the keys and the context menu, against a real
// script host: what is echoed, what the world then holds and what the tree shows.

#include "tests/testmain.h"
#include "tests/tree/treefixture.h"
#include "tree/itemseditor.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QMenu>

using TreeFixture::Harness;
using TreeFixture::Lines;
using TreeFixture::World;
using TreeFixture::Words;

namespace {

// The editor of the label being edited, once it has opened.
QLineEdit *LabelEditor(QTreeWidget *tree)
{
    return tree->viewport()->findChild<QLineEdit *>();
}

} // namespace

class TestItemsEditing : public QObject
{
    Q_OBJECT

private:
    // Runs a command as the author reaches it: a key on the tree, or a menu item.
    static void Trigger(Harness &h, const QString &how)
    {
        const QKeySequence keys(how, QKeySequence::PortableText);
        if (how.startsWith(QLatin1Char('N')))
            h.win->Editor().Item(how)->trigger();
        else
            QTest::keySequence(h.Tree(), keys);
    }

    // Edits the selected node's label as typed, then Enter.
    static void TypeLabel(Harness &h, const QString &text)
    {
        QLineEdit *editor = LabelEditor(h.Tree());
        QVERIFY(editor);
        editor->clear();
        editor->insert(text);
        QTest::keyClick(editor, Qt::Key_Return);
        // The view commits what was typed once the editor has had the key.
        QCoreApplication::processEvents();
    }

private Q_SLOTS:
    void init() { TestRegistry::FailOnWarnings(); }
    void addOpensTheLabelOfTheNewObject()
    {
        Harness h(World());
        h.Select(QStringLiteral("world"));
        const QStringList before = h.Paths();
        Trigger(h, QStringLiteral("Ins"));
        QCOMPARE(h.Commands(), Lines("world:create (\"newobject0\", \"\")"));
        QCOMPARE(h.Paths(), before + Words("world/newobject0"));
        QCOMPARE(h.Selected(), QStringLiteral("world/newobject0"));
        QCOMPARE(h.view.calls.value(0), QStringLiteral("ShowObject newobject0"));
        QCOMPARE(h.host->EvalString(QStringLiteral("newobject0.parent.uid")),
                 QStringLiteral("world"));
        QLineEdit *editor = LabelEditor(h.Tree());
        QVERIFY(editor);
        QCOMPARE(editor->text(), QStringLiteral("newobject0"));
        QCOMPARE(h.Rebuilds(), 0);
    }

    // One node clicked, or several marked with Ctrl: what is echoed, where the selection goes,
    // and which nodes go with what was deleted.
    void deletion_data()
    {
        QTest::addColumn<QString>("lua");
        QTest::addColumn<QStringList>("clicks");
        QTest::addColumn<QString>("how");
        QTest::addColumn<QStringList>("commands");
        QTest::addColumn<QString>("selected");
        QTest::addColumn<int>("rebuilds");
        QTest::addColumn<QStringList>("gone");
        QTest::newRow("referenced player")
            << "room:add(player)" << Words("world/room/player") << "Ctrl+Del"
            << Lines("room:remove(player)") << "world/room/key" << 0
            << Words("world/room/player");
        QTest::newRow("owned, previous sibling selected")
            << "" << Words("world/room/key") << "Del" << Lines("key:remove(); key= nil")
            << "world/room/box" << 0 << Words("world/room/key");
        // box is listed by hall, so its parents are defined: the tree is rebuilt, and the
        // reference under hall goes with it.
        QTest::newRow("first child, parent selected, rebuilt")
            << "" << Words("world/room/box") << "N2" << Lines("box:remove(); box= nil")
            << "world/room" << 1 << Words("world/room/box world/hall/box");
        // The owner goes with its subtree; a reference to an object in that subtree goes too.
        QTest::newRow("subtree referenced elsewhere")
            << "hall:remove(box) world:create('lamp') lamp:add(key)" << Words("world/room") << "Del"
            << Lines("room:remove(); room= nil") << "world/hall" << 0
            << Words("world/room world/room/box world/room/key world/lamp/key");
        QTest::newRow("marked, protected names left out")
            << "" << Words("world ^world/player ^world/room/box") << "Del"
            << Lines("hall:remove(box)|box:remove(); box= nil") << "world/room" << 0
            << Words("world/hall/box world/room/box");
        // References go first, while the objects they name can still be named: the one after
        // box's owned node too.
        QTest::newRow("marked, player's reference kept, the others' go")
            << "room:add(player) world:create('lamp') lamp:add(key)"
            << Words("world/room/key ^world/hall/box ^world/room/player") << "Del"
            << Lines("hall:remove(box)|lamp:remove(key)|box:remove(); box= nil|"
                     "key:remove(); key= nil")
            << "world/room" << 0
            << Words("world/hall/box world/room/box world/room/key world/lamp/key");
        QTest::newRow("marked, an owner and something it owns")
            << "hall:remove(box)" << Words("world/room ^world/room/key") << "Del"
            << Lines("room:remove(); room= nil") << "world/hall" << 0
            << Words("world/room world/room/box world/room/key");
    }
    void deletion()
    {
        QFETCH(QString, lua);
        QFETCH(QStringList, clicks);
        QFETCH(QString, how);
        QFETCH(QStringList, commands);
        QFETCH(QString, selected);
        QFETCH(int, rebuilds);
        QFETCH(QStringList, gone);
        Harness h(World(lua));
        h.Rebuild(QStringLiteral("player"));
        for (const QString &click : clicks)
            h.Click(click);
        h.view.calls.clear();
        h.console.lines.clear();
        QStringList expected = h.Paths();
        for (const QString &path : gone)
            expected.removeAll(path);
        Trigger(h, how);
        QCOMPARE(h.Commands(), commands);
        QCOMPARE(h.Selected(), selected);
        QCOMPARE(h.Rebuilds(), rebuilds);
        QCOMPARE(h.Paths(), expected);
        QCOMPARE(h.console.Errors(), QString());
        // No object lists one that is gone.
        QCOMPARE(h.host->EvalString(QStringLiteral(
                     "(function () local n = 0 for _, o in pairs(_G) do "
                     "if type(o) == 'table' and getmetatable(o) == OBJECT then "
                     "for _, e in ipairs(o.items) do if rawget(_G, e.uid) ~= e then n = n + 1 end "
                     "end end end return n end)()")),
                 QStringLiteral("0"));
        if (!commands.isEmpty()) {
            QCOMPARE(h.view.calls.value(h.view.calls.size() - 1),
                     QStringLiteral("ShowObject ") + selected.section(QLatin1Char('/'), -1));
            QCOMPARE(h.workbench.ends, 1);
        }
        h.Rebuild(QStringLiteral("world"));
        QCOMPARE(h.Paths(), expected);
    }

    // A deletion the world refuses leaves the object where it was; the walk still ends, and the
    // tree shows the object again.
    void groupDeleteEndsWhenADeletionFails()
    {
        Harness h(World("function OBJECT.remove (self, ...) "
                        "if arg.n == 0 then error ('kept') end end"));
        h.Click(QStringLiteral("world/room/box"));
        h.Click(QStringLiteral("^world/room/key"));
        h.console.lines.clear();
        Trigger(h, QStringLiteral("Del"));
        QCOMPARE(h.Commands(),
                 Lines("hall:remove(box)|box:remove(); box= nil|key:remove(); key= nil"));
        QCOMPARE(h.Rebuilds(), 1);
        QVERIFY(h.Node(QStringLiteral("world/room/box")));
        QVERIFY(h.Node(QStringLiteral("world/room/key")));
        QVERIFY(!h.console.Errors().isEmpty());
    }

    void rename_data()
    {
        QTest::addColumn<QString>("lua");
        QTest::addColumn<QString>("node");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("asked");
        QTest::addColumn<QStringList>("commands");
        QTest::addColumn<QStringList>("labels");
        QTest::newRow("new name")
            << "" << "world/room/key" << "key2" << 0 << QString()
            << Lines("key2, key = key; key2.uid = \"key2\"") << Words("world/room/key2");
        QTest::newRow("unchanged") << "" << "world/room/key" << "key" << 0 << QString()
                                   << QStringList() << Words("world/room/key");
        const QString lua = QString::fromUtf8(
            "Предупреждение|Такой объект уже существует в LUA. Если вы нажмете да, то это "
            "уничтожит этот объект, что может привести к УЖАСНЫМ глюкам. Продолжить?");
        QTest::newRow("a Lua value, no")
            << "lantern = 5" << "world/room/key" << "lantern" << int(QMessageBox::No)
            << lua << QStringList() << Words("world/room/key");
        QTest::newRow("a reference renames every node")
            << "" << "world/hall/box" << "chest" << 0 << QString()
            << Lines("chest, box = box; chest.uid = \"chest\"")
            << Words("world/hall/chest world/room/chest");
        // A label that cannot name a Lua global is refused before anything runs.
        const char *const refused[][2] = {{"keyword", "end"}, {"blank inside", "old key"},
                                           {"Cyrillic", "ключ"}, {"empty", ""}};
        for (const auto &row : refused) {
            const QString typed = QString::fromUtf8(row[1]);
            QTest::newRow(row[0]) << "" << "world/room/key" << typed << 0
                                  << QStringLiteral("Предупреждение|«%1» не годится").arg(typed)
                                  << QStringList() << Words("world/room/key");
        }
    }
    void rename()
    {
        QFETCH(QString, lua);
        QFETCH(QString, node);
        QFETCH(QString, typed);
        QFETCH(int, answer);
        QFETCH(QString, asked);
        QFETCH(QStringList, commands);
        QFETCH(QStringList, labels);
        Harness h(World(lua));
        h.asker.answer = QMessageBox::StandardButton(answer);
        h.workbench.caption = QStringLiteral("Данные");
        h.Select(node);
        Trigger(h, QStringLiteral("F2"));
        TypeLabel(h, typed);
        QCOMPARE(h.asker.asked.size(), asked.isEmpty() ? 0 : 1);
        QVERIFY2(h.asker.asked.value(0).startsWith(asked), qPrintable(h.asker.asked.value(0)));
        QCOMPARE(h.Commands(), commands);
        for (const QString &path : labels)
            QVERIFY2(h.Node(path), qPrintable(path));
        QCOMPARE(h.console.Errors(), QString());
        if (commands.isEmpty()) {
            QVERIFY(h.host->EvalDefined(node.section(QLatin1Char('/'), -1)));
            return;
        }
        const QString name = labels.first().section(QLatin1Char('/'), -1);
        QCOMPARE(h.host->EvalString(name + QStringLiteral(".uid")), name);
        QVERIFY(!h.host->EvalDefined(node.section(QLatin1Char('/'), -1)));
        QCOMPARE(h.view.calls.value(h.view.calls.size() - 1), QStringLiteral("ShowProperty ") + name
                                          + QString::fromUtf8(" Данные"));
        const QStringList shown = h.Paths();
        h.Rebuild(h.win->SelectedUid());
        QCOMPARE(h.Paths(), shown);
    }

    // The labels of the world and the player stay shut, and nothing is added under a reference.
    // While another label is open the delete keys belong to it, and the command does nothing.
    void commandsThatDoNotApply_data()
    {
        QTest::addColumn<QString>("node");
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("opens");
        QTest::newRow("world's label") << "world" << "N9" << false;
        QTest::newRow("the world a level up") << "world" << "N3" << false;
        QTest::newRow("delete the player") << "world/player" << "Del" << false;
        QTest::newRow("player's label, a reference") << "world/room/player" << "N9" << false;
        QTest::newRow("add under a reference") << "world/hall/box" << "Ins" << false;
        QTest::newRow("delete in an open label") << "world/hall/box" << "F2" << true;
    }
    void commandsThatDoNotApply()
    {
        QFETCH(QString, node);
        QFETCH(QString, how);
        QFETCH(bool, opens);
        Harness h(World("room:add(player)"));
        h.Rebuild(QStringLiteral("player"));
        h.Select(node);
        const QStringList before = h.Paths();
        Trigger(h, how);
        QCOMPARE(LabelEditor(h.Tree()) != nullptr, opens);
        if (opens)
            Trigger(h, QStringLiteral("N2"));
        QCOMPARE(h.Commands(), QStringList());
        QCOMPARE(h.Paths(), before);
        QCOMPARE(h.Selected(), node);
    }

    void level_data()
    {
        QTest::addColumn<QString>("lua");
        QTest::addColumn<QString>("select");
        QTest::addColumn<QStringList>("commands");
        QTest::addColumn<QStringList>("kinds");
        QTest::newRow("children move up in order")
            << "room:create('a') room:create('b') world:create('lamp')" << "world/room"
            << Lines("box:moveto (world)|key:moveto (world)|a:moveto (world)|b:moveto (world)")
            << Words("world:o world/player:o world/hall:o world/hall/box:r world/room:o "
                     "world/lamp:o world/box:o world/key:o world/a:o world/b:o");
        // The reference moves as a reference; the object stays with its owner.
        QTest::newRow("a reference child")
            << "hall:create('bench')" << "world/hall"
            << Lines("hall:remove (box)|world:add (box)|bench:moveto (world)")
            << Words("world:o world/player:o world/hall:o world/room:o world/room/box:o "
                     "world/room/key:o world/box:r world/bench:o");
    }
    void level()
    {
        QFETCH(QString, lua);
        QFETCH(QString, select);
        QFETCH(QStringList, commands);
        QFETCH(QStringList, kinds);
        Harness h(World(lua));
        h.Rebuild(QStringLiteral("player"));
        h.Select(select);
        Trigger(h, QStringLiteral("N3"));
        QCOMPARE(h.Commands(), commands);
        QCOMPARE(h.Kinds(), kinds);
        QCOMPARE(h.Rebuilds(), 0);
        QCOMPARE(h.console.Errors(), QString());
        h.Rebuild(QStringLiteral("world"));
        QCOMPARE(h.Kinds(), kinds);
    }

    void copy_data()
    {
        QTest::addColumn<QStringList>("clicks");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<int>("copies");
        QTest::newRow("one mark") << Words("world/room") << true << 1;
        QTest::newRow("two marks") << Words("world/room ^world/hall") << false << 0;
        QTest::newRow("the root") << Words("world") << true << 0;
    }
    void copy()
    {
        QFETCH(QStringList, clicks);
        QFETCH(bool, enabled);
        QFETCH(int, copies);
        Harness h(World());
        for (const QString &click : clicks)
            h.Click(click);
        Q_EMIT h.win->PopupMenu1()->aboutToShow();
        QCOMPARE(h.win->Editor().Item(QStringLiteral("N5"))->isEnabled(), enabled);
        Trigger(h, QStringLiteral("Ctrl+C"));
        QCOMPARE(h.workbench.copies, copies);
    }

    // A pasted line that begins with a dot is about the selected object.
    void pasteWithoutAName()
    {
        Harness h(World());
        QApplication::clipboard()->setText(QStringLiteral(".data.note = 'pasted'\r\n"));
        h.Select(QStringLiteral("world/room/key"));
        Trigger(h, QStringLiteral("Ctrl+V"));
        QCOMPARE(h.console.Errors(), QString());
        QCOMPARE(h.host->EvalString(QStringLiteral("key.data.note")), QStringLiteral("pasted"));
        // Nothing is echoed but the rebuild's check, which keeps the selection.
        QCOMPARE(h.Commands(), QStringList());
        QCOMPARE(h.Rebuilds(), 1);
        QCOMPARE(h.Selected(), QStringLiteral("world/room/key"));
    }

    void refresh()
    {
        Harness h(World());
        h.Select(QStringLiteral("world/room/key"));
        h.host->RunLua(QStringLiteral("room:create('lamp')"));
        Trigger(h, QStringLiteral("Ctrl+R"));
        QCOMPARE(h.console.Texts(), Lines("update_items ()|world:check()"));
        QVERIFY(h.Node(QStringLiteral("world/room/lamp")));
        QCOMPARE(h.Selected(), QStringLiteral("world/room/key"));
    }
};
TARNWICK_TEST(TestItemsEditing)

#include "tst_itemsediting.moc"
