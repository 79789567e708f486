// The object tree window driven as the author drives it, against a real script host.

#include "script/luaapi.h"
#include "tests/testmain.h"
#include "tests/tree/treefixture.h"
#include "script/worldwalk.h"

#include <QLineEdit>
#include <QTest>

#include <memory>

using TreeFixture::Harness;
using TreeFixture::PathOf;
using TreeFixture::Words;

namespace {

// Calls of the view, separated by commas.
QStringList Calls(const char *text)
{
    return TreeFixture::Words(text, ',');
}

// A node as text: its label, '*' for a reference, its children in brackets.
QString Render(const WorldNode &node)
{
    QString text = node.text + (node.reference ? QStringLiteral("*") : QString());
    if (node.children.empty())
        return text;
    QStringList children;
    for (const WorldNode &child : node.children)
        children << Render(child);
    return text + QLatin1Char('(') + children.join(QLatin1Char(',')) + QLatin1Char(')');
}

const char kPlainWorld[] = "world = {uid = 'world'} ";

} // namespace

class TestItemsWin : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<Harness> m_h;

    QTreeWidget *Tree() const { return m_h->Tree(); }
    QTreeWidgetItem *Node(const QString &path) const { return m_h->Node(path); }
    QString Selected() const { return m_h->Selected(); }
    TItemsWin *m_win = nullptr;
    ScriptHost *m_host = nullptr;
    RecordingConsole *m_console = nullptr;

    QStringList AllPaths(bool expandedOnly) const
    {
        QStringList paths;
        for (QTreeWidgetItemIterator it(Tree()); *it; ++it) {
            if (!expandedOnly || ((*it)->isExpanded() && (*it)->childCount() > 0))
                paths << PathOf(*it);
        }
        return paths;
    }

    int Echoes() const { return m_console->Texts().count(QStringLiteral("world:check()")); }

    // "path" clicks a node, "^path" with Ctrl, "!path" with the right button, "-" below the last
    // row, "refresh" rebuilds with "player" selected.
    void Click(const QString &action)
    {
        if (action == QLatin1String("refresh")) {
            m_h->Rebuild(QStringLiteral("player"));
            return;
        }
        QString path = action;
        Qt::MouseButton button = Qt::LeftButton;
        Qt::KeyboardModifiers modifiers;
        if (path.startsWith(QLatin1Char('!'))) {
            button = Qt::RightButton;
            path.remove(0, 1);
        }
        if (path.startsWith(QLatin1Char('^'))) {
            modifiers = Qt::ControlModifier;
            path.remove(0, 1);
        }
        QPoint at(10, Tree()->viewport()->height() - 2);
        if (path != QLatin1String("-")) {
            QTreeWidgetItem *node = Node(path);
            QVERIFY2(node, qPrintable(path));
            at = Tree()->visualItemRect(node).center();
        }
        QTest::mouseClick(Tree()->viewport(), button, modifiers, at);
    }

    void RunClicks(const QStringList &clicks)
    {
        m_h->Rebuild(QStringLiteral("player"));
        for (const QString &click : clicks)
            Click(click);
    }

private Q_SLOTS:
    void init()
    {
        TestRegistry::FailOnWarnings();
        m_h = std::make_unique<Harness>(QString::fromLatin1(TreeFixture::World()));
        m_win = m_h->win.get();
        m_host = m_h->host.get();
        m_console = &m_h->console;
    }

    void cleanup() { m_h.reset(); }

    void showingRebuildsAndSelectsThePlayer()
    {
        m_win->hide();
        m_host->RunLua(QStringLiteral("world:create('lamp')"));
        m_win->show();
        QCOMPARE(m_console->lines.value(0), qMakePair(QStringLiteral("world:check()"), 0));
        QCOMPARE(AllPaths(false), Words("world world/player world/hall world/hall/box world/room "
                                       "world/room/box world/room/key world/lamp"));
        QCOMPARE(Selected(), QStringLiteral("world/player"));
        QCOMPARE(m_h->view.calls, Calls("ShowObjectProperties player,ShowProperty player Данные")
                                   );
        QCOMPARE(m_win->Search()->text(), QStringLiteral("player"));
        QCOMPARE(m_win->SelectedNames(), Words("player"));
    }

    void checkRunsBeforeTheWalk()
    {
        // The stray entry is repaired by the check; walked before it, it would show as a node.
        m_host->RunLua(QStringLiteral("table.insert(world.items, 5) world:create('lamp')"));
        bool lampBeforeEcho = true;
        m_console->onLine = [&](const QString &text) {
            if (text == QLatin1String("world:check()"))
                lampBeforeEcho = Node(QStringLiteral("world/lamp")) != nullptr;
        };
        m_win->UpdateItems(QStringLiteral("lamp"));
        QVERIFY(!lampBeforeEcho);
        QCOMPARE(m_console->lines.size(), 2);
        QCOMPARE(m_console->lines[0].second, 0);
        QCOMPARE(m_console->lines[1].second, 1);
        QCOMPARE(AllPaths(false).filter(QRegularExpression(QStringLiteral("^world/[^/]*$"))),
                 Words("world/player world/hall world/room world/lamp"));
        QCOMPARE(Selected(), QStringLiteral("world/lamp"));
    }

    void selectionAfterRebuild_data()
    {
        QTest::addColumn<QString>("lua");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("selected");
        QTest::newRow("named object") << "" << "key" << "world/room/key";
        QTest::newRow("removed object") << "box:remove() box = nil" << "box" << "world";
        QTest::newRow("unknown name") << "" << "nosuch" << "world";
        QTest::newRow("no name") << "" << "" << "world";
        QTest::newRow("empty world") << "world.items = {} player = nil" << "player" << "world";
    }
    void selectionAfterRebuild()
    {
        QFETCH(QString, lua);
        QFETCH(QString, name);
        QFETCH(QString, selected);
        m_host->RunLua(lua);
        m_win->UpdateItems(name);
        QCOMPARE(Selected(), selected);
        const QString shown = selected.section(QLatin1Char('/'), -1);
        QCOMPARE(m_h->view.calls, QStringList({QStringLiteral("ShowObjectProperties ") + shown,
                                            QStringLiteral("ShowProperty ") + shown
                                                + QString::fromUtf8(" Данные")}));
        QCOMPARE(m_win->Search()->text(), shown);
        QCOMPARE(m_win->SelectedNames(), QStringList(shown));
    }

    // A node indented past the column's edge has no area of its own; a key moving to it still
    // moves the selection, which must not be lost.
    void keysMoveTheSelectionDeepDown()
    {
        m_host->RunLua(QStringLiteral(
            "local o = world for i = 1, 40 do o = o:create('deep' .. i) end"));
        m_win->UpdateItems(QStringLiteral("deep40"));
        m_win->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_win));
        m_win->Items()->setFocus();
        QTest::keyClick(m_win->Items(), Qt::Key_Up);
        QCOMPARE(m_win->SelectedUid(), QStringLiteral("deep39"));
    }

    void expansionKeptByName_data()
    {
        QTest::addColumn<QString>("lua");
        QTest::addColumn<QStringList>("expand");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("expanded");
        QTest::newRow("kept") << "" << Words("world world/room") << "world"
                              << Words("world world/room");
        QTest::newRow("inside a closed node") << "" << Words("world/room") << "world"
                                              << Words("world/room");
        QTest::newRow("ancestors of the selection") << "" << QStringList() << "key"
                                                    << Words("world world/room");
        // A world the check cannot run on: two owned nodes bear the name x.
        QTest::newRow("every node bearing the name")
            << "world = {uid = 'world'} a = {uid = 'a', parent = world} "
               "b = {uid = 'b', parent = world} x = {uid = 'x', items = {{uid = 'y', "
               "parent = {uid = 'x'}}}} a.items = {{uid = 'x', parent = a}} "
               "b.items = {{uid = 'x', parent = b}} world.items = {a, b}"
            << Words("world world/a world/a/x") << "world"
            << Words("world world/a world/a/x world/b/x");
    }
    void expansionKeptByName()
    {
        QFETCH(QString, lua);
        QFETCH(QStringList, expand);
        QFETCH(QString, name);
        QFETCH(QStringList, expanded);
        m_host->RunLua(lua);
        m_win->UpdateItems(QStringLiteral("world"));
        Tree()->collapseAll();
        for (const QString &path : expand)
            Node(path)->setExpanded(true);
        m_win->UpdateItems(name);
        QCOMPARE(AllPaths(true), expanded);
    }

    void searchBox_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("selected");
        QTest::addColumn<QStringList>("calls");
        QTest::newRow("part of a name") << "pla" << "world" << QStringList();
        QTest::newRow("whole name") << "player" << "world/player"
                                    << Calls("ShowObject player,ShowObjectProperties player");
        QTest::newRow("jumps on the way, stays after")
            << "boxes" << "world/room/box" << Calls("ShowObject box,ShowObjectProperties box");
        QTest::newRow("case matters") << "Player" << "world" << QStringList();
    }
    void searchBox()
    {
        QFETCH(QString, typed);
        QFETCH(QString, selected);
        QFETCH(QStringList, calls);
        m_win->UpdateItems(QStringLiteral("world"));
        m_win->Search()->clear();
        m_h->view.calls.clear();
        QTest::keyClicks(m_win->Search(), typed);
        QCOMPARE(Selected(), selected);
        QCOMPARE(m_h->view.calls, calls);
        QCOMPARE(m_win->Search()->text(), typed);
    }

    // The selected uid reaches the search box without a search: a search would move the
    // selection from a reference node to the owned node, or show the object a second time.
    void selectingWritesTheSearchBox_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("selected");
        QTest::addColumn<QString>("search");
        QTest::addColumn<QStringList>("calls");
        QTest::newRow("click a reference node") << "world/hall/box" << "world/hall/box" << "box"
                                                << Calls("ShowObject box,ShowObject box");
        QTest::newRow("click the selected node") << "world/player" << "world/player" << "player"
                                                 << Calls("ShowObject player");
        QTest::newRow("key down") << "Down" << "world/hall" << "hall" << Calls("ShowObject hall");
        QTest::newRow("written by the view") << "write room" << "world/player" << "room"
                                             << QStringList();
    }
    void selectingWritesTheSearchBox()
    {
        QFETCH(QString, action);
        QFETCH(QString, selected);
        QFETCH(QString, search);
        QFETCH(QStringList, calls);
        Tree()->expandAll();
        m_h->view.calls.clear();
        if (action == QLatin1String("Down"))
            QTest::keyClick(Tree(), Qt::Key_Down);
        else if (action.startsWith(QLatin1String("write ")))
            m_win->WriteSearch(action.mid(6));
        else
            Click(action);
        QCOMPARE(Selected(), selected);
        QCOMPARE(m_win->Search()->text(), search);
        QCOMPARE(m_h->view.calls, calls);
    }

    void marking_data()
    {
        QTest::addColumn<QStringList>("clicks");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QString>("selected");
        QTest::newRow("plain click replaces") << Words("world/room world/room/box") << Words("box")
                                              << "world/room/box";
        QTest::newRow("ctrl adds in order")
            << Words("world/room ^world/room/box ^world/room/key") << Words("room box key")
            << "world/room/key";
        QTest::newRow("ctrl on the only name") << Words("world/room ^world/room") << Words("room")
                                               << "world/room";
        QTest::newRow("unmark one of three")
            << Words("world/player ^world/hall/box ^world/room/key ^world/room/key")
            << Words("player box") << "world/room/box";
        QTest::newRow("plain click on a marked name")
            << Words("world/room ^world/room/box ^world/room/key world/hall/box")
            << Words("room box key") << "world/hall/box";
        QTest::newRow("any button") << Words("world/room !^world/room/key") << Words("room key")
                                    << "world/room/key";
        QTest::newRow("below the last row") << Words("world/room ^world/room/key -")
                                            << Words("room key") << "world/room/key";
        QTest::newRow("refresh replaces the marks")
            << Words("world/room ^world/room/key refresh") << Words("player") << "world/player";
    }
    void marking()
    {
        QFETCH(QStringList, clicks);
        QFETCH(QStringList, names);
        QFETCH(QString, selected);
        RunClicks(clicks);
        QCOMPARE(m_win->SelectedNames(), names);
        QCOMPARE(Selected(), selected);
    }

    void updateItemsFromLua_data()
    {
        QTest::addColumn<QString>("lua");
        QTest::addColumn<QString>("node");
        QTest::addColumn<int>("echoes");
        QTest::newRow("inside a chunk") << "room:create('lamp') update_items()" << "world/room/lamp"
                                        << 1;
        QTest::newRow("in a loop")
            << "for i = 1, 3 do world:create('n' .. i) update_items() end" << "world/n3" << 3;
        QTest::newRow("from the check itself")
            << "function OBJECT.check () update_items() end world:create('lamp') update_items()"
            << "world/lamp" << 1;
        QString chain = QStringLiteral("world");
        for (int i = 1; i <= 300; ++i)
            chain += QStringLiteral("/o%1").arg(i);
        QTest::newRow("300-level chain")
            << "local o = world for i = 1, 300 do o = o:create('o' .. i) end update_items()"
            << chain << 1;
    }
    void updateItemsFromLua()
    {
        QFETCH(QString, lua);
        QFETCH(QString, node);
        QFETCH(int, echoes);
        m_win->UpdateItems(QStringLiteral("key"));
        m_console->lines.clear();
        m_host->RunLua(lua);
        QVERIFY(Node(node));
        QCOMPARE(Echoes(), echoes);
        QCOMPARE(Selected(), QStringLiteral("world/room/key"));
        QCOMPARE(m_host->Depth(), 0);
        QCOMPARE(lua_gettop(m_host->State()), 0);
        QCOMPARE(m_console->Errors(), QString());
    }

    // The walk reads any world the script state holds, however odd, without a Lua error and
    // without leaving anything on the stack; deep chains do not exhaust the stack.
    void readsTheWorld_data()
    {
        QTest::addColumn<QString>("lua");
        QTest::addColumn<QString>("tree");
        const QString plain = QString::fromLatin1(kPlainWorld);
        QTest::newRow("no world") << QString() << "world";
        QTest::newRow("world not a table") << "world = 5" << "world";
        QTest::newRow("items not a table") << plain + "world.items = 'x'" << "world";
        QTest::newRow("owned and referenced")
            << "dofile 'startup.lua' world:create('room') world:create('hall') "
               "room:create('box') box:create('coin') hall:add(box)"
            << "world(player,room(box(coin)),hall(box*))";
        QTest::newRow("listed under world, owned elsewhere")
            << "dofile 'startup.lua' world:create('room') room:create('box') world:add(box)"
            << "world(player,room(box),box*)";
        // Judged by a neighbour's parent, n would be owned and show its child.
        QTest::newRow("nil parent after an owned entry")
            << plain + "a = {uid = 'a', parent = world} "
                       "n = {uid = 'n', items = {{uid = 'deep', parent = {uid = 'n'}}}} "
                       "world.items = {a, n}"
            << "world(a,n*)";
        QTest::newRow("parent that is not a table")
            << plain + "s = {uid = 's', parent = 'world', "
                       "items = {{uid = 't', parent = {uid = 's'}}}} world.items = {s}"
            << "world(s*)";
        QTest::newRow("parent whose uid is not text")
            << plain + "world.items = {{uid = 'p', parent = {}}, "
                       "{uid = 'q', parent = {uid = true}}}"
            << "world(p*,q*)";
        QTest::newRow("entries that are not tables")
            << plain + "world.items = {'player', 42, 1.5, true, print}"
            << "world(player*,42*,1.5*,boolean*,function*)";
        QTest::newRow("uid that is not text")
            << plain + "world.items = {{parent = world}, {uid = {}, parent = world}}" << "world(,)";
        QTest::newRow("numbers as uids")
            << plain + "world.items = {{uid = 7, parent = world}} "
                       "_G['7'] = {items = {{uid = 'z', parent = {uid = 7}}}}"
            << "world(7(z))";
        QTest::newRow("an owner listed inside itself")
            << plain + "a = {uid = 'a', parent = world} a.items = {{uid = 'a', parent = a}} "
                       "world.items = {a}"
            << "world(a(a*))";
        QTest::newRow("metatables not consulted")
            << "world = setmetatable({uid = 'world'}, {__index = function () error('read') end}) "
               "rawset(world, 'items', {setmetatable({}, {__index = {uid = 'e', parent = world}})})"
            << "world(*)";
        QTest::newRow("keys ignored")
            << plain + "a = {uid = 'a', parent = world} world.items = {first = a}" << "world(a)";
        QTest::newRow("code page")
            << plain + QString::fromUtf8("world.items = {{uid = 'комната', parent = world}} "
                                         "_G['комната'] = {items = {{uid = 'сундук', "
                                         "parent = {uid = 'комната'}}}}")
            << QString::fromUtf8("world(комната(сундук))");
    }
    void readsTheWorld()
    {
        QFETCH(QString, lua);
        QFETCH(QString, tree);
        ScriptHost host;
        host.RunLua(lua);
        lua_pushinteger(host.State(), 1);
        const WorldNode world = WorldWalk(host.State()).Read(QStringLiteral("world"));
        QCOMPARE(Render(world), tree);
        QCOMPARE(lua_gettop(host.State()), 1);
    }

    void deepChains()
    {
        const int depth = 5000;
        ScriptHost host;
        host.RunLua(QStringLiteral("world = {uid = 'world', items = {}} local o = world "
                                   "for i = 1, %1 do local c = {uid = 'o' .. i, parent = o} "
                                   "_G[c.uid] = c o.items = {c} o = c end")
                        .arg(depth));
        const WorldNode world = WorldWalk(host.State()).Read(QStringLiteral("world"));
        const WorldNode *node = &world;
        int levels = 0;
        while (!node->children.empty()) {
            QCOMPARE(node->children.size(), size_t(1));
            node = &node->children.front();
            QVERIFY(!node->reference);
            ++levels;
        }
        QCOMPARE(levels, depth);
        QCOMPARE(node->text, QStringLiteral("o%1").arg(depth));
        QCOMPARE(lua_gettop(host.State()), 0);
    }
};
TARNWICK_TEST(TestItemsWin)

#include "tst_itemswin.moc"
