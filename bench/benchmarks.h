#pragma once

#include "widgets/windowlinks.h"

#include <QElapsedTimer>

#include <algorithm>
#include <vector>

// Each benchmark prints its own lines: what was measured, the value, and where a target applies,
// the ratio to a baseline measured in the same run and the target.
void BenchConsole();
void BenchTree();
void BenchProperties();
void BenchData();
void BenchProject();
void BenchTreeEditing();
void BenchParse();
void BenchStartup();
void BenchVocabulary();
void BenchMap();
void BenchSafety();

// Lua that builds a world of 10,000 objects (100 rooms of 99 things) with sources and data.
extern const char *const kTenThousandObjects;

inline double Seconds(const QElapsedTimer &clock)
{
    return double(clock.nsecsElapsed()) / 1e9;
}

inline double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The selection the properties window is given in the benchmarks: always the room "hall".
class BenchSelection : public ObjectSelection
{
public:
    QString SelectedUid() const override { return QStringLiteral("hall"); }
    QString SelectedParentUid() const override { return QStringLiteral("world"); }
    void WriteSearch(const QString &) override {}
};
