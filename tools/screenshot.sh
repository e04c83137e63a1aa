#!/usr/bin/env bash
# Starts the real Tesmor on a virtual screen (Xvfb and Wine's virtual desktop,
# so that the title bar is drawn), types a material number and the worked
# example's settings (I = 10 mA, I_m = 5 A) into its boxes, and saves a picture
# of the screen:
#   tools/screenshot.sh [OUTPUT.png [DPI]]  (default: docs/panel.png at 96 DPI)
# At another DPI (Wine's LogPixels; 144 is a display scaled to 150 per cent)
# the screen and Wine's desktop are as much larger: docs/panel-150.png is
#   tools/screenshot.sh docs/panel-150.png 144
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
out=$(realpath -m "${1:-docs/panel.png}")
dpi=${2:-96}
case "$dpi" in
    ''|*[!0-9]*) echo "screenshot: the DPI must be a number, not $dpi" >&2; exit 2 ;;
esac
screen_size="$((1024 * dpi / 96))x$((768 * dpi / 96))"

tools/install-deps.sh --screen
cmake -S . -B build/win -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" >/dev/null
cmake --build build/win --target Tesmor tesmor_help panel_driver -j "$(nproc)"

# A display number nobody uses, from :90 on.
. tools/virtual-screen.sh
VIRTUAL_SCREEN_SIZE=$screen_size start_virtual_screen 90

export WINEPREFIX="$root/build/win/wineprefix-screen" WINEARCH=${TESMOR_WINEARCH:-win32} WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
cleanup() {
    wineserver -k 2>/dev/null || true
    stop_virtual_screen
}
trap cleanup EXIT
tools/wine-prefix.sh "$WINEPREFIX" --desktop
# The scale and the desktop's size, set on every run: read when the server starts.
wineserver -k 2>/dev/null || true
wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d "$screen_size" /f >/dev/null 2>&1
wineserver -k 2>/dev/null || true
wineserver -w

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
