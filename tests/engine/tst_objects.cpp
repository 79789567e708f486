// The object protocol that startup.lua sets up, driven through the script host as the program
// drives it: Lua text in, values and console lines out.

#include "tests/engine/enginetesting.h"
#include "tests/testmain.h"

#include <QTest>

using namespace EngineTesting;

namespace {

// test_uids(list) gives the uids of a list joined by commas ('nil' for no list), read with plain
// table access only, never through the protocol's methods.
const char kHelpers[] = R"lua(
function test_uids (list)
  if list == nil then return 'nil' end
  local uids = {}
  for i = 1, table.getn(list) do
    local e = list[i]
    if type(e) == 'table' then table.insert(uids, tostring(e.uid)) else table.insert(uids, type(e)) end
  end
  return table.concat(uids, ',')
end
)lua";

// setup must succeed; then action must fail with `error` in its message (or succeed when error is
// empty); then probe must read `expected`, and the tree must be sound.
struct Case
{
    const char *name, *setup, *action, *error, *probe, *expected;
};

#define ROOMS "world:create('hall'); world:create('cellar'); world:create('key')"
#define LISTED ROOMS "; hall:add(key); cellar:add(key)"
#define REFS "test_uids(hall.items) .. '|' .. test_uids(key.parents) .. '|' .. key.parent.uid"
#define TREE                                                                                       \
    "world:create('hall'); hall:create('chest'); chest:create('coin'); world:create('cellar')"
#define PLACES                                                                                     \
    "chest.parent.uid .. '|' .. test_uids(hall.items) .. '|' .. test_uids(cellar.items) .. '|' "   \
    ".. test_uids(chest.items)"
#define CHEST                                                                                      \
    "world:create('key'); world:create('chest', 'Сундук'); chest:create('coin'); coin:create('gem')"

const Case kCases[] = {
    // create
    {"owned by the caller, returned", "world:create('room', 'Комната')",
     "test_made = room:create('box', 'Ящик')", "",
     "box.name .. '|' .. box.parent.uid .. '|' .. test_uids(room.items) .. '|' .. "
     "type(box.data) .. type(box.ide_data) .. tostring(test_made == box)",
     "Ящик|room|box|tabletabletrue"},
    {"named by its uid", "", "world:create('lamp')", "", "lamp.name", "lamp"},
    {"tables of its own", "world:create('a')", "world:create('b')", "",
     "tostring(a.data ~= b.data and a.ide_data ~= b.ide_data and a.items ~= b.items)", "true"},
    {"uid of an object", "world:create('lamp', 'Лампа')", "player:create('lamp', 'Другая')",
     "«lamp» уже существует", "lamp.name .. '|' .. lamp.parent.uid .. '|' .. test_uids(player.items)",
     "Лампа|world|"},
    {"uid of another global", "", "world:create('print')", "занято",
     "type(print) .. '|' .. test_uids(world.items)", "function|player"},
    {"not an identifier", "", "world:create('2lamp')", "не годится", "test_uids(world.items)", "player"},
    {"uid not a string", "", "world:create(5)", "строкой", "test_uids(world.items)", "player"},
    {"removed owner", "world:create('box'); test_box = box; box:remove(); box = nil",
     "test_box:create('coin')", "«box» удален", "tostring(coin)", "nil"},
    {"called with a dot", "", "world.create('lamp')", "двоеточие", "tostring(lamp)", "nil"},
    // add and remove
    {"add lists a reference", ROOMS, "test_added = hall:add(key); cellar:add(key)", "",
     REFS " .. tostring(test_added == key)", "key|hall,cellar|worldtrue"},
    {"add twice lists once", ROOMS, "hall:add(key); hall:add(key)", "", REFS, "key|hall|world"},
    {"add the owned changes nothing", ROOMS, "world:add(key)", "",
     "test_uids(world.items) .. '|' .. test_uids(key.parents)", "player,hall,cellar,key|nil"},
    {"add itself", ROOMS, "key:add(key)", "самого себя", "test_uids(key.items)", ""},
    {"add a plain table", ROOMS, "hall:add({})", "типа table", "test_uids(hall.items)", ""},
    {"add nil", ROOMS, "hall:add(nil)", "Не указан", "test_uids(hall.items)", ""},
    {"add a removed object", ROOMS "; test_key = key; key:remove(); key = nil",
     "hall:add(test_key)", "«key» удален", "test_uids(hall.items)", ""},
    {"remove a reference", LISTED, "hall:remove(key)", "", REFS, "|cellar|world"},
    {"remove the last reference", LISTED, "hall:remove(key); cellar:remove(key)", "", REFS,
     "|nil|world"},
    {"remove the owned", LISTED, "world:remove(key)", "принадлежит",
     "test_uids(world.items) .. '|' .. test_uids(key.parents)", "player,hall,cellar,key|hall,cellar"},
    {"remove nil is not removal of the caller", LISTED, "hall:remove(nil)", "Не указано",
     "test_uids(world.items) .. '|' .. test_uids(hall.items)", "player,hall,cellar,key|key"},
    {"add a catcher", ROOMS, "test_f = function () end; hall:add(test_f); hall:add(test_f)", "",
     "table.getn(hall.hooks) .. tostring(hall.hooks[1] == test_f) .. test_uids(hall.items)", "1true"},
    {"remove a catcher", ROOMS, "test_f = function () end; hall:add(test_f); hall:remove(test_f)", "",
     "tostring(hall.hooks)", "nil"},
    // remove
    {"subtree and globals", TREE, "hall:remove(); hall = nil", "",
     "tostring(hall) .. tostring(chest) .. tostring(coin) .. '|' .. test_uids(world.items)",
     "nilnilnil|player,cellar"},
    {"unlisted where the subtree is referenced",
     TREE "; cellar:add(coin); player:add(chest); coin:add(chest)", "hall:remove()", "",
     "test_uids(cellar.items) .. '|' .. test_uids(player.items)", "|"},
    {"what the subtree referenced forgets it",
     TREE "; cellar:create('key'); cellar:create('rope'); hall:add(key); coin:add(key); "
          "coin:add(rope); player:add(rope)",
     "hall:remove()", "", "test_uids(key.parents) .. '|' .. test_uids(rope.parents)", "nil|player"},
    {"the player", TREE, "player:remove()", "", "tostring(player) .. '|' .. test_uids(world.items)",
     "nil|hall,cellar"},
    {"remove the world", TREE, "world:remove()", "корень", "world.uid .. '|' .. test_uids(world.items)",
     "world|player,hall,cellar"},
    // moveto
    {"to another owner", TREE, "test_moved = chest:moveto(cellar)", "",
     PLACES " .. tostring(test_moved == chest)", "cellar||chest|cointrue"},
    {"to its owner", TREE, "chest:moveto(hall)", "", PLACES, "hall|chest||coin"},
    {"where it was a reference", TREE "; cellar:add(chest); player:add(chest)",
     "chest:moveto(cellar)", "", PLACES " .. '|' .. test_uids(chest.parents)",
     "cellar||chest|coin|player"},
    {"into itself", TREE, "chest:moveto(chest)", "самого себя", PLACES, "hall|chest||coin"},
    {"into what it owns", TREE, "chest:moveto(coin)", "внутри", PLACES, "hall|chest||coin"},
    {"deep into its subtree", TREE, "hall:moveto(coin)", "внутри",
     "hall.parent.uid .. '|' .. test_uids(world.items) .. '|' .. test_uids(coin.items)",
     "world|player,hall,cellar|"},
    {"move the world", TREE, "world:moveto(hall)", "корень",
     "tostring(world.parent) .. '|' .. test_uids(hall.items)", "nil|chest"},
    // clone
    {"copies are numbered", CHEST, "test_copy = world:clone(chest, 'box')", "",
     "test_uids(box.items) .. '|' .. test_uids(coin1.items) .. '|' .. coin1.parent.uid .. '|' .. "
     "gem1.parent.uid .. '|' .. box.parent.uid .. '|' .. box.name .. '|' .. tostring(test_copy == box)",
     "coin1|gem1|box|coin1|world|Сундук|true"},
    {"numbers skip taken uids and trailing digits",
     "world:create('chest'); chest:create('coin1'); chest:create('coin'); world:create('coin2')",
     "world:clone(chest, 'box')", "", "test_uids(box.items)", "coin3,coin4"},
    {"no uid given", CHEST, "world:clone(chest)", "",
     "chest1.parent.uid .. '|' .. test_uids(chest1.items)", "world|coin1"},
    {"under the caller", CHEST, "player:clone(chest, 'bag')", "",
     "bag.parent.uid .. '|' .. test_uids(player.items) .. '|' .. test_uids(world.items)",
     "player|bag|player,key,chest"},
    {"into its own subtree", CHEST, "coin:clone(chest, 'inner')", "",
     "inner.parent.uid .. '|' .. test_uids(coin.items) .. '|' .. test_uids(inner.items) .. '|' .. "
     "test_uids(coin1.items)",
     "coin|gem,inner|coin1|gem1"},
    {"data and ide_data are deep copies",
     CHEST "; chest.data.list = { 1, { 2 } }; chest.ide_data.open = 'print(1)'",
     "world:clone(chest, 'box'); box.data.list[2][1] = 5; box.ide_data.open = 'x'", "",
     "chest.data.list[2][1] .. '|' .. chest.ide_data.open .. '|' .. box.data.list[2][1]",
     "2|print(1)|5"},
    {"references outside stay", CHEST "; chest:add(key); gem:add(player); chest.data.who = key",
     "world:clone(chest, 'box')", "",
     "test_uids(box.items) .. '|' .. test_uids(key.parents) .. '|' .. test_uids(player.parents) .. "
     "'|' .. tostring(box.data.who == key)",
     "coin1,key|chest,box|gem,gem1|true"},
    {"references inside lead to copies", CHEST "; gem:add(chest); chest:add(gem); chest.data.best = gem",
     "world:clone(chest, 'box')", "",
     "test_uids(gem1.items) .. '|' .. test_uids(box.parents) .. '|' .. test_uids(gem1.parents) .. "
     "'|' .. tostring(box.data.best == gem1) .. '|' .. test_uids(chest.parents) .. '|' .. "
     "test_uids(gem.parents)",
     "box|gem1|box|true|gem|chest"},
    {"catchers are shared, their list is not", CHEST "; test_f = function () end; chest:add(test_f)",
     "world:clone(chest, 'box')", "", "tostring(box.hooks ~= chest.hooks and box.hooks[1] == test_f)",
     "true"},
    {"uid taken", CHEST, "world:clone(chest, 'key')", "«key» уже существует",
     "tostring(coin1) .. '|' .. test_uids(world.items)", "nil|player,key,chest"},
    // clone of a value
    {"cycles and sharing", "", "local s = {} test_src = { s, s }; s.me = s; test_copy = clone(test_src)", "",
     "tostring(test_copy[1] == test_copy[2] and test_copy[1].me == test_copy[1] and test_copy[1] ~= s)",
     "true"},
    {"table keys", "", "test_key = {}; test_copy = clone({ [test_key] = 1 })", "",
     "tostring(next(test_copy) ~= test_key) .. test_copy[next(test_copy)]", "true1"},
    {"metatables", "", "test_copy = clone(setmetatable({}, { __index = { x = 7 } }))", "",
     "test_copy.x", "7"},
    {"objects inside are shared", "",
     "test_src = { who = player, list = { world } }; test_copy = clone(test_src)", "",
     "tostring(test_copy.who == player and test_copy.list[1] == world and "
     "test_copy.list ~= test_src.list)",
     "true"},
    {"an object itself", "", "test_copy = clone(player)", ":clone", "tostring(test_copy)", "nil"},
};

// Damage done to a sound world, the uids that the repair lines name in order, and a probe.
struct CheckCase
{
    const char *name, *damage, *mentions, *probe, *expected;
};

const CheckCase kCheck[] = {
    {"reference to a removed object",
     "test_key = key; key:remove(); key = nil; table.insert(hall.items, test_key)", "key",
     "test_uids(hall.items)", "chest"},
    {"global taken away", "key = nil", "key key key",
     "test_uids(world.items) .. '|' .. test_uids(hall.items) .. '|' .. test_uids(chest.items)",
     "player,hall|chest|coin"},
    {"owner's global taken away", "chest = nil", "coin chest chest key",
     "coin.parent.uid .. '|' .. test_uids(hall.items) .. '|' .. test_uids(key.parents)",
     "hall|key,coin|hall"},
    {"entries that are not objects",
     "table.insert(hall.items, 'chest'); table.insert(hall.items, {}); hall.items.extra = key",
     "hall hall hall", "test_uids(hall.items)", "chest,key"},
    {"listed twice", "table.insert(hall.items, key)", "key", "test_uids(hall.items)", "chest,key"},
    {"entry past the remembered length",
     "world:create('lamp'); table.remove(world.items, 4); lamp.parent = hall; "
     "table.insert(hall.items, 'junk'); hall.items[4] = lamp",
     "hall", "table.getn(hall.items) .. '|' .. test_uids(hall.items) .. '|' .. lamp.parent.uid",
     "3|chest,key,lamp|hall"},
    {"owner link to a referrer", "chest.parent = player", "chest",
     "chest.parent.uid .. '|' .. test_uids(chest.parents)", "hall|player"},
    {"owner no longer lists it", "table.remove(hall.items, 1)", "chest chest",
     "chest.parent.uid .. '|' .. test_uids(chest.parents)", "player|nil"},
    {"stale parents entry", "table.insert(key.parents, player)", "key", "test_uids(key.parents)",
     "hall,chest"},
    {"missing parents", "key.parents = nil", "key key", "test_uids(key.parents)", "chest,hall"},
    {"lost subtree goes back to its owner", "table.remove(hall.items, 1); player:remove(chest)",
     "chest", "test_uids(hall.items) .. '|' .. coin.parent.uid", "key,chest|chest"},
    {"lost object without owner goes to the root",
     "world:create('lamp'); table.remove(world.items, 4); lamp.parent = nil", "lamp",
     "lamp.parent.uid .. '|' .. test_uids(world.items)", "world|player,hall,key,lamp"},
    {"ring of owners",
     "world:create('ring_a'); ring_a:create('ring_b'); player:add(ring_a); ring_a.parent = ring_b; "
     "table.insert(ring_b.items, ring_a); table.remove(world.items, 4)",
     "ring_a ring_a ring_a",
     "ring_a.parent.uid .. '|' .. ring_b.parent.uid .. '|' .. test_uids(ring_a.parents)",
     "player|ring_a|ring_b"},
    {"broken fields", "coin.items = 5; coin.name = nil; coin.data = 'x'", "coin coin coin",
     "type(coin.items) .. '|' .. coin.name .. '|' .. type(coin.data)", "table|coin|table"},
    {"world given an owner", "world.parent = coin", "world",
     "tostring(world.parent) .. '|' .. coin.parent.uid", "nil|chest"},
    {"world's global taken away", "test_root = world; world = 5", "world",
     "tostring(world == test_root)", "true"},
};

} // namespace

class EngineObjectsTest : public QObject
{
    Q_OBJECT

private:
    // Runs Lua text; returns the error lines it wrote, joined, or empty text.
    QString Run(const QString &text)
    {
        m_sink.lines.clear();
        m_host->RunLua(text);
        return m_sink.Errors();
    }
    QString Eval(const QString &expression) { return m_host->EvalString(expression); }

    std::unique_ptr<ScriptHost> m_host;
    RecordingConsole m_sink;

private slots:
    void init()
    {
        QCOMPARE(StartEngine(m_host, m_sink), QString());
        QVERIFY(Run(QString::fromLatin1(kHelpers)).isEmpty());
    }
    void cleanup() { m_host.reset(); }

    void methods_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("error");
        QTest::addColumn<QString>("probe");
        QTest::addColumn<QString>("expected");
        for (const Case &c : kCases)
            QTest::newRow(c.name) << U(c.setup) << U(c.action) << U(c.error) << U(c.probe) << U(c.expected);
    }
    // Each of the object methods, through its rules and its refusals.
    void methods()
    {
        QFETCH(QString, setup);
        QFETCH(QString, action);
        QFETCH(QString, error);
        QFETCH(QString, probe);
        QFETCH(QString, expected);
        const QString setupFailure = Run(setup);
        QVERIFY2(setupFailure.isEmpty(), qPrintable(setupFailure));
        const QString failure = Run(action);
        if (error.isEmpty())
            QVERIFY2(failure.isEmpty(), qPrintable(failure));
        else
            QVERIFY2(failure.contains(error), qPrintable(QStringLiteral("got: ") + failure));
        QCOMPARE(Eval(probe), expected);
        // The engine's check, proven on every kind of damage by check(), finds nothing to repair.
        QCOMPARE(Eval(U("world:check()")), U("0"));
    }

    void startupAgainGivesFreshWorld_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("aliases");
        QTest::newRow("plain") << U("") << U("nil");
        // Without the class to recognise old objects by, what the old world lists still goes.
        QTest::newRow("class global replaced") << U("OBJECT = nil") << U("wick");
    }

    void startupAgainGivesFreshWorld()
    {
        QFETCH(QString, before);
        QFETCH(QString, aliases);
        QVERIFY(Run(U("world:create('lamp', 'Лампа'); lamp:create('wick'); player:add(lamp); "
                      "test_alias = wick; test_plain = 5; test_keep = { world, player }"))
                    .isEmpty());
        QVERIFY(Run(before).isEmpty());
        QVERIFY(Run(U("dofile 'startup.lua'; update_items()")).isEmpty());
        QCOMPARE(Eval(U("tostring(lamp) .. tostring(wick)")), U("nilnil"));
        QCOMPARE(Eval(U("test_alias and test_alias.uid or 'nil'")), aliases);
        QCOMPARE(Eval(U("test_plain")), U("5"));
        QCOMPARE(Eval(U("tostring(world ~= test_keep[1] and player ~= test_keep[2])")), U("true"));
        QCOMPARE(Eval(U("test_uids(world.items) .. '|' .. test_uids(player.parents)")), U("player|nil"));
        QCOMPARE(Eval(U("world.name .. '|' .. player.name .. '|' .. tostring(world.parent)")),
                 U("Мир|Игрок|nil"));
        // An object's own fields are data only; its methods come from the class.
        QCOMPARE(Eval(U("(function () local k = {} for f in pairs(player) do table.insert(k, f) end "
                        "table.sort(k) return table.concat(k, ' ') end)()")),
                 U("data ide_data items name parent uid"));
        QVERIFY(Run(U("world:create('lamp')")).isEmpty()); // the old uids are free again
        QCOMPARE(Eval(U("world:check()")), U("0"));
    }

    void check_data()
    {
        QTest::addColumn<QString>("damage");
        QTest::addColumn<QStringList>("mentions");
        QTest::addColumn<QString>("probe");
        QTest::addColumn<QString>("expected");
        for (const CheckCase &c : kCheck) {
            QTest::newRow(c.name) << U(c.damage) << U(c.mentions).split(QLatin1Char(' '), Qt::SkipEmptyParts)
                                  << U(c.probe) << U(c.expected);
        }
    }

    void check()
    {
        QFETCH(QString, damage);
        QFETCH(QStringList, mentions);
        QFETCH(QString, probe);
        QFETCH(QString, expected);
        const QString setup = Run(U("world:create('hall'); hall:create('chest'); chest:create('coin'); "
                                    "world:create('key'); hall:add(key); chest:add(key); "
                                    "player:add(chest)"));
        QVERIFY2(setup.isEmpty(), qPrintable(setup));
        const QString failure = Run(damage);
        QVERIFY2(failure.isEmpty(), qPrintable(failure));

        QVERIFY(Run(U("test_repairs = (test_root or world):check()")).isEmpty());
        const QStringList lines = m_sink.Texts(ConsoleKind::Normal);
        QVERIFY2(lines.size() == mentions.size(), qPrintable(lines.join(QLatin1Char('\n'))));
        for (int i = 0; i < lines.size(); ++i)
            QVERIFY2(lines[i].contains(U("«") + mentions[i] + U("»")), qPrintable(lines[i]));
        QCOMPARE(Eval(U("test_repairs")), QString::number(mentions.size()));
        QCOMPARE(Eval(probe), expected);
        // What was repaired stays repaired.
        QCOMPARE(Eval(U("world:check()")), U("0"));
    }
};

TARNWICK_TEST(EngineObjectsTest)

#include "tst_objects.moc"
