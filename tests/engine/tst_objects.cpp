// The object protocol that startup.lua sets up, driven through the script host as the program
// drives it: Lua text in, values and console lines out.

#include "script/scriptclients.h"
#include "script/scripthost.h"
#include "tests/support/recordingconsole.h"
#include "tests/testmain.h"

#include <QStringList>
#include <QTest>

#include <memory>

namespace {

QString U(const char *text)
{
    return QString::fromUtf8(text);
}

// Read the world with plain table access only, never through the protocol's methods:
// test_uids(list) gives the uids of a list joined by commas ('nil' for no list);
// test_sound() gives 'ok' or the first thing in the tree that disagrees with the protocol.
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

function test_sound ()
  local seen = {}
  local function holds (list, value)
    for i = 1, table.getn(list or {}) do if list[i] == value then return true end end
    return false
  end
  local function visit (o)
    if seen[o] then error('owned twice: ' .. o.uid, 0) end
    seen[o] = true
    if rawget(_G, o.uid) ~= o then error('global does not hold ' .. o.uid, 0) end
    if o.parents ~= nil and table.getn(o.parents) == 0 then error('empty parents: ' .. o.uid, 0) end
    local listed = {}
    for i = 1, table.getn(o.items) do
      local e = o.items[i]
      if type(e) ~= 'table' then error('not an object in ' .. o.uid, 0) end
      if listed[e] then error('listed twice in ' .. o.uid, 0) end
      listed[e] = true
      if e.parent == o then
        visit(e)
      else
        if rawget(_G, e.uid) ~= e then error('dangling ' .. e.uid .. ' in ' .. o.uid, 0) end
        if not holds(e.parents, o) then error(e.uid .. '.parents lacks ' .. o.uid, 0) end
      end
    end
  end
  local ok, message = pcall(function ()
    if world.parent ~= nil then error('world has an owner', 0) end
    visit(world)
    for o in pairs(seen) do
      for i = 1, table.getn(o.parents or {}) do
        local p = o.parents[i]
        if not seen[p] or p == o.parent or not holds(p.items, o) then
          error(o.uid .. '.parents holds ' .. tostring(p.uid) .. ', which does not list it', 0)
        end
      end
    end
    for k, v in pairs(_G) do
      if type(v) == 'table' and getmetatable(v) == OBJECT and v.uid == k and not seen[v] then
        error('outside the tree: ' .. k, 0)
      end
    end
  end)
  if ok then return 'ok' end
  return message
end
)lua";

// setup must succeed; then action must fail with `error` in its message (or succeed when error is
// empty); then probe must read `expected`, and the tree must be sound.
struct Case
{
    const char *name, *setup, *action, *error, *probe, *expected;
};

template <size_t N>
void AddCases(const Case (&cases)[N])
{
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("error");
    QTest::addColumn<QString>("probe");
    QTest::addColumn<QString>("expected");
    for (const Case &c : cases)
        QTest::newRow(c.name) << U(c.setup) << U(c.action) << U(c.error) << U(c.probe) << U(c.expected);
}

const Case kStartup[] = {
    {"world", "", "", "", "world.uid .. '|' .. world.name .. '|' .. tostring(world.parent)",
     "world|Мир|nil"},
    {"player", "", "", "", "player.uid .. '|' .. player.name .. '|' .. player.parent.uid",
     "player|Игрок|world"},
    {"world owns the player", "", "", "", "test_uids(world.items)", "player"},
    {"own fields are data only", "", "", "",
     "(function () local k = {} for f in pairs(player) do table.insert(k, f) end "
     "table.sort(k) return table.concat(k, ' ') end)()",
     "data ide_data items name parent uid"},
};

const Case kCreate[] = {
    {"owned by the caller", "world:create('room', 'Комната')", "room:create('box', 'Ящик')", "",
     "box.name .. '|' .. box.parent.uid .. '|' .. test_uids(room.items) .. '|' .. "
     "type(box.data) .. type(box.ide_data)",
     "Ящик|room|box|tabletable"},
    {"returns the object, named by its uid", "", "test_made = world:create('lamp')", "",
     "tostring(test_made == lamp) .. '|' .. lamp.name", "true|lamp"},
    {"tables of its own", "world:create('a')", "world:create('b')", "",
     "tostring(a.data ~= b.data and a.ide_data ~= b.ide_data and a.items ~= b.items)", "true"},
    {"uid of an object", "world:create('lamp', 'Лампа')", "player:create('lamp', 'Другая')",
     "«lamp» уже существует", "lamp.name .. '|' .. lamp.parent.uid .. '|' .. test_uids(player.items)",
     "Лампа|world|"},
    {"uid of another global", "", "world:create('print')", "занято",
     "type(print) .. '|' .. test_uids(world.items)", "function|player"},
    {"keyword", "", "world:create('end')", "не годится", "test_uids(world.items)", "player"},
    {"not an identifier", "", "world:create('2lamp')", "не годится", "test_uids(world.items)", "player"},
    {"uid not a string", "", "world:create(5)", "строкой", "test_uids(world.items)", "player"},
    {"name not a string", "", "world:create('lamp', {})", "строкой", "tostring(lamp)", "nil"},
    {"removed owner", "world:create('box'); test_box = box; box:remove(); box = nil",
     "test_box:create('coin')", "«box» удален", "tostring(coin)", "nil"},
    {"called with a dot", "", "world.create('lamp')", "двоеточие", "tostring(lamp)", "nil"},
};

#define ROOMS "world:create('hall'); world:create('cellar'); world:create('key')"
#define LISTED ROOMS "; hall:add(key); cellar:add(key)"
#define REFS "test_uids(hall.items) .. '|' .. test_uids(key.parents) .. '|' .. key.parent.uid"

const Case kReferences[] = {
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
    {"remove what is not listed", LISTED, "hall:remove(player)", "", REFS, "key|hall,cellar|world"},
    {"remove the owned", LISTED, "world:remove(key)", "принадлежит",
     "test_uids(world.items) .. '|' .. test_uids(key.parents)", "player,hall,cellar,key|hall,cellar"},
    {"remove nil is not removal of the caller", LISTED, "hall:remove(nil)", "Не указано",
     "test_uids(world.items) .. '|' .. test_uids(hall.items)", "player,hall,cellar,key|key"},
    {"add a catcher", ROOMS, "test_f = function () end; hall:add(test_f); hall:add(test_f)", "",
     "table.getn(hall.hooks) .. tostring(hall.hooks[1] == test_f) .. test_uids(hall.items)", "1true"},
    {"remove a catcher", ROOMS, "test_f = function () end; hall:add(test_f); hall:remove(test_f)", "",
     "tostring(hall.hooks)", "nil"},
};

#define TREE                                                                                       \
    "world:create('hall'); hall:create('chest'); chest:create('coin'); world:create('cellar')"

const Case kRemove[] = {
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
    {"the world", TREE, "world:remove()", "корень", "world.uid .. '|' .. test_uids(world.items)",
     "world|player,hall,cellar"},
    {"twice", TREE, "test_hall = hall; hall:remove(); test_hall:remove()", "«hall» удален",
     "test_uids(world.items)", "player,cellar"},
};

#define PLACES                                                                                     \
    "chest.parent.uid .. '|' .. test_uids(hall.items) .. '|' .. test_uids(cellar.items) .. '|' "   \
    ".. test_uids(chest.items)"

const Case kMoveto[] = {
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
    {"the world", TREE, "world:moveto(hall)", "корень",
     "tostring(world.parent) .. '|' .. test_uids(hall.items)", "nil|chest"},
    {"nowhere", TREE, "chest:moveto(nil)", "Не указан", PLACES, "hall|chest||coin"},
    {"into a removed object", TREE "; test_cellar = cellar; cellar:remove(); cellar = nil",
     "chest:moveto(test_cellar)", "«cellar» удален", "chest.parent.uid .. '|' .. test_uids(hall.items)",
     "hall|chest"},
};

#define CHEST                                                                                      \
    "world:create('key'); world:create('chest', 'Сундук'); chest:create('coin'); coin:create('gem')"

const Case kClone[] = {
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
    {"shared and cyclic data",
     CHEST "; chest.data.a = {}; chest.data.b = chest.data.a; chest.data.a.me = chest.data.a",
     "world:clone(chest, 'box')", "",
     "tostring(box.data.a == box.data.b and box.data.a.me == box.data.a and box.data.a ~= chest.data.a)",
     "true"},
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
    {"the original stays", CHEST, "world:clone(chest, 'box')", "",
     "test_uids(chest.items) .. '|' .. coin.parent.uid .. '|' .. test_uids(gem.items)", "coin|chest|"},
    {"uid taken", CHEST, "world:clone(chest, 'key')", "«key» уже существует",
     "tostring(coin1) .. '|' .. test_uids(world.items)", "nil|player,key,chest"},
};

const Case kGlobalClone[] = {
    {"plain values", "", "test_a, test_b, test_c = clone(5), clone('x'), clone(nil)", "",
     "test_a .. test_b .. tostring(test_c)", "5xnil"},
    {"nested tables are new", "",
     "test_src = { a = { b = { 1 } } }; test_copy = clone(test_src); test_copy.a.b[1] = 2", "",
     "tostring(test_copy ~= test_src and test_copy.a ~= test_src.a) .. test_src.a.b[1]", "true1"},
    {"cycles", "", "test_src = {}; test_src.me = test_src; test_copy = clone(test_src)", "",
     "tostring(test_copy.me == test_copy and test_copy ~= test_src)", "true"},
    {"sharing", "", "local s = {} test_src = { s, s }; test_copy = clone(test_src)", "",
     "tostring(test_copy[1] == test_copy[2] and test_copy[1] ~= test_src[1])", "true"},
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
    {"sound", "", "", "test_uids(world.items)", "player,hall,key"},
    {"sound after every method",
     "world:create('lamp'); lamp:moveto(chest); hall:clone(chest, 'box'); box:add(lamp); "
     "hall:remove(key); coin:remove()",
     "", "test_uids(box.items) .. '|' .. test_uids(chest.items)", "coin1,key,lamp1,lamp|key,lamp"},
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
    {"owner link to a stranger", "chest.parent = world", "chest",
     "chest.parent.uid .. '|' .. test_uids(chest.parents)", "hall|player"},
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

    void RunCase()
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
        QCOMPARE(Eval(U("test_sound()")), U("ok"));
    }

    std::unique_ptr<ScriptHost> m_host;
    RecordingConsole m_sink;

private slots:
    void init()
    {
        m_host = std::make_unique<ScriptHost>();
        m_host->SetConsole(&m_sink);
        const QString failure = Run(U("dofile 'startup.lua'"));
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
        QVERIFY(Run(QString::fromLatin1(kHelpers)).isEmpty());
    }
    void cleanup() { m_host.reset(); }

    void startupWorld_data() { AddCases(kStartup); }
    void startupWorld() { RunCase(); }
    void create_data() { AddCases(kCreate); }
    void create() { RunCase(); }
    void references_data() { AddCases(kReferences); }
    void references() { RunCase(); }
    void removeObject_data() { AddCases(kRemove); }
    void removeObject() { RunCase(); }
    void moveto_data() { AddCases(kMoveto); }
    void moveto() { RunCase(); }
    void clone_data() { AddCases(kClone); }
    void clone() { RunCase(); }
    void globalClone_data() { AddCases(kGlobalClone); }
    void globalClone() { RunCase(); }

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
        QCOMPARE(Eval(U("world.name .. '|' .. player.name")), U("Мир|Игрок"));
        QVERIFY(Run(U("world:create('lamp')")).isEmpty()); // the old uids are free again
        QCOMPARE(Eval(U("test_sound()")), U("ok"));
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
        for (int i = 0; i < lines.size(); ++i) {
            QVERIFY2(lines[i].contains(U("«") + mentions[i] + U("»")), qPrintable(lines[i]));
        }
        QCOMPARE(Eval(U("test_repairs")), QString::number(mentions.size()));
        QCOMPARE(Eval(probe), expected);
        QCOMPARE(Eval(U("test_sound()")), U("ok"));

        // What was repaired stays repaired.
        QVERIFY(Run(U("world:check()")).isEmpty());
        QVERIFY2(m_sink.Texts(ConsoleKind::Normal).isEmpty(),
                 qPrintable(m_sink.Texts(ConsoleKind::Normal).join(QLatin1Char('\n'))));
    }
};

TARNWICK_TEST(EngineObjectsTest)

#include "tst_objects.moc"
