#include "app/mainwin.h"
#include "bench/benchmarks.h"
#include "project/projectcommands.h"
#include "script/scripthost.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

namespace {

// Resident memory of this process in megabytes, as the kernel reports it.
double ResidentMegabytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    return -1;
}

} // namespace

const char *const kTenThousandObjects = R"lua(
for r = 1, 100 do
  local room = world:create('room' .. r, 'Комната ' .. r)
  for t = 1, 99 do
    local thing = room:create('thing' .. r .. '_' .. t, 'Вещь ' .. t)
    thing.ide_data.look = 'print("Это вещь ' .. t .. '")'
    thing.ide_data.take = 'if self.data.weight > 3 then\n  print("Тяжело")\nend'
    thing.ide_data.hooks = 'if event.verb == "go" then return true end'
    thing.data.weight = t
    thing.data.tags = { 'a', 'b' }
  end
  room.ide_data.look = 'print(self.name)'
  room.ide_data.go = 'player:moveto(self)'
  room.ide_data.constructor = 'self.data.visits = 0'
end
)lua";

void BenchProject()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("big.twk"));
    TMainWin main;
    main.Host().RunLua(QString::fromUtf8(kTenThousandObjects));
    main.RefreshTree();

    QElapsedTimer clock;
    clock.start();
    const bool saved = main.Project().WriteProject(path);
    const double saveSeconds = Seconds(clock);

    QFile written(path);
    written.open(QIODevice::ReadOnly);
    const QByteArray bytes = written.readAll();
    written.close();
    clock.restart();
    QFile plain(dir.filePath(QStringLiteral("plain.twk")));
    plain.open(QIODevice::WriteOnly);
    plain.write(bytes);
    plain.close();
    const double plainSeconds = Seconds(clock);

    main.Project().New();
    const double before = ResidentMegabytes();
    clock.restart();
    main.Project().OpenFile(path);
    const double openSeconds = Seconds(clock);
    const double after = ResidentMegabytes();
    const QString count = main.Host().EvalString(QStringLiteral("table.getn(room100.items)"));

    std::printf("project: 10,000 objects saved (%s, %.1f MB)   %.3f s (target < 0.5)\n",
                saved ? "written" : "NOT WRITTEN", double(bytes.size()) / 1e6, saveSeconds);
    std::printf("project: same bytes, one plain write          %.4f s\n", plainSeconds);
    std::printf("project: save to plain write                  %.1f\n", saveSeconds / plainSeconds);
    std::printf("project: opened, tree rebuilt (%s in room100) %.3f s (target < 1.5)\n",
                qPrintable(count), openSeconds);
    std::printf("project: resident memory after open           %.0f MB (before open %.0f; target < 200)\n",
                after, before);
    QDir::setCurrent(QCoreApplication::applicationDirPath());
}
