void BenchProperties() {}
