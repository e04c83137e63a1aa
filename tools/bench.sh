#!/usr/bin/env bash
# Benchmarks of the core (native, optimised build), reported as medians of
# repeated runs: tools/bench.sh [extra Google Benchmark flags]
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh --bench
cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DTESMOR_TESTS=OFF -DTESMOR_BENCHMARKS=ON >/dev/null
cmake --build build/bench --target core_bench
build/bench/tests/bench/core_bench --benchmark_repetitions=10 --benchmark_report_aggregates_only=true \
    --benchmark_min_time=0.2 "$@"
