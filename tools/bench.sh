#!/usr/bin/env bash
# Benchmarks, reported as medians:
#  - the core natively (Google Benchmark, optimised build): the model, number
#    text, the parameters codec, the log's CSV codec;
#  - the panel under Wine: the edit-to-readings cycle and the start-up time
#    against a minimal dialog program;
#  - the measurement log's file under Wine: 10,000 rows saved and loaded.
#  - the plot of the measurement log under Wine: drawing 10,000 readings.
# Extra arguments go to Google Benchmark.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
tools/install-deps.sh --bench

cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DTESMOR_TESTS=OFF -DTESMOR_BENCHMARKS=ON >/dev/null
cmake --build build/bench --target core_bench
build/bench/tests/bench/core_bench --benchmark_repetitions=10 --benchmark_report_aggregates_only=true \
    --benchmark_min_time=0.2 "$@"

cmake -S . -B build/win -G Ninja -DCMAKE_BUILD_TYPE=Release -DTESMOR_BENCHMARKS=ON \
      -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" >/dev/null
cmake --build build/win --target panel_bench log_bench plot_bench
tools/wine-prefix.sh build/win/wineprefix
export WINEPREFIX="$root/build/win/wineprefix" WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wineserver -p </dev/null >/dev/null 2>&1 || true
wine cmd /c exit </dev/null >/dev/null 2>&1 || true
echo
echo "Panel under Wine (headless):"
(cd build/win/tests/bench && wine panel_bench.exe) | tr -d '\r'
echo
echo "Measurement log under Wine (headless):"
(cd build/win/tests/bench && wine log_bench.exe) | tr -d '\r'
echo
echo "Plot under Wine (headless):"
(cd build/win/tests/bench && wine plot_bench.exe) | tr -d '\r'
