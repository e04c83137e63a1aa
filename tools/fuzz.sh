#!/usr/bin/env bash
# Fuzzes the platform-neutral core with libFuzzer (clang, AddressSanitizer and
# UBSan on): ParseReal, ParseInteger, FormatReal, the parameters file decoder
# and the measurement log's CSV decoder, each for a bounded time:
#   tools/fuzz.sh [seconds per target]        (default 30)
# Starts from the seeds in tests/fuzz/corpus/ and keeps what it finds in
# build/fuzz/corpus/. A crash leaves its input in build/fuzz/ and fails.
# The log's decoder runs a second time on inputs up to 1 MiB, from large seeds
# made here of the shapes that once took memory out of all proportion to their
# size (apart, since each such input takes milliseconds).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}

tools/install-deps.sh --fuzz
CC=clang CXX=clang++ cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTESMOR_SANITIZE=ON -DTESMOR_FUZZ=ON -DTESMOR_TESTS=OFF >/dev/null
targets="parse_real parse_integer format_real parameter_file log_csv"
for target in $targets; do cmake --build build/fuzz --target "${target}_fuzz" >/dev/null; done

# Large seeds for the log's decoder: the header, then one shape repeated.
seeds=build/fuzz/seeds/log_csv
mkdir -p "$seeds"
python3 - "$seeds" tests/fuzz/corpus/log_csv/seed-00 <<'PYTHON'
import sys
folder, header_seed = sys.argv[1], sys.argv[2]
header = open(header_seed, 'rb').read().split(b'\n')[0] + b'\n'
row = b'1,2026-12-08 22:36:18,1,1.1500,100.00,100.00,10.000,0.50000,10.000,300.00,10.000,5.0000,-283.27,1234.5\r\n'
start = b'1,2026-12-08 22:36:18,1,'
shapes = {
    'commas': b',' * 262144,
    'empty-quoted': b'"",' * 87381,
    'quoted-quotes': b'"""",' * 65536,
    'line-ends-inside-quotes': b'"\r\n",' * 65536,
    'line-ends': b'\r\n' * 65536,
    'row-then-line-ends': row + b'\n' * 65536 + b'x',
    'long-text': start + b'7' * 262144 + b',' * 10 + b'\r\n',
    'long-quoted-text': start + b'"' + b'""' * 131072 + b'"' + b',' * 10 + b'\r\n',
    'empty-rows': b''.join(b'%d,2026-12-08 22:36:18,0,,,,,,,,,,,\r\n' % n for n in range(1, 20001)),
}
for name, body in shapes.items():
    open(f'{folder}/{name}', 'wb').write(header + body)
PYTHON

export ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
for run in $targets log_csv-large; do
    target=${run%-large}
    corpus="build/fuzz/corpus/$run"
    mkdir -p "$corpus"
    echo "== $run, ${seconds} s"
    log="build/fuzz/$run.log"
    start="../../tests/fuzz/corpus/$target"
    options=()
    if [ "$run" = log_csv-large ]; then
        start="../../$seeds"
        options=(-max_len=1048576)
    fi
    # libFuzzer leaves a failing input as crash-*, leak-* or timeout-* in build/fuzz/.
    if ! (cd build/fuzz && "tests/fuzz/${target}_fuzz" -max_total_time="$seconds" -print_final_stats=1 \
            "${options[@]}" "../../$corpus" "$start") >"$log" 2>&1; then
        grep -E '==[0-9]+==|SUMMARY|artifact' "$log" >&2 || true
        echo "fuzz: $run found a failing input (see $log)" >&2
        exit 1
    fi
    grep -E '^(Done|stat::number_of_executed_units|stat::new_units_added)' "$log"
done
echo "fuzz: every target ran ${seconds} s without a failure"
