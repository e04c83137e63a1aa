#!/usr/bin/env bash
# Fuzzes the platform-neutral core with libFuzzer (clang, AddressSanitizer and
# UBSan on): ParseReal, ParseInteger, FormatReal, the parameters file decoder
# and the measurement log's CSV decoder, each for a bounded time:
#   tools/fuzz.sh [seconds per target]        (default 30)
# Starts from the seeds in tests/fuzz/corpus/ and keeps what it finds in
# build/fuzz/corpus/. A crash leaves its input in build/fuzz/ and fails.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}

tools/install-deps.sh --fuzz
CC=clang CXX=clang++ cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTESMOR_SANITIZE=ON -DTESMOR_FUZZ=ON -DTESMOR_TESTS=OFF >/dev/null
targets="parse_real parse_integer format_real parameter_file log_csv"
for target in $targets; do cmake --build build/fuzz --target "${target}_fuzz" >/dev/null; done

export ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
for target in $targets; do
    corpus="build/fuzz/corpus/$target"
    mkdir -p "$corpus"
    echo "== $target, ${seconds} s"
    log="build/fuzz/$target.log"
    # libFuzzer leaves a failing input as crash-*, leak-* or timeout-* in build/fuzz/.
    if ! (cd build/fuzz && "tests/fuzz/${target}_fuzz" -max_total_time="$seconds" -print_final_stats=1 \
            "../../$corpus" "../../tests/fuzz/corpus/$target") >"$log" 2>&1; then
        grep -E '==[0-9]+==|SUMMARY|artifact' "$log" >&2 || true
        echo "fuzz: $target found a failing input (see $log)" >&2
        exit 1
    fi
    grep -E '^(Done|stat::number_of_executed_units|stat::new_units_added)' "$log"
done
echo "fuzz: every target ran ${seconds} s without a failure"
