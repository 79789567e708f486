#include "bench/benchmarks.h"

// Filled in with the tree editing commands.
void BenchTreeEditing() {}
