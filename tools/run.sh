#!/usr/bin/env bash
# Builds Tesmor and starts it (under Wine on Linux). Installs what is missing
# first (Debian 12, as root or through sudo).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

tools/install-deps.sh
cmake -S . -B build/win -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" >/dev/null
cmake --build build/win --target Tesmor -j "$(nproc)"

exe="$root/build/win/release/Tesmor.exe"
echo
echo "Built $exe"
echo "The experiment panel is not built yet, so Tesmor has no window to show:"
echo "it initialises and exits at once, with exit code 0."

tools/wine-prefix.sh build/win
export WINEPREFIX="$root/build/win/wineprefix" WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
set +e
wine "$exe" </dev/null >/dev/null 2>&1
code=$?
set -e
echo "Ran it under Wine: exit code $code."
