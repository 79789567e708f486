#include "bench/benchmarks.h"
#include "script/codepage.h"
#include "script/scripthost.h"
#include "vocabulary/vocabularygrid.h"
#include "vocabulary/vocabularytable.h"
#include "vocabulary/vocabularywin.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QTabBar>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int kRows = 5000;
constexpr int kRuns = 9;

void Settle()
{
    QCoreApplication::processEvents();
}

// A key word and four templates per row, none claimed twice, so the check stays quiet.
QList<QStringList> Rows()
{
    QList<QStringList> rows;
    for (int i = 0; i < kRows; ++i) {
        const QString n = QString::number(i);
        rows.append({QStringLiteral("слово") + n, QStringLiteral("слова") + n,
                     QStringLiteral("слову") + n + QLatin1Char('*'), QLatin1Char('*') + n + QStringLiteral("ом"),
                     QLatin1Char('*') + n + QStringLiteral("е*")});
    }
    return rows;
}

QByteArray NounsFile(const QList<QStringList> &rows)
{
    QByteArray file = "-- vocabulary\r\nvocabulary ('nouns', [==[\r\n";
    for (const QStringList &row : rows)
        file += CodePage::ToLua(row.join(QLatin1Char(' '))) + "\r\n";
    return file + "]==]):check ()\r\n-- /vocabulary\r\n";
}

// The limit: the same words put into a bare table widget of the same size.
double BareTableMs(const QList<QStringList> &rows)
{
    QTableWidget table;
    table.resize(696, 480);
    table.show();
    Settle();
    std::vector<double> runs;
    for (int run = 0; run < kRuns; ++run) {
        QElapsedTimer clock;
        clock.start();
        table.clear();
        table.setRowCount(int(rows.size()) + 1);
        table.setColumnCount(VocabularyTable::kColumns);
        for (int r = 0; r < rows.size(); ++r) {
            for (int c = 0; c < rows[r].size(); ++c)
                table.setItem(r, c, new QTableWidgetItem(rows[r][c]));
        }
        table.setCurrentCell(0, 0);
        Settle();
        runs.push_back(Seconds(clock) * 1e3);
    }
    return Median(runs);
}

} // namespace

void BenchVocabulary()
{
    const QList<QStringList> rows = Rows();
    const QString home = QDir::currentPath();
    ScriptHost host;
    host.RunLua(QStringLiteral("dofile 'startup.lua'"));
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    QFile file(QStringLiteral("nouns.lua"));
    if (!file.open(QIODevice::WriteOnly) || file.write(NounsFile(rows)) < 0) {
        std::printf("vocabulary: cannot write %s\n", qPrintable(dir.filePath(file.fileName())));
        return;
    }
    file.close();

    TVocabularyWin win(host);
    {
        const QSignalBlocker blocker(win.VocabularyTab());
        win.VocabularyTab()->setCurrentIndex(1);
    }
    win.resize(696, 480);
    win.show();
    Settle();
    std::vector<double> loads;
    std::vector<double> applies;
    for (int run = 0; run < kRuns; ++run) {
        QElapsedTimer clock;
        clock.start();
        win.Load();
        Settle();
        loads.push_back(Seconds(clock) * 1e3);
        // A changed word, so the file is really written and run again.
        VocabularyTable *table = win.Vocabulary()->Table();
        table->EditCell(table->index(kRows / 2, 1), QStringLiteral("правка") + QString::number(run));
        clock.restart();
        win.Apply();
        Settle();
        applies.push_back(Seconds(clock) * 1e3);
    }
    const int loaded = win.Vocabulary()->model()->rowCount();

    // One keystroke in the search box that matches nothing: every word of every row is compared.
    win.Load();
    QLineEdit *search = win.Search();
    search->setFocus();
    search->selectAll();
    std::vector<double> keys;
    for (int run = 0; run < 25; ++run) {
        QElapsedTimer clock;
        clock.start();
        QTest::keyClick(search, 'z');
        Settle();
        keys.push_back(Seconds(clock) * 1e3);
    }
    // And keystrokes that find the first row and the last in turn, each selected and scrolled to.
    std::vector<double> jumps;
    bool jumped = true;
    for (int run = 0; run < 10; ++run) {
        const int row = run % 2 ? kRows - 1 : 0;
        const QString number = QString::number(row);
        search->setText(QStringLiteral("слова") + number.chopped(1));
        QElapsedTimer clock;
        clock.start();
        QTest::keyClick(search, number.back().toLatin1());
        Settle();
        jumps.push_back(Seconds(clock) * 1e3);
        jumped = jumped && win.Vocabulary()->currentIndex().row() == row;
    }

    // Apply once more with the engine's vocabulary() made a stub: what the editor itself costs.
    host.RunLua(QStringLiteral("function vocabulary () return { check = function () end } end"));
    std::vector<double> ownApplies;
    for (int run = 0; run < kRuns; ++run) {
        VocabularyTable *table = win.Vocabulary()->Table();
        table->EditCell(table->index(kRows / 3, 1), QStringLiteral("другая") + QString::number(run));
        QElapsedTimer clock;
        clock.start();
        win.Apply();
        Settle();
        ownApplies.push_back(Seconds(clock) * 1e3);
    }
    QDir::setCurrent(home);

    const double bare = BareTableMs(rows);
    const double load = Median(loads);
    const double apply = Median(applies);
    const double ownApply = Median(ownApplies);
    if (loaded != kRows + 1 || !jumped)
        std::printf("vocabulary: the grid shows %d rows instead of %d, rows found: %d\n", loaded,
                    kRows + 1, int(jumped));
    std::printf("vocabulary: load of %d rows                %.1f ms (target < 150)\n", kRows, load);
    std::printf("vocabulary: apply of %d rows               %.1f ms (target < 150)\n", kRows, apply);
    std::printf("vocabulary:   the same, vocabulary() a stub %.1f ms (the rest is the engine's)\n",
                ownApply);
    std::printf("vocabulary: bare QTableWidget fill          %.1f ms\n", bare);
    std::printf("vocabulary: ratios to the bare fill          load %.2f, apply %.2f, apply with the "
                "stub %.2f (target <= 5)\n",
                load / bare, apply / bare, ownApply / bare);
    std::printf("vocabulary: search keystroke, no match      %.2f ms (target < 5)\n", Median(keys));
    std::printf("vocabulary: search keystroke, row found     %.2f ms (target < 5)\n", Median(jumps));
}
