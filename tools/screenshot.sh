#!/usr/bin/env bash
# Starts the real Tesmor on a virtual screen (Xvfb and Wine's virtual desktop,
# so that the title bar is drawn), types a material number and the worked
# example's settings (I = 10 mA, I_m = 5 A) into its boxes, and saves a picture
# of the screen:
#   tools/screenshot.sh [OUTPUT.png]        (default: docs/panel.png)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
out=$(realpath -m "${1:-docs/panel.png}")

tools/install-deps.sh --screen
cmake -S . -B build/win -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" >/dev/null
cmake --build build/win --target Tesmor tesmor_help panel_driver -j "$(nproc)"

# A display number nobody uses, from :90 on.
. tools/virtual-screen.sh
start_virtual_screen 90

export WINEPREFIX="$root/build/win/wineprefix-screen" WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
cleanup() {
    wineserver -k 2>/dev/null || true
    stop_virtual_screen
}
trap cleanup EXIT
tools/wine-prefix.sh "$WINEPREFIX" --desktop

# A folder of its own, so that the run starts from the default table.
run="$root/build/screenshot"
rm -rf "$run" && mkdir -p "$run"
cp build/win/release/Tesmor.exe build/win/release/Tesmor.chm build/win/tests/panel_driver.exe "$run/"
cd "$run"
wine Tesmor.exe >/dev/null 2>&1 &
tesmor=$!
wine panel_driver.exe 1035=1 1005=10 1009=5
sleep 2
mkdir -p "$(dirname "$out")"
# The desktop around the window is cut away.
import -window root -trim +repage "$out"
wine panel_driver.exe close
wait "$tesmor" || true
echo "Screenshot of the running panel: $out"
