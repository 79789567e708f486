#include "bench/benchmarks.h"
#include "properties/propertieswin.h"
#include "script/scripthost.h"
#include "widgets/windowlinks.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTreeWidget>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int kProperties = 300;
constexpr int kRuns = 15;

// The limit: the same number of captions put into a bare list of the same kind. Both figures
// include the events that follow, so the list has been laid out and painted.
double BareListMs()
{
    QTreeWidget list;
    list.resize(152, 400);
    list.show();
    QCoreApplication::processEvents();
    std::vector<double> runs;
    for (int run = 0; run < kRuns; ++run) {
        QElapsedTimer clock;
        clock.start();
        list.clear();
        for (int i = 0; i <= kProperties; ++i)
            new QTreeWidgetItem(&list, {QStringLiteral("method%1").arg(i)});
        list.setCurrentItem(list.topLevelItem(0));
        QCoreApplication::processEvents();
        runs.push_back(Seconds(clock) * 1e3);
    }
    return Median(runs);
}

double ShowObjectMs()
{
    ScriptHost host;
    host.RunLua(QStringLiteral("dofile 'startup.lua'"));
    host.RunLua(QStringLiteral("local hall = world:create('hall', 'Зал') "
                               "for i = 1, %1 do hall.ide_data['method' .. i] = 'print(' .. i .. ')' end "
                               "hall.ide_data.constructor = '' hall.ide_data.hooks = ''")
                    .arg(kProperties - 2));
    BenchSelection selection;
    TPropertiesWin win(host);
    win.SetSelection(&selection);
    win.show();
    QCoreApplication::processEvents();
    std::vector<double> runs;
    for (int run = 0; run < kRuns; ++run) {
        QElapsedTimer clock;
        clock.start();
        win.ShowObject(QStringLiteral("hall"));
        QCoreApplication::processEvents();
        runs.push_back(Seconds(clock) * 1e3);
    }
    if (win.PropNames()->topLevelItemCount() != kProperties + 1)
        std::printf("properties: the list shows %d entries instead of %d\n",
                    win.PropNames()->topLevelItemCount(), kProperties + 1);
    return Median(runs);
}

} // namespace

void BenchProperties()
{
    const double bare = BareListMs();
    const double show = ShowObjectMs();
    std::printf("properties: ShowObject, %d properties     %.2f ms (target < 20)\n", kProperties, show);
    std::printf("properties: bare list of the same size     %.2f ms\n", bare);
    std::printf("properties: ratio to the bare list         %.2f\n", show / bare);
}
