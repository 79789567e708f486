#include "bench/benchmarks.h"

// Filled in with the parser.
void BenchParse() {}
