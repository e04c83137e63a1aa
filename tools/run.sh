#!/usr/bin/env bash
# Builds Tesmor and starts it (under Wine on Linux). Installs what is missing
# first (Debian 12, as root or through sudo).
#
# With a display ($DISPLAY reachable) Tesmor opens there and this command
# returns when it is closed. Without one, Tesmor is shown on a virtual screen
# instead, with the worked example typed in, and a screenshot of it is saved.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

tools/install-deps.sh --screen
cmake -S . -B build/win -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" >/dev/null
# The whole release folder: the program, its help file and the help's pages,
# so that the Help menu finds its help on the first run.
cmake --build build/win --target Tesmor tesmor_help -j "$(nproc)"
exe="$root/build/win/release/Tesmor.exe"
for file in "$exe" "$root/build/win/release/Tesmor.chm" "$root/build/win/release/help/index.html"; do
    [ -f "$file" ] || { echo "run: $file was not built" >&2; exit 1; }
done
echo "Built $exe, with Tesmor.chm and the help pages beside it"

if [ -n "${DISPLAY:-}" ] && timeout 5 xdotool getdisplaygeometry >/dev/null 2>&1; then
    export WINEPREFIX="$root/build/win/wineprefix-run" WINEARCH=${TESMOR_WINEARCH:-win32} WINEDEBUG=-all \
           WINEDLLOVERRIDES="mscoree,mshtml="
    tools/wine-prefix.sh "$WINEPREFIX" --screen
    echo "Starting Tesmor on $DISPLAY; close its window to end."
    set +e
    wine "$exe"
    code=$?
    set -e
    echo "Tesmor ended with exit code $code."
else
    echo "No display here: showing Tesmor on a virtual screen (Xvfb) instead."
    tools/screenshot.sh "$root/build/screenshots/tesmor.png"
fi
