// The object tree window driven as the author drives it, against a real script host.

#include "script/luaapi.h"
#include "script/worldwalk.h"
#include "tests/testmain.h"
#include "tests/tree/treefixture.h"

#include <QLineEdit>

#include <memory>

using TreeFixture::Harness;
using TreeFixture::PathOf;
using TreeFixture::Words;

namespace {

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

} // namespace

class TestItemsWin : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<Harness> m_h;
    TItemsWin *m_win = nullptr;

    QStringList ExpandedPaths() const
    {
        QStringList paths;
        for (QTreeWidgetItemIterator it(m_h->Tree()); *it; ++it) {
            if ((*it)->isExpanded() && (*it)->childCount() > 0)
                paths << PathOf(*it);
        }
        return paths;
    }

private Q_SLOTS:
    void init()
    {
        TestRegistry::FailOnWarnings();
        m_h = std::make_unique<Harness>(TreeFixture::World());
        m_win = m_h->win.get();
    }

    void cleanup() { m_h.reset(); }

    // Showing the window rebuilds it with the player selected. The check runs first and repairs
    // the stray entry, which walked before it would show as a node.
    void showingChecksAndRebuilds()
    {
        m_win->hide();
        m_h->host->RunLua(QStringLiteral("table.insert(world.items, 5) world:create('lamp')"));
        bool lampBeforeEcho = true;
        m_h->console.onLine = [&](const QString &text) {
            if (text == QLatin1String("world:check()"))
                lampBeforeEcho = m_h->Node(QStringLiteral("world/lamp")) != nullptr;
        };
        m_win->show();
        QCOMPARE(m_h->console.lines.value(0), qMakePair(QStringLiteral("world:check()"), 0));
        QVERIFY(!lampBeforeEcho);
        QCOMPARE(m_h->Paths().filter(QRegularExpression(QStringLiteral("^world/[^/]*$"))),
                 Words("world/player world/hall world/room world/lamp"));
        QCOMPARE(m_h->Selected(), QStringLiteral("world/player"));
    }

    // After a rebuild the object named is selected and shown, the root when there is none such;
    // its ancestors are open, and so is every node bearing the name of one that was open.
    void rebuildSelectsAndOpens_data()
    {
        QTest::addColumn<QString>("lua");
        QTest::addColumn<QStringList>("open");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("selected");
        QTest::addColumn<QStringList>("opened");
        QTest::newRow("named object") << "" << QStringList() << "key" << "world/room/key"
                                      << Words("world world/room");
        QTest::newRow("removed object, inside a closed node")
            << "box:remove() box = nil" << Words("world/room") << "box" << "world"
            << Words("world/room");
        QTest::newRow("empty world") << "world.items = {} player = nil" << QStringList() << "player"
                                     << "world" << QStringList();
        // A world the check cannot run on: two owned nodes bear the name x.
        QTest::newRow("every node bearing the name")
            << "world = {uid = 'world'} a = {uid = 'a', parent = world} "
               "b = {uid = 'b', parent = world} x = {uid = 'x', items = {{uid = 'y', "
               "parent = {uid = 'x'}}}} a.items = {{uid = 'x', parent = a}} "
               "b.items = {{uid = 'x', parent = b}} world.items = {a, b}"
            << Words("world world/a world/a/x") << "world" << "world"
            << Words("world world/a world/a/x world/b/x");
    }
    void rebuildSelectsAndOpens()
    {
        QFETCH(QString, lua);
        QFETCH(QStringList, open);
        QFETCH(QString, name);
        QFETCH(QString, selected);
        QFETCH(QStringList, opened);
        m_h->host->RunLua(lua);
        m_win->UpdateItems(QStringLiteral("world"));
        m_h->Tree()->collapseAll();
        for (const QString &path : open)
            m_h->Node(path)->setExpanded(true);
        m_h->view.calls.clear();
        m_win->UpdateItems(name);
        QCOMPARE(m_h->Selected(), selected);
        QCOMPARE(ExpandedPaths(), opened);
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
        m_h->host->RunLua(QStringLiteral(
            "local o = world for i = 1, 40 do o = o:create('deep' .. i) end"));
        m_win->UpdateItems(QStringLiteral("deep40"));
        m_win->Items()->setFocus();
        QTest::keyClick(m_win->Items(), Qt::Key_Up);
        QCOMPARE(m_win->SelectedUid(), QStringLiteral("deep39"));
    }

    // "type text" types into the search box, which finds the object as far as the text names one.
    // The selected uid reaches the search box without a search: a search would move the selection
    // from a reference node to the owned node, or show the object a second time.
    void searchBox_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("selected");
        QTest::addColumn<QString>("search");
        QTest::addColumn<QStringList>("calls");
        QTest::newRow("part of a name") << "type pla" << "world" << "pla" << QStringList();
        QTest::newRow("jumps on the way, stays after")
            << "type boxes" << "world/room/box" << "boxes"
            << Words("ShowObject box,ShowObjectProperties box", ',');
        QTest::newRow("case matters") << "type Player" << "world" << "Player" << QStringList();
        QTest::newRow("click a reference node") << "world/hall/box" << "world/hall/box" << "box"
                                                << Words("ShowObject box,ShowObject box", ',');
        QTest::newRow("click the selected node") << "world/player" << "world/player" << "player"
                                                 << Words("ShowObject player", ',');
        QTest::newRow("key down") << "Down" << "world/hall" << "hall"
                                  << Words("ShowObject hall", ',');
        QTest::newRow("written by the view") << "write room" << "world/player" << "room"
                                             << QStringList();
    }
    void searchBox()
    {
        QFETCH(QString, action);
        QFETCH(QString, selected);
        QFETCH(QString, search);
        QFETCH(QStringList, calls);
        if (action.startsWith(QLatin1String("type "))) {
            m_win->UpdateItems(QStringLiteral("world"));
            m_win->Search()->clear();
            m_h->view.calls.clear();
            QTest::keyClicks(m_win->Search(), action.mid(5));
        } else if (action == QLatin1String("Down")) {
            QTest::keyClick(m_h->Tree(), Qt::Key_Down);
        } else if (action.startsWith(QLatin1String("write "))) {
            m_win->WriteSearch(action.mid(6));
        } else {
            m_h->Click(action);
        }
        QCOMPARE(m_h->Selected(), selected);
        QCOMPARE(m_win->Search()->text(), search);
        QCOMPARE(m_h->view.calls, calls);
    }

    // Clicks as Harness::Click takes them; "refresh" rebuilds with the player selected.
    void marking_data()
    {
        QTest::addColumn<QStringList>("clicks");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QString>("selected");
        QTest::newRow("plain click replaces") << Words("world/room world/room/box") << Words("box")
                                              << "world/room/box";
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
        m_h->Rebuild(QStringLiteral("player"));
        for (const QString &click : clicks) {
            if (click == QLatin1String("refresh"))
                m_h->Rebuild(QStringLiteral("player"));
            else
                m_h->Click(click);
        }
        QCOMPARE(m_win->SelectedNames(), names);
        QCOMPARE(m_h->Selected(), selected);
    }

    void updateItemsFromLua_data()
    {
        QTest::addColumn<QString>("lua");
        QTest::addColumn<QString>("node");
        QTest::addColumn<int>("echoes");
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
        m_h->console.lines.clear();
        m_h->host->RunLua(lua);
        QVERIFY(m_h->Node(node));
        QCOMPARE(m_h->Rebuilds(), echoes);
        QCOMPARE(m_h->Selected(), QStringLiteral("world/room/key"));
        QCOMPARE(m_h->host->Depth(), 0);
        QCOMPARE(lua_gettop(m_h->host->State()), 0);
        QCOMPARE(m_h->console.Errors(), QString());
    }

    // The walk reads any world the script state holds, however odd, without a Lua error and
    // without leaving anything on the stack; deep chains do not exhaust the stack.
    void readsTheWorld_data()
    {
        QTest::addColumn<QString>("lua");
        QTest::addColumn<QString>("tree");
        const QString plain = QStringLiteral("world = {uid = 'world'} ");
        QTest::newRow("no world") << QString() << "world";
        QTest::newRow("items not a table") << plain + "world.items = 'x'" << "world";
        // Judged by a neighbour's parent, n would be owned and show its child.
        QTest::newRow("nil parent after an owned entry")
            << plain + "a = {uid = 'a', parent = world} "
                       "n = {uid = 'n', items = {{uid = 'deep', parent = {uid = 'n'}}}} "
                       "world.items = {a, n}"
            << "world(a,n*)";
        QTest::newRow("parent whose uid is not text")
            << plain + "world.items = {{uid = 'p', parent = {}}, "
                       "{uid = 'q', parent = {uid = true}}, {uid = 's', parent = 'world'}}"
            << "world(p*,q*,s*)";
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
        QTest::newRow("code page")
            << plain + QString::fromUtf8("world.items = {{uid = 'комната', parent = world}} "
                                         "_G['комната'] = {items = {{uid = 'сундук', "
                                         "parent = {uid = 'комната'}}}}")
            << QString::fromUtf8("world(комната(сундук))");
        QTest::newRow("keys ignored")
            << plain + "a = {uid = 'a', parent = world} world.items = {first = a}" << "world(a)";
        QString deep = QStringLiteral("world");
        for (int i = 1; i <= 5000; ++i)
            deep += QStringLiteral("(o%1").arg(i);
        QTest::newRow("a deep chain")
            << plain + "local o = world for i = 1, 5000 do local c = {uid = 'o' .. i, parent = o} "
                       "_G[c.uid] = c o.items = {c} o = c end"
            << deep + QString(5000, QLatin1Char(')'));
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
};
TARNWICK_TEST(TestItemsWin)

#include "tst_itemswin.moc"
