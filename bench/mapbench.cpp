#include "app/mainwin.h"
#include "bench/benchmarks.h"
#include "map/mapsurface.h"
#include "map/mapwin.h"
#include "project/projectcommands.h"
#include "script/scripthost.h"
#include "tree/itemswin.h"

#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int kRuns = 15;

// A page of 1,000 icons on a 40 × 25 grid of the objects named by `uid (i)`, each joined to its
// right and lower neighbours (wrapping): 2,000 connections.
const char kMapOf[] = R"lua(
function bench_map (uid)
  local icons, links = {}, {}
  for i = 0, 999 do
    table.insert(icons, uid(i)); table.insert(icons, math.mod(i, 40) * 32 + 8)
    table.insert(icons, math.floor(i / 40) * 32)
    table.insert(links, uid(i)); table.insert(links, uid(math.mod(i + 1, 1000)))
    table.insert(links, uid(i)); table.insert(links, uid(math.mod(i + 40, 1000)))
  end
  IDE_MAP:load {{name = 'Карта', icons = icons, links = links}}
end
)lua";

// The lines of the page as mapdrawline draws them, worked out in C++ alone.
std::vector<QLine> LinesOf(const TMapSurface &surface)
{
    std::vector<QLine> lines;
    const MapIcons &icons = surface.Icons();
    const QPoint shift = QPoint(MapGrid::kAnchor, MapGrid::kAnchor) - surface.Origin();
    for (int i = 0; i < 1000; ++i) {
        for (const int j : {(i + 1) % 1000, (i + 40) % 1000}) {
            const int a = icons.LastOf(icons.At(i).caption);
            const int b = icons.LastOf(icons.At(j).caption);
            if (a >= 0 && b >= 0)
                lines.emplace_back(icons.At(a).position + shift, icons.At(b).position + shift);
        }
    }
    return lines;
}

void BenchPaint()
{
    TMainWin main;
    main.Host().RunLua(QString::fromLatin1(kMapOf) + QStringLiteral(
        "for i = 0, 999 do world:create('o' .. i) end bench_map(function (i) return 'o' .. i end)"));
    TMapWin *map = main.Map();
    map->setFloating(true);
    map->resize(1320, 880);
    map->show();
    if (!QTest::qWaitForWindowExposed(map))
        std::printf("map: the map window was not shown\n");
    TMapSurface *surface = map->Map();
    QCoreApplication::processEvents();

    std::vector<double> paints;
    std::vector<double> draws;
    std::vector<double> bare;
    const QRect all(QPoint(0, 0), surface->viewport()->size());
    QImage image(all.size(), QImage::Format_ARGB32_Premultiplied);
    for (int run = 0; run < kRuns; ++run) {
        QElapsedTimer clock;
        clock.start();
        surface->viewport()->repaint();
        paints.push_back(Seconds(clock));
        clock.restart();
        map->MapPrePaint();
        draws.push_back(Seconds(clock));
        clock.restart();
        QPainter painter(&image);
        surface->PaintPage(painter, all, LinesOf(*surface));
        painter.end();
        bare.push_back(Seconds(clock));
    }
    const double paint = Median(paints);
    const double baseline = Median(bare);
    std::printf("map: one paint, 1,000 icons and 2,000 lines (%dx%d, IDE_MAP:draw() included) %.2f ms "
                "(target < 16)\n", all.width(), all.height(), paint * 1e3);
    std::printf("map: of which IDE_MAP:draw() with its 2,000 mapdrawline calls   %.2f ms\n",
                Median(draws) * 1e3);
    std::printf("map: the same icons and lines painted from C++ alone          %.2f ms\n", baseline * 1e3);
    std::printf("map: paint to C++ alone                                       %.2f (target <= 3)\n",
                paint / baseline);
}

struct SaveOpen
{
    double save = 1e9;
    double open = 1e9;
    double mapSave = 1e9;
    double mapOpen = 1e9;
};

// Saves the 10,000-object world and opens it again, with a 1,000-icon map or without one, from a
// fresh program whose heap has just been collected.
void TimeSaveOpen(bool withMap, SaveOpen *best)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("big.twk"));
    TMainWin main;
    main.Host().RunLua(QString::fromUtf8(kTenThousandObjects) + QString::fromLatin1(kMapOf));
    if (withMap) {
        main.Host().RunLua(QStringLiteral("bench_map(function (i) return 'thing' .. "
                                          "(math.floor(i / 99) + 1) .. '_' .. (math.mod(i, 99) + 1) end)"));
    }
    main.RefreshTree();
    main.Host().RunLua(QStringLiteral("collectgarbage()"));
    QElapsedTimer clock;
    clock.start();
    main.Project().WriteProject(path);
    best->save = std::min(best->save, Seconds(clock));
    main.Project().New();
    main.Host().RunLua(QStringLiteral("collectgarbage()"));
    clock.restart();
    main.Project().OpenFile(path);
    best->open = std::min(best->open, Seconds(clock));
    if (withMap && main.Map()->PageItemsCount() != 1000)
        std::printf("map: THE MAP DID NOT COME BACK (%d icons)\n", main.Map()->PageItemsCount());
    if (withMap) {
        // The map's own part of both, measured alone: what a busy machine cannot blur.
        std::vector<double> saves;
        std::vector<double> opens;
        main.Host().RunLua(QStringLiteral("bench_lines = {} IDE_MAP:project_lines(bench_lines) "
                                          "bench_statement = table.concat(bench_lines, '\\n')"));
        for (int run = 0; run < kRuns; ++run) {
            clock.restart();
            main.Host().RunLua(QStringLiteral("IDE_MAP:saveitems() IDE_MAP:project_lines({})"));
            saves.push_back(Seconds(clock));
            clock.restart();
            main.Host().RunLua(QStringLiteral("loadstring(bench_statement)()"));
            opens.push_back(Seconds(clock));
        }
        best->mapSave = std::min(best->mapSave, Median(saves));
        best->mapOpen = std::min(best->mapOpen, Median(opens));
    }
    QDir::setCurrent(QCoreApplication::applicationDirPath());
}

// Without a map and with one in turns, each first in every other round, so both meet the machine
// in the same state; the best of each.
void BenchSaveOpen()
{
    SaveOpen best[2];
    for (int run = 0; run < 4; ++run) {
        TimeSaveOpen(run % 2 == 1, &best[run % 2]);
        TimeSaveOpen(run % 2 == 0, &best[(run + 1) % 2]);
    }
    std::printf("map: 10,000 objects saved without a map / with 1,000 icons     %.3f / %.3f s, "
                "%+.0f%% (target <= +20%%)\n",
                best[0].save, best[1].save, (best[1].save / best[0].save - 1) * 100);
    std::printf("map: the same opened without a map / with 1,000 icons         %.3f / %.3f s, "
                "%+.0f%% (target <= +20%%)\n",
                best[0].open, best[1].open, (best[1].open / best[0].open - 1) * 100);
    std::printf("map: the map's own part, saved / opened (1,000 icons)         %.1f / %.1f ms, "
                "%.0f%% / %.0f%% of the save / open without a map\n",
                best[1].mapSave * 1e3, best[1].mapOpen * 1e3, best[1].mapSave / best[0].save * 100,
                best[1].mapOpen / best[0].open * 100);
}

} // namespace

void BenchMap()
{
    BenchPaint();
    BenchSaveOpen();
}
