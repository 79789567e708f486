#include "bench/benchmarks.h"
#include "script/scripthost.h"
#include "tree/itemsdrophandler.h"
#include "tree/itemseditor.h"
#include "tree/itemstree.h"
#include "tree/itemswin.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTreeWidgetItemIterator>

#include <cstdio>

namespace {

// 100 rooms under the world with 99 objects each: 10,000 objects. The room after every tenth
// room lists the first object of that room as a reference, so some of the objects deleted are
// referenced after their owned node and owe the tree a rebuild.
const char kWorld[] = R"lua(
dofile 'startup.lua'
for r = 1, 100 do
  local room = world:create('r' .. r)
  for i = 1, 99 do room:create('o' .. r .. '_' .. i) end
end
for r = 1, 91, 10 do _G['r' .. (r + 1)]:add(_G['o' .. r .. '_1']) end
)lua";

// Counts what a group costs besides its own statements: the rebuilds and the red lines.
class CountingConsole : public ConsoleSink
{
public:
    void ConsolePrint(const QString &text, int kind) override
    {
        if (kind == ConsoleKind::Command) {
            if (text == QLatin1String("world:check()"))
                ++rebuilds;
            else
                ++statements;
        }
        errors += kind == ConsoleKind::Error;
    }
    int rebuilds = 0;
    int statements = 0;
    int errors = 0;
};

void Settle()
{
    QCoreApplication::processEvents();
}

int CountNodes(const TItemsWin &tree)
{
    int count = 0;
    for (QTreeWidgetItemIterator it(tree.Items()); *it; ++it)
        ++count;
    return count;
}

// The marks as Ctrl+clicks leave them.
void Mark(TItemsWin &tree, const QStringList &names)
{
    tree.Marks().Reset(names.first());
    for (qsizetype i = 1; i < names.size(); ++i)
        tree.Marks().Press(names.at(i), true);
    tree.MarksChanged();
}

struct GroupFigures
{
    double seconds = 0;
    int rebuilds = 0;
    int statements = 0;
    int errors = 0;
    int nodesLeft = 0;
};

// Deletes `count` marked objects, spread over the rooms, from a fresh world.
GroupFigures GroupDelete(int count)
{
    ScriptHost host;
    CountingConsole console;
    host.SetConsole(&console);
    host.RunLua(QString::fromLatin1(kWorld));
    TItemsWin tree(host);
    host.SetItems(&tree);
    tree.resize(501, 478);
    tree.show();
    Settle();
    QStringList names;
    const int step = 9900 / count;
    for (int n = 0; n < count; ++n) {
        const int index = n * step;
        names << QStringLiteral("o%1_%2").arg(index / 99 + 1).arg(index % 99 + 1);
    }
    Mark(tree, names);
    console = CountingConsole();
    QElapsedTimer clock;
    clock.start();
    tree.Editor().N2Click();
    Settle();
    GroupFigures figures;
    figures.seconds = Seconds(clock);
    figures.rebuilds = console.rebuilds;
    figures.statements = console.statements;
    figures.errors = console.errors;
    figures.nodesLeft = CountNodes(tree);
    host.SetItems(nullptr);
    host.SetConsole(nullptr);
    return figures;
}

// Moves `count` marked objects, taken from many rooms, into the last room.
GroupFigures GroupDrop(int count)
{
    ScriptHost host;
    CountingConsole console;
    host.SetConsole(&console);
    host.RunLua(QString::fromLatin1(kWorld));
    TItemsWin tree(host);
    host.SetItems(&tree);
    tree.resize(501, 478);
    tree.show();
    Settle();
    QStringList names;
    for (int n = 0; n < count; ++n)
        names << QStringLiteral("o%1_%2").arg(n % 99 + 1).arg(n / 99 + 2);
    tree.UpdateItems(names.last());
    Mark(tree, names);
    QTreeWidgetItem *target = tree.FindObjectNode(tree.Root(), QStringLiteral("r100"));
    console = CountingConsole();
    QElapsedTimer clock;
    clock.start();
    GroupFigures figures;
    if (tree.Drops().ItemsDragOver(QStringLiteral("Items"), target, Qt::NoModifier))
        tree.Drops().ItemsDragDrop(QStringLiteral("Items"), target);
    Settle();
    figures.seconds = Seconds(clock);
    figures.rebuilds = console.rebuilds;
    figures.statements = console.statements;
    figures.errors = console.errors;
    QTreeWidgetItem *room = tree.FindObjectNode(tree.Root(), QStringLiteral("r100"));
    figures.nodesLeft = room ? room->childCount() : 0;
    host.SetItems(nullptr);
    host.SetConsole(nullptr);
    return figures;
}

// The baseline: one rebuild of the same world.
double RebuildSeconds()
{
    ScriptHost host;
    host.RunLua(QString::fromLatin1(kWorld));
    TItemsWin tree(host);
    tree.resize(501, 478);
    tree.show();
    Settle();
    QElapsedTimer clock;
    clock.start();
    tree.UpdateItems(QStringLiteral("player"));
    Settle();
    return Seconds(clock);
}

void Report(const char *what, const GroupFigures &figures, const char *left)
{
    std::printf("editing: %-44s %.3f s (target < 2), %d rebuild(s), %d statements, "
                "%d errors, %d %s\n",
                what, figures.seconds, figures.rebuilds, figures.statements, figures.errors,
                figures.nodesLeft, left);
}

} // namespace

void BenchTreeEditing()
{
    const double rebuild = RebuildSeconds();
    const GroupFigures delete100 = GroupDelete(100);
    const GroupFigures delete1000 = GroupDelete(1000);
    const GroupFigures drop20 = GroupDrop(20);
    const GroupFigures drop200 = GroupDrop(200);
    std::printf("editing: %-44s %.3f s\n", "baseline: UpdateItems, 10,000 objects", rebuild);
    Report("group delete of 100 marked", delete100, "nodes left");
    Report("group delete of 1,000 marked", delete1000, "nodes left");
    Report("group drop of 20 marked (move)", drop20, "nodes in the target");
    Report("group drop of 200 marked (move)", drop200, "nodes in the target");
    std::printf("editing: %-44s %.1f\n", "group delete of 1,000 to one rebuild",
                delete1000.seconds / rebuild);
    std::printf("editing: %-44s %.1f\n", "group drop of 200 to one rebuild",
                drop200.seconds / rebuild);
    std::printf("editing: %-44s %d -> %d (target: not growing with the group)\n",
                "rebuilds, group of 100 -> 1,000 deleted", delete100.rebuilds, delete1000.rebuilds);
    std::printf("editing: %-44s %d -> %d (target: not growing with the group)\n",
                "rebuilds, group of 20 -> 200 dropped", drop20.rebuilds, drop200.rebuilds);
}
