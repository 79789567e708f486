void BenchTree() {}
