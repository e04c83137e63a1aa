#!/usr/bin/env bash
# Builds Tesmor and runs every test:
#  - the platform-neutral core natively, with AddressSanitizer and UBSan;
#  - the Windows build (the core again, the Win32 layers, the real program and
#    its help file) under Wine, headless, and the real program once more on a
#    virtual screen (Xvfb), typed into and clicked as a person would;
#  - the packages (tools/package.sh): the zip's contents, the Windows installer
#    under Wine, the Debian package installed, used by an ordinary user and
#    removed (tests/package);
#  - the core's parsers, formatter and file decoders under libFuzzer.
# Installs what is missing first (Debian 12, as root or through sudo).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

tools/install-deps.sh --screen --package --a11y
source tools/wine-arch.sh

jobs=$(nproc)
cmake -S . -B build/host -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTESMOR_SANITIZE=ON >/dev/null
cmake --build build/host -j "$jobs"
cmake -S . -B build/win -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" >/dev/null
cmake --build build/win -j "$jobs"
if [ "$TESMOR_TEST_BUILD" != build/win ]; then
    echo "== this machine's kernel runs no 32-bit code, so no 32-bit Wine: the Windows tests run"
    echo "   a 64-bit build of the same sources ($TESMOR_TEST_BUILD) under 64-bit Wine"
    tools/install-deps.sh --win64
    cmake -S . -B "$TESMOR_TEST_BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release \
          -DCMAKE_TOOLCHAIN_FILE="$TESMOR_TEST_TOOLCHAIN" >/dev/null
    cmake --build "$TESMOR_TEST_BUILD" -j "$jobs"
fi

status=0
summary=()
run_ctest() {
    local name=$1 dir=$2 log
    log="$dir/ctest.log"
    echo "== $name tests"
    if ctest --test-dir "$dir" --output-on-failure -j "$jobs" 2>&1 | tee "$log"; then :; else status=1; fi
    grep -q "tests passed" "$log" || status=1
    summary+=("$(grep -E 'tests passed' "$log" | tail -n 1)")
}

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
run_ctest "native core (ASan, UBSan)" build/host

# The Windows tests share one wineserver, started before ctest so that it does
# not inherit ctest's output pipe (every test would then wait for it).
tools/wine-prefix.sh "$TESMOR_TEST_BUILD/wineprefix"
export WINEPREFIX="$root/$TESMOR_TEST_BUILD/wineprefix" WINEARCH=${TESMOR_WINEARCH:-win32} WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wineserver -k 2>/dev/null || true
wineserver -p </dev/null >/dev/null 2>&1
trap 'wineserver -k 2>/dev/null || true' EXIT
# The first program of a session starts Wine's background services, which would
# otherwise hold the output pipe of whichever test came first.
wine cmd /c exit </dev/null >/dev/null 2>&1 || true
run_ctest "Windows, under Wine" "$TESMOR_TEST_BUILD"

# The packages made from this build, as they are shipped, and their tests.
echo "== packages"
packages="not made"
package_log=build/package/tests.log
if tools/package.sh; then
    tests/package/run.sh 2>&1 | tee "$package_log" || status=1
    packages=$(grep -E '^packages: ' "$package_log" | tail -n 1 || true)
    [ -n "$packages" ] || { packages="no result"; status=1; }
else
    status=1
fi

# The core's parsers, formatter and file decoders under libFuzzer, 30 s each.
echo "== fuzzing"
fuzz=passed
tools/fuzz.sh 30 || { fuzz=failed; status=1; }

passed=0; failed=0
for dir in build/host "$TESMOR_TEST_BUILD"; do
    line=$(grep -E 'tests failed out of' "$dir/ctest.log" | tail -n 1 || true)
    total=$(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$line")
    bad=$(sed -E 's/.*, ([0-9]+) tests failed.*/\1/' <<<"$line")
    passed=$((passed + ${total:-0} - ${bad:-0})); failed=$((failed + ${bad:-0}))
done
if [[ $packages =~ ^packages:\ ([0-9]+)\ passed,\ ([0-9]+)\ failed ]]; then
    passed=$((passed + BASH_REMATCH[1])); failed=$((failed + BASH_REMATCH[2]))
fi
echo
echo "native: ${summary[0]:-no result}"
echo "Wine:   ${summary[1]:-no result}"
echo "packages: ${packages#packages: }"
echo "fuzzing: $fuzz"
echo "tests: $passed passed, $failed failed"
[ "$failed" -eq 0 ] || status=1
exit $status
