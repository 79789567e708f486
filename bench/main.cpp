#include "bench/benchmarks.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    BenchConsole();
    BenchTree();
    BenchProperties();
    BenchData();
    BenchProject();
    BenchTreeEditing();
    BenchParse();
    BenchStartup();
    BenchVocabulary();
    BenchMap();
    BenchSafety();
    return 0;
}
