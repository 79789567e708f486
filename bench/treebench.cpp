#include "bench/benchmarks.h"
#include "script/scripthost.h"
#include "script/worldwalk.h"
#include "tree/itemstree.h"
#include "tree/itemswin.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTreeWidget>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int kRuns = 7;

// Ten objects under every owner, four levels deep (10 + 100 + 1,000 + 10,000 objects), then 1,000
// references from second-level objects to distinct fourth-level ones.
const char kWorld[] = R"lua(
dofile 'startup.lua'
local function fill (owner, level, first)
  if level > 4 then return end
  for i = 1, 10 do
    local index = (first - 1) * 10 + i
    local o = owner:create('o' .. level .. '_' .. index)
    fill(o, level + 1, index)
  end
end
for i = 1, 10 do
  local o = world:create('o1_' .. i)
  for j = 1, 10 do fill(o:create('o2_' .. ((i - 1) * 10 + j)), 3, (i - 1) * 10 + j) end
end
for i = 1, 1000 do
  _G['o2_' .. (math.mod(i, 100) + 1)]:add(_G['o4_' .. (math.mod(i * 7, 10000) + 1)])
end
)lua";

class ErrorCounter : public ConsoleSink
{
public:
    void ConsolePrint(const QString &, int kind) override { errors += kind == ConsoleKind::Error; }
    int errors = 0;
};

void Settle()
{
    QCoreApplication::processEvents();
}

int CountNodes(const WorldNode &node, int *references)
{
    int count = 1;
    *references += node.reference;
    for (const WorldNode &child : node.children)
        count += CountNodes(child, references);
    return count;
}

QTreeWidgetItem *BareItems(const WorldNode &node)
{
    auto *item = new QTreeWidgetItem(QStringList(node.text));
    QList<QTreeWidgetItem *> children;
    children.reserve(qsizetype(node.children.size()));
    for (const WorldNode &child : node.children)
        children.append(BareItems(child));
    item->addChildren(children);
    return item;
}

// The least a rebuild can cost: the same walk, and the same nodes put into a bare tree view at
// once.
double BareSeconds(ScriptHost &host)
{
    QTreeWidget bare;
    bare.setHeaderHidden(true);
    bare.resize(501, 478);
    bare.show();
    Settle();
    std::vector<double> runs;
    for (int i = 0; i < kRuns; ++i) {
        QElapsedTimer clock;
        clock.start();
        const WorldNode world = WorldWalk(host.State()).Read(QStringLiteral("world"));
        bare.clear();
        QTreeWidgetItem *root = BareItems(world);
        bare.addTopLevelItem(root);
        root->setExpanded(true);
        Settle();
        runs.push_back(Seconds(clock));
    }
    return Median(runs);
}

double Timed(void (*run)(ScriptHost &, TItemsWin &), ScriptHost &host, TItemsWin &tree)
{
    std::vector<double> runs;
    for (int i = 0; i < kRuns; ++i) {
        QElapsedTimer clock;
        clock.start();
        run(host, tree);
        Settle();
        runs.push_back(Seconds(clock));
    }
    return Median(runs);
}

struct TreeFigures
{
    double rebuild;
    double check;
    double walk;
    double ownPart;
};

TreeFigures RebuildSeconds(ScriptHost &host)
{
    TItemsWin tree(host);
    tree.resize(501, 478);
    tree.show();
    Settle();
    TreeFigures figures;
    const auto rebuild = [](ScriptHost &, TItemsWin &t) { t.UpdateItems(QStringLiteral("player")); };
    figures.rebuild = Timed(rebuild, host, tree);
    if (tree.SelectedUid() != QLatin1String("player"))
        std::printf("tree: the rebuild did not select the player\n");
    figures.check = Timed(
        [](ScriptHost &h, TItemsWin &) { h.RunLua(QStringLiteral("world:check()")); }, host, tree);
    figures.walk = Timed([](ScriptHost &h, TItemsWin &) {
        WorldWalk(h.State()).Read(QStringLiteral("world"));
    }, host, tree);
    // The window's own share: the same rebuild with the engine's check made a no-op.
    host.RunLua(QStringLiteral("local check = OBJECT.check OBJECT.check = function () end "
                               "bench_check = check"));
    figures.ownPart = Timed(rebuild, host, tree);
    host.RunLua(QStringLiteral("OBJECT.check = bench_check bench_check = nil"));
    return figures;
}

bool DeepChainRebuilds()
{
    ScriptHost host;
    ErrorCounter console;
    host.SetConsole(&console);
    host.RunLua(QStringLiteral("dofile 'startup.lua' local o = world "
                               "for i = 1, 300 do o = o:create('o' .. i) end"));
    TItemsWin tree(host);
    tree.UpdateItems(QStringLiteral("o300"));
    int depth = 0;
    for (QTreeWidgetItem *node = tree.SelectedNode(); node && node->parent(); node = node->parent())
        ++depth;
    host.SetConsole(nullptr);
    return console.errors == 0 && depth == 300 && tree.SelectedUid() == QLatin1String("o300");
}

} // namespace

void BenchTree()
{
    ScriptHost host;
    host.RunLua(QString::fromLatin1(kWorld));
    int references = 0;
    const WorldNode world = WorldWalk(host.State()).Read(QStringLiteral("world"));
    const int nodes = CountNodes(world, &references);
    const double bare = BareSeconds(host);
    const TreeFigures tree = RebuildSeconds(host);
    const bool deep = DeepChainRebuilds();
    const QByteArray rebuilt = QStringLiteral("UpdateItems, %1 nodes (%2 references)")
                                   .arg(nodes)
                                   .arg(references)
                                   .toLatin1();
    std::printf("tree:    %-44s %.4f s (target < 0.060)\n", rebuilt.constData(), tree.rebuild);
    std::printf("tree:      %-42s %.4f s\n", "of which world:check() alone", tree.check);
    std::printf("tree:    %-44s %.4f s (target < 0.060)\n", "UpdateItems with a no-op world:check()",
                tree.ownPart);
    std::printf("tree:      %-42s %.4f s\n", "of which the Lua-API walk alone", tree.walk);
    std::printf("tree:    %-44s %.4f s\n", "baseline: the walk and a bare tree view", bare);
    std::printf("tree:    %-44s %.2f (target <= 3)\n", "UpdateItems to baseline", tree.rebuild / bare);
    std::printf("tree:    %-44s %.2f (target <= 3)\n", "UpdateItems with no-op check to baseline",
                tree.ownPart / bare);
    std::printf("tree:    %-44s %s\n", "300-level chain rebuilt",
                deep ? "without error" : "FAILED");
}
