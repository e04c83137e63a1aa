#!/usr/bin/env bash
# Runs system_dpi_tests.exe under Wine at 96, 120, 144, 168 and 192 DPI, in a
# prefix of its own (its DPI is changed, which every other test's prefix must
# not see), with a wineserver of its own, stopped at the end.
#
#   system_dpi_test.sh TEST_EXE WINEPREFIX_DIR
#
# Wine 8 reports HKCU\Control Panel\Desktop\LogPixels to programs as the
# system's DPI, and without it HKLM\System\CurrentControlSet\Hardware
# Profiles\Current\Software\Fonts\LogPixels; either is read when its
# server starts.
set -uo pipefail
if [ $# -ne 2 ]; then
    echo "usage: $0 TEST_EXE WINEPREFIX_DIR" >&2
    exit 2
fi
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
program=$(realpath "$1")
prefix=$(realpath -m "$2")

export WINEPREFIX="$prefix" WINEARCH=${TESMOR_WINEARCH:-win32} WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
"$source_dir/tools/wine-prefix.sh" "$prefix" >/dev/null || exit 1

work=$(mktemp -d)
cleanup() {
    timeout 20 wineserver -k 2>/dev/null || true
    timeout 20 wineserver -w 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

# A folder of its own: the panel writes its files beside the program.
cp "$program" "$work/"
cd "$work" || exit 1
status=0
for dpi in 96 120 144 168 192; do
    timeout 20 wineserver -k 2>/dev/null || true
    timeout 20 wineserver -w 2>/dev/null || true
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
    timeout 20 wineserver -k 2>/dev/null || true
    timeout 20 wineserver -w 2>/dev/null || true
    # Started apart from the test's output, so that nothing waits for it.
    wineserver -p </dev/null >/dev/null 2>&1
    echo "system DPI test: $dpi DPI"
    # The output goes through a file: Wine's own processes, started by the
    # first program, would hold a pipe open after the test ends.
    TESMOR_TEST_DPI=$dpi TESMOR_LAYOUT_FILE="$work/layout-96.txt" \
        timeout 120 wine "$(basename "$program")" >"$work/output.txt" 2>&1 || status=1
    tr -d '\r' <"$work/output.txt"
done
exit $status
