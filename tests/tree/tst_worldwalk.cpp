// The reading of the world out of the script state.

#include "script/luaapi.h"
#include "script/scripthost.h"
#include "tests/testmain.h"
#include "script/worldwalk.h"

#include <QTest>

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

const char kPlainWorld[] = "world = {uid = 'world'} ";

} // namespace

class TestWorldWalk : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void readsTheWorld_data()
    {
        QTest::addColumn<QString>("lua");
        QTest::addColumn<QString>("tree");
        const QString plain = QString::fromLatin1(kPlainWorld);
        QTest::newRow("no world") << QString() << "world";
        QTest::newRow("world not a table") << "world = 5" << "world";
        QTest::newRow("items nil") << plain << "world";
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

    void deepChains_data()
    {
        QTest::addColumn<int>("depth");
        QTest::newRow("300 levels") << 300;
        QTest::newRow("5000 levels") << 5000;
    }
    void deepChains()
    {
        QFETCH(int, depth);
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
TARNWICK_TEST(TestWorldWalk)

#include "tst_worldwalk.moc"
