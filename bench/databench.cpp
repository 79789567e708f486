#include "bench/benchmarks.h"
#include "properties/methodeditor.h"
#include "properties/propertieswin.h"
#include "script/scripthost.h"
#include "widgets/windowlinks.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QTest>
#include <QTextBlock>
#include <QTreeWidget>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int kEntries = 10000;
constexpr int kLines = 10000;
constexpr int kRuns = 9;
constexpr int kKeystrokes = 60;

// Numbers, strings and booleans under string keys, a tenth of them tables of three, and an array
// part: 10,000 entries in all.
const char kData[] = R"lua(
dofile 'startup.lua'
local hall = world:create('hall', 'Зал')
local data = hall.data
local n = 0
for i = 1, 1000 do data[i] = i * 0.5; n = n + 1 end
while n < %1 do
  local k = n
  if math.mod(k, 10) == 0 then data['t' .. k] = { a = k, b = 'x' .. k }; n = n + 3
  elseif math.mod(k, 3) == 0 then data['s' .. k] = 'строка ' .. k; n = n + 1
  elseif math.mod(k, 3) == 1 then data['n' .. k] = k / 7; n = n + 1
  else data['b' .. k] = math.mod(k, 2) == 0; n = n + 1 end
end
)lua";

struct Row
{
    QString text;
    int parent;
};

// The rows a tree shows, parents before their entries.
std::vector<Row> RowsOf(const QTreeWidget &tree)
{
    std::vector<Row> rows;
    std::vector<const QTreeWidgetItem *> items;
    for (int i = 0; i < tree.topLevelItemCount(); ++i) {
        items.push_back(tree.topLevelItem(i));
        rows.push_back({tree.topLevelItem(i)->text(0), -1});
    }
    for (size_t i = 0; i < items.size(); ++i) {
        for (int c = 0; c < items[i]->childCount(); ++c) {
            items.push_back(items[i]->child(c));
            rows.push_back({items[i]->child(c)->text(0), int(i)});
        }
    }
    return rows;
}

// The baseline: the same rows put into a bare tree of the same kind, fully expanded.
void FillBare(QTreeWidget &tree, const std::vector<Row> &rows)
{
    tree.clear();
    std::vector<QTreeWidgetItem *> items(rows.size());
    QList<QTreeWidgetItem *> top;
    for (size_t i = 0; i < rows.size(); ++i) {
        const Row &row = rows[i];
        items[i] = row.parent < 0 ? new QTreeWidgetItem(QStringList{row.text})
                                  : new QTreeWidgetItem(items[size_t(row.parent)], QStringList{row.text});
        if (row.parent < 0)
            top.append(items[i]);
    }
    tree.addTopLevelItems(top);
    tree.expandAll();
}

template <typename Work>
double Ms(Work work)
{
    QElapsedTimer clock;
    clock.start();
    work();
    QCoreApplication::processEvents();
    return Seconds(clock) * 1e3;
}

void BenchDataTree()
{
    ScriptHost host;
    host.RunLua(QString::fromLatin1(kData).arg(kEntries));
    BenchSelection selection;
    TPropertiesWin win(host);
    win.SetSelection(&selection);
    win.resize(692, 476);
    win.show();
    win.ShowObject(QStringLiteral("hall"));
    QCoreApplication::processEvents();
    const std::vector<Row> rows = RowsOf(*win.Data());
    QTreeWidget bare;
    bare.setHeaderHidden(true);
    bare.setUniformRowHeights(true);
    bare.resize(win.Data()->size());
    bare.show();
    // Taken in turns, so both see the same load of the machine.
    std::vector<double> rebuilds;
    std::vector<double> fills;
    for (int run = 0; run < kRuns; ++run) {
        rebuilds.push_back(Ms([&] { win.RebuildDataTree(QStringLiteral("hall")); }));
        fills.push_back(Ms([&] { FillBare(bare, rows); }));
    }
    const double rebuild = Median(rebuilds);
    const double fill = Median(fills);
    std::printf("data: tree of %d entries rebuilt          %.1f ms (target < 100)\n", int(rows.size()),
                rebuild);
    std::printf("data: bare tree of the same rows          %.1f ms\n", fill);
    std::printf("data: ratio to the bare tree              %.2f (target <= 3)\n", rebuild / fill);
}

QString LongBody()
{
    QStringList lines;
    for (int i = 0; i < kLines; ++i) {
        switch (i % 4) {
        case 0: lines.append(QStringLiteral("if event.count > %1 then").arg(i)); break;
        case 1: lines.append(QStringLiteral("\tprint (\"шаг %1\", not done and 'да' or 'нет')").arg(i)); break;
        case 2: lines.append(QStringLiteral("\tfor i = 1, 3 do total = total + i end")); break;
        default: lines.append(QStringLiteral("end")); break;
        }
    }
    return lines.join(QLatin1Char('\n'));
}

// Median time of one typed letter in the middle of the text, with what follows it (restyling,
// capturing the pending edit, layout and painting).
double KeystrokeMs(QPlainTextEdit *editor)
{
    editor->setFocus();
    QTextCursor cursor(editor->document()->findBlockByNumber(kLines / 2));
    cursor.movePosition(QTextCursor::EndOfBlock);
    editor->setTextCursor(cursor);
    QCoreApplication::processEvents();
    std::vector<double> runs;
    for (int i = 0; i < kKeystrokes; ++i) {
        QElapsedTimer clock;
        clock.start();
        // A letter that makes and unmakes a keyword ("end" + "s", then Backspace) in turns.
        if (i % 2 == 0)
            QTest::keyClick(editor, Qt::Key_S);
        else
            QTest::keyClick(editor, Qt::Key_Backspace);
        QCoreApplication::processEvents();
        runs.push_back(Seconds(clock) * 1e3);
    }
    return Median(runs);
}

void BenchStyling()
{
    ScriptHost host;
    host.RunLua(QStringLiteral("dofile 'startup.lua'; world:create('hall', 'Зал')"));
    host.RunLua(QStringLiteral("hall.ide_data.look = [[") + LongBody() + QStringLiteral("]]"));
    BenchSelection selection;
    TPropertiesWin win(host);
    win.SetSelection(&selection);
    win.resize(692, 476);
    win.show();
    win.ShowObject(QStringLiteral("hall"));
    win.SelectProperty(QStringLiteral("look"));
    QCoreApplication::processEvents();
    MethodEditor *editor = win.Method();
    std::vector<double> runs;
    for (int run = 0; run < kRuns; ++run) {
        QElapsedTimer clock;
        clock.start();
        editor->ColourKeywords();
        QCoreApplication::processEvents();
        runs.push_back(Seconds(clock) * 1e3);
    }
    const double restyle = Median(runs);
    const double keystroke = KeystrokeMs(editor);

    QPlainTextEdit bare;
    bare.setPlainText(LongBody());
    bare.resize(540, 400);
    bare.show();
    const double bareKeystroke = KeystrokeMs(&bare);
    std::printf("styling: one keystroke, %d-line body    %.2f ms (target < 2)\n", kLines, keystroke);
    std::printf("styling: the same in a bare editor        %.2f ms\n", bareKeystroke);
    std::printf("styling: full restyle of the body         %.1f ms (target < 100)\n", restyle);
}

} // namespace

void BenchData()
{
    BenchDataTree();
    BenchStyling();
}
