#!/bin/sh
# Builds the benchmarks with optimisation in build-bench/ and prints their
# table. Generated inputs are kept in build-bench/bench-data/ between runs.
# Extra arguments go to the benchmark program (for example
# --benchmark_filter=parse or --benchmark_repetitions=1).
set -eu
cd "$(dirname "$0")/.."
jobs=$(nproc 2>/dev/null || echo 2)

cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DTOURVIEW_BENCH=ON -DTOURVIEW_TESTS=OFF \
    >/dev/null
cmake --build build-bench -j "$jobs" >/dev/null
cd build-bench
exec ./tourview_bench --bench_data=bench-data --benchmark_out=bench.json "$@"
