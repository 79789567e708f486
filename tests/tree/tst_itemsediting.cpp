// Shaping the world from the object tree with the keys and the context menu, against a real
// script host: what is echoed, what the world then holds and what the tree shows.

#include "properties/methodeditor.h"
#include "properties/propertieswin.h"
#include "tests/testmain.h"
#include "tests/tree/treefixture.h"
#include "tree/itemimages.h"
#include "tree/itemseditor.h"
#include "tree/objectnode.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QMenu>

using TreeFixture::Harness;
using TreeFixture::Lines;
using TreeFixture::Words;

namespace {

QString World(const char *more = "")
{
    return QString::fromLatin1(TreeFixture::World()) + QLatin1Char(' ') + QString::fromUtf8(more);
}

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
        // Key clicks carry Latin letters only; other text is entered as an input method would.
        bool latin = true;
        for (const QChar c : text)
            latin = latin && c.unicode() < 128;
        if (latin)
            QTest::keyClicks(editor, text);
        else
            editor->insert(text);
        QTest::keyClick(editor, Qt::Key_Return);
        // The view commits what was typed once the editor has had the key.
        QCoreApplication::processEvents();
    }

private Q_SLOTS:
    void init() { TestRegistry::FailOnWarnings(); }
    void add_data()
    {
        QTest::addColumn<QString>("lua");
        QTest::addColumn<QString>("select");
        QTest::addColumn<QString>("how");
        QTest::addColumn<QStringList>("commands");
        QTest::addColumn<QString>("added");
        QTest::newRow("under the root") << "" << "world" << "Ins"
                                        << Lines("world:create (\"newobject0\", \"\")")
                                        << "world/newobject0";
        QTest::newRow("first free number")
            << "newobject0 = 1 newobject1 = {}" << "world/room" << "N1"
            << Lines("room:create (\"newobject2\", \"\")") << "world/room/newobject2";
        QTest::newRow("on a reference node") << "" << "world/hall/box" << "Ins" << QStringList()
                                             << "";
    }
    void add()
    {
        QFETCH(QString, lua);
        QFETCH(QString, select);
        QFETCH(QString, how);
        QFETCH(QStringList, commands);
        QFETCH(QString, added);
        Harness h(World(lua.toUtf8().constData()));
        h.Select(select);
        const QStringList before = h.Paths();
        Trigger(h, how);
        QCOMPARE(h.Commands(), commands);
        if (added.isEmpty()) {
            QCOMPARE(h.Paths(), before);
            QCOMPARE(h.Selected(), select);
            QVERIFY(!LabelEditor(h.Tree()));
            return;
        }
        QCOMPARE(h.Paths(), before + QStringList(added));
        QCOMPARE(h.Selected(), added);
        QCOMPARE(ObjectNode::ImageOf(h.Node(added)), int(ItemImages::Owned));
        const QString name = added.section(QLatin1Char('/'), -1);
        QCOMPARE(h.view.calls.value(0), QStringLiteral("ShowObject ") + name);
        QCOMPARE(h.host->EvalString(name + QStringLiteral(".parent.uid")),
                 select.section(QLatin1Char('/'), -1));
        // The label is open for the name at once.
        QLineEdit *editor = LabelEditor(h.Tree());
        QVERIFY(editor);
        QCOMPARE(editor->text(), name);
        QCOMPARE(h.Rebuilds(), 0);
    }

    void deleteOne_data()
    {
        QTest::addColumn<QString>("lua");
        QTest::addColumn<QString>("select");
        QTest::addColumn<QString>("how");
        QTest::addColumn<QStringList>("commands");
        QTest::addColumn<QString>("selected");
        QTest::addColumn<int>("rebuilds");
        QTest::addColumn<QStringList>("gone");
        QTest::newRow("owned player") << "" << "world/player" << "Del" << QStringList()
                                      << "world/player" << 0 << QStringList();
        QTest::newRow("the root") << "" << "world" << "N2" << QStringList() << "world" << 0
                                  << QStringList();
        QTest::newRow("referenced player")
            << "room:add(player)" << "world/room/player" << "Ctrl+Del"
            << Lines("room:remove(player)") << "world/room/key" << 0
            << Lines("world/room/player");
        QTest::newRow("owned, previous sibling selected")
            << "" << "world/room/key" << "Del" << Lines("key:remove(); key= nil")
            << "world/room/box" << 0 << Lines("world/room/key");
        // box is listed by hall, so its parents are defined: the tree is rebuilt, and the
        // reference under hall goes with it.
        QTest::newRow("first child, parent selected, rebuilt")
            << "" << "world/room/box" << "N2" << Lines("box:remove(); box= nil") << "world/room"
            << 1 << Words("world/room/box world/hall/box");
        QTest::newRow("no parents, no rebuild")
            << "hall:remove(box)" << "world/room/box" << "Del"
            << Lines("box:remove(); box= nil") << "world/room" << 0 << Lines("world/room/box");
        // The owner goes with its subtree; a reference to an object in that subtree goes too.
        QTest::newRow("subtree referenced elsewhere")
            << "hall:remove(box) world:create('lamp') lamp:add(key)" << "world/room" << "Del"
            << Lines("room:remove(); room= nil") << "world/hall" << 0
            << Words("world/room world/room/box world/room/key world/lamp/key");
        QTest::newRow("a reference, not rebuilt")
            << "" << "world/hall/box" << "Del" << Lines("hall:remove(box)") << "world/hall" << 0
            << Lines("world/hall/box");
    }
    void deleteOne()
    {
        QFETCH(QString, lua);
        QFETCH(QString, select);
        QFETCH(QString, how);
        QFETCH(QStringList, commands);
        QFETCH(QString, selected);
        QFETCH(int, rebuilds);
        QFETCH(QStringList, gone);
        Harness h(World(lua.toUtf8().constData()));
        h.Rebuild(QStringLiteral("player"));
        h.Select(select);
        const QStringList before = h.Paths();
        Trigger(h, how);
        QCOMPARE(h.Commands(), commands);
        QCOMPARE(h.Selected(), selected);
        QCOMPARE(h.Rebuilds(), rebuilds);
        QStringList expected = before;
        for (const QString &path : gone)
            expected.removeAll(path);
        QCOMPARE(h.Paths(), expected);
        QCOMPARE(h.console.Errors(), QString());
        if (!commands.isEmpty()) {
            QCOMPARE(h.view.calls.value(h.view.calls.size() - 1),
                     QStringLiteral("ShowObject ") + selected.section(QLatin1Char('/'), -1));
            QCOMPARE(h.workbench.ends, 1);
        }
        // The tree agrees with the world, as a rebuild shows.
        h.win->UpdateItems(h.win->SelectedUid());
        QCOMPARE(h.Paths().size(), expected.size());
    }

    // While a label is open the delete keys belong to the label, and the command does nothing.
    void deleteWhileEditingLabel()
    {
        Harness h(World());
        h.Select(QStringLiteral("world/room/key"));
        Trigger(h, QStringLiteral("N9"));
        QVERIFY(LabelEditor(h.Tree()));
        Trigger(h, QStringLiteral("N2"));
        QCOMPARE(h.Commands(), QStringList());
        QVERIFY(h.Node(QStringLiteral("world/room/key")));
    }

    void groupDelete_data()
    {
        QTest::addColumn<QString>("lua");
        QTest::addColumn<QStringList>("clicks");
        QTest::addColumn<QStringList>("commands");
        QTest::addColumn<QStringList>("paths");
        QTest::newRow("protected names left out")
            << "" << Words("world ^world/player ^world/room/box")
            << Lines("hall:remove(box)|box:remove(); box= nil")
            << Words("world world/player world/hall world/room world/room/key");
        // References go first, while the objects they name can still be named: the one after
        // box's owned node too.
        QTest::newRow("player's reference kept, the others' go")
            << "room:add(player) world:create('lamp') lamp:add(key)"
            << Words("world/room/key ^world/hall/box ^world/room/player")
            << Lines("hall:remove(box)|lamp:remove(key)|box:remove(); box= nil|"
                     "key:remove(); key= nil")
            << Words("world world/player world/hall world/room world/room/player world/lamp");
        QTest::newRow("an owner and something it owns")
            << "hall:remove(box)" << Words("world/room ^world/room/key")
            << Lines("room:remove(); room= nil")
            << Words("world world/player world/hall");
    }
    void groupDelete()
    {
        QFETCH(QString, lua);
        QFETCH(QStringList, clicks);
        QFETCH(QStringList, commands);
        QFETCH(QStringList, paths);
        Harness h(World(lua.toUtf8().constData()));
        h.Rebuild(QStringLiteral("player"));
        for (const QString &click : clicks)
            h.Click(click);
        h.console.lines.clear();
        Trigger(h, QStringLiteral("Del"));
        QCOMPARE(h.Commands(), commands);
        QCOMPARE(h.Paths(), paths);
        QCOMPARE(h.console.Errors(), QString());
        QVERIFY(h.Rebuilds() <= 1);
        // No object lists one that is gone.
        QCOMPARE(h.host->EvalString(QStringLiteral(
                     "(function () local n = 0 for _, o in pairs(_G) do "
                     "if type(o) == 'table' and getmetatable(o) == OBJECT then "
                     "for _, e in ipairs(o.items) do if rawget(_G, e.uid) ~= e then n = n + 1 end "
                     "end end end return n end)()")),
                 QStringLiteral("0"));
        QVERIFY(h.win->SelectedNode());
        QCOMPARE(h.workbench.ends, 1);
        h.Rebuild(QStringLiteral("world"));
        QCOMPARE(h.Paths(), paths);
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

    void deleteStoresThePropertyEditFirst()
    {
        Harness h(World());
        TPropertiesWin properties(*h.host);
        properties.SetSelection(h.win.get());
        h.win->SetObjectView(&properties);
        h.workbench.onEnd = [&] { properties.FinishEdits(); };
        properties.show();
        h.Select(QStringLiteral("world/room/key"));
        h.host->RunLua(QStringLiteral("key.ide_data.look = ''"));
        properties.ShowObject(QStringLiteral("key"));
        properties.SelectProperty(QStringLiteral("look"));
        properties.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&properties));
        properties.Method()->setFocus();
        QTRY_VERIFY(properties.Method()->hasFocus());
        QTest::keyClicks(properties.Method(), QStringLiteral("print (1)"));
        h.console.lines.clear();
        // From the menu, while the code editor still has the focus.
        Trigger(h, QStringLiteral("N2"));
        const QStringList commands = h.Commands();
        const qsizetype removal = commands.indexOf(QStringLiteral("key:remove(); key= nil"));
        QVERIFY(removal > 0);
        for (qsizetype i = 0; i < removal; ++i)
            QVERIFY2(commands.at(i).contains(QLatin1String("key")), qPrintable(commands.at(i)));
        QCOMPARE(h.console.Errors(), QString());
        // The edit reached no other object.
        QCOMPARE(h.Selected(), QStringLiteral("world/room/box"));
        QVERIFY(!h.host->EvalDefined(QStringLiteral("box.ide_data.look")));
        h.win->SetObjectView(&h.view);
    }

    void rename_data()
    {
        QTest::addColumn<QString>("lua");
        QTest::addColumn<QString>("node");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QStringList>("asked");
        QTest::addColumn<QStringList>("commands");
        QTest::addColumn<QStringList>("labels");
        const QStringList boxLabels = Words("world/hall/box world/room/box");
        QTest::newRow("new name")
            << "" << "world/room/key" << "key2" << 0 << QStringList()
            << Lines("key2, key = key; key2.uid = \"key2\"") << Words("world/room/key2");
        QTest::newRow("unchanged") << "" << "world/room/key" << "key" << 0 << QStringList()
                                   << QStringList() << Words("world/room/key");
        QTest::newRow("taken in the tree")
            << "" << "world/room/key" << "hall" << 0
            << QStringList(QString::fromUtf8("Предупреждение|Такой объект уже существует в дереве.")) << QStringList()
            << Words("world/room/key");
        const QString lua = QString::fromUtf8(
            "Предупреждение|Такой объект уже существует в LUA. Если вы нажмете да, то это "
            "уничтожит этот объект, что может привести к УЖАСНЫМ глюкам. Продолжить?");
        QTest::newRow("a Lua value, yes")
            << "lantern = 5" << "world/room/key" << "lantern" << int(QMessageBox::Yes)
            << QStringList(lua) << Lines("lantern, key = key; lantern.uid = \"lantern\"")
            << Words("world/room/lantern");
        QTest::newRow("a Lua value, no")
            << "lantern = 5" << "world/room/key" << "lantern" << int(QMessageBox::No)
            << QStringList(lua) << QStringList() << Words("world/room/key");
        QTest::newRow("a reference renames every node")
            << "" << "world/hall/box" << "chest" << 0 << QStringList()
            << Lines("chest, box = box; chest.uid = \"chest\"")
            << Words("world/hall/chest world/room/chest");
        // A label that cannot name a Lua global is refused before anything runs.
        const char *const refused[][2] = {{"digit first", "2key"}, {"keyword", "end"},
                                           {"blank inside", "old key"}, {"Cyrillic", "ключ"},
                                           {"empty", ""}};
        for (const auto &row : refused) {
            const QString typed = QString::fromUtf8(row[1]);
            QTest::newRow(row[0]) << "" << "world/room/key" << typed << 0
                                  << QStringList(QStringLiteral("Предупреждение|«%1» не годится")
                                                     .arg(typed))
                                  << QStringList() << Words("world/room/key");
        }
    }
    void rename()
    {
        QFETCH(QString, lua);
        QFETCH(QString, node);
        QFETCH(QString, typed);
        QFETCH(int, answer);
        QFETCH(QStringList, asked);
        QFETCH(QStringList, commands);
        QFETCH(QStringList, labels);
        Harness h(World(lua.toUtf8().constData()));
        h.asker.answer = QMessageBox::StandardButton(answer);
        h.workbench.caption = QStringLiteral("Данные");
        h.Select(node);
        Trigger(h, QStringLiteral("F2"));
        TypeLabel(h, typed);
        QCOMPARE(h.asker.asked.size(), asked.size());
        for (qsizetype i = 0; i < asked.size(); ++i)
            QVERIFY2(h.asker.asked.at(i).startsWith(asked.at(i)), qPrintable(h.asker.asked.at(i)));
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
        // The tree and the world agree on every name.
        const QStringList shown = h.Paths();
        h.Rebuild(h.win->SelectedUid());
        QCOMPARE(h.Paths(), shown);
    }

    void protectedLabels_data()
    {
        QTest::addColumn<QString>("node");
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("opens");
        QTest::newRow("world") << "world" << "N9" << false;
        QTest::newRow("player") << "world/player" << "F2" << false;
        QTest::newRow("player as a reference") << "world/room/player" << "N9" << false;
        QTest::newRow("any other") << "world/hall/box" << "F2" << true;
    }
    void protectedLabels()
    {
        QFETCH(QString, node);
        QFETCH(QString, how);
        QFETCH(bool, opens);
        Harness h(World("room:add(player)"));
        h.Rebuild(QStringLiteral("player"));
        h.Select(node);
        Trigger(h, how);
        QCOMPARE(LabelEditor(h.Tree()) != nullptr, opens);
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
        QTest::newRow("the root") << "" << "world" << QStringList()
                                  << Words("world:o world/player:o world/hall:o world/hall/box:r "
                                           "world/room:o world/room/box:o world/room/key:o");
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
        Harness h(World(lua.toUtf8().constData()));
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
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<int>("copies");
        QTest::newRow("one mark, key") << Words("world/room") << "Ctrl+C" << true << 1;
        QTest::newRow("one mark, menu") << Words("world/room") << "N5" << true << 1;
        QTest::newRow("two marks") << Words("world/room ^world/hall") << "Ctrl+C" << false << 0;
        QTest::newRow("marks undone") << Words("world/room ^world/hall world/player") << "Ctrl+C"
                                      << true << 1;
        QTest::newRow("the root") << Words("world") << "Ctrl+C" << true << 0;
    }
    void copy()
    {
        QFETCH(QStringList, clicks);
        QFETCH(QString, how);
        QFETCH(bool, enabled);
        QFETCH(int, copies);
        Harness h(World());
        for (const QString &click : clicks)
            h.Click(click);
        Q_EMIT h.win->PopupMenu1()->aboutToShow();
        QCOMPARE(h.win->Editor().Item(QStringLiteral("N5"))->isEnabled(), enabled);
        Trigger(h, how);
        QCOMPARE(h.workbench.copies, copies);
    }

    void paste_data()
    {
        QTest::addColumn<QString>("clipboard");
        QTest::addColumn<QString>("select");
        QTest::addColumn<QString>("expression");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("node");
        QTest::newRow("under the selected object")
            << QString::fromUtf8("hall:create (\"lamp\", \"Лампа\")\r\nlamp.ide_data = {\r\n"
                                 "look = [[print (self.name)]],\r\n}\r\n")
            << "world/room" << "lamp.parent.uid .. lamp.name .. type (lamp.look)"
            << QString::fromUtf8("roomЛампаfunction")
            << "world/room/lamp";
        QTest::newRow("closing brackets in the text")
            << "hall:create (\"lamp\", \"\")\r\nlamp.data.note = \"a]]b\"\r\n" << "world/hall"
            << "lamp.data.note" << "a]]b" << "world/hall/lamp";
        QTest::newRow("without a colon")
            << ".data.note = 'pasted'\r\n" << "world/room/key" << "key.data.note" << "pasted"
            << "world/room/key";
    }
    void paste()
    {
        QFETCH(QString, clipboard);
        QFETCH(QString, select);
        QFETCH(QString, expression);
        QFETCH(QString, value);
        QFETCH(QString, node);
        Harness h(World());
        QApplication::clipboard()->setText(clipboard);
        h.Select(select);
        Trigger(h, QStringLiteral("Ctrl+V"));
        QCOMPARE(h.console.Errors(), QString());
        QCOMPARE(h.host->EvalString(expression), value);
        // Nothing is echoed but the rebuild's check, which keeps the selection.
        QCOMPARE(h.Commands(), QStringList());
        QCOMPARE(h.Rebuilds(), 1);
        QCOMPARE(h.Selected(), select);
        QVERIFY(h.Node(node));
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
