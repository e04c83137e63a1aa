#!/usr/bin/env bash
# Starts the real Tesmor on a virtual screen (Xvfb and Wine's virtual desktop,
# so that the title bar is drawn), types a material number and the worked
# example's settings (I = 10 mA, I_m = 5 A) into its boxes, and saves a picture
# of the screen:
#   tools/screenshot.sh [OUTPUT.png [DPI]]  (default: docs/panel.png at 96 DPI)
# At another DPI (Wine's LogPixels; 144 is a display scaled to 150 per cent)
# the screen and Wine's desktop are as much larger: docs/panel-150.png is
#   tools/screenshot.sh docs/panel-150.png 144
#
# With --high-contrast the system's colours are those of a high-contrast theme
# (white and yellow on black) and the program draws as under such a theme; a
# few readings are recorded, the log's window is opened with a line fitted and
# a reading selected, and it is saved as well (default: docs/panel-high-contrast.png
# and docs/measurement-log-high-contrast.png):
#   tools/screenshot.sh --high-contrast [PANEL.png [LOG.png]]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
contrast=0
if [ "${1:-}" = --high-contrast ]; then
    contrast=1
    shift
    out=$(realpath -m "${1:-docs/panel-high-contrast.png}")
    log_out=$(realpath -m "${2:-docs/measurement-log-high-contrast.png}")
    set -- "$out"
fi
out=$(realpath -m "${1:-docs/panel.png}")
dpi=${2:-96}
case "$dpi" in
    ''|*[!0-9]*) echo "screenshot: the DPI must be a number, not $dpi" >&2; exit 2 ;;
esac
screen_size="$((1024 * dpi / 96))x$((768 * dpi / 96))"

tools/install-deps.sh --screen
# The program that runs here: the 32-bit one, or on a machine that runs no
# 32-bit code the 64-bit build of the same sources (tools/wine-arch.sh).
source tools/wine-arch.sh
[ "$TESMOR_RUNS_32BIT" = 1 ] || tools/install-deps.sh --win64
win=$TESMOR_TEST_BUILD
cmake -S . -B "$win" -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="$TESMOR_TEST_TOOLCHAIN" >/dev/null
cmake --build "$win" --target Tesmor tesmor_help panel_driver -j "$(nproc)"

# A display number nobody uses, from :90 on.
. tools/virtual-screen.sh
VIRTUAL_SCREEN_SIZE=$screen_size start_virtual_screen 90

# A prefix of its own for the high-contrast colours, which stay in its registry.
prefix=wineprefix-screen
[ "$contrast" = 0 ] || prefix=wineprefix-screen-contrast
export WINEPREFIX="$root/$win/$prefix" WINEARCH=${TESMOR_WINEARCH:-win32} WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
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
if [ "$contrast" = 1 ]; then
    # The colours of a high-contrast black theme (HKCU\Control Panel\Colors,
    # read when the server starts). Wine cannot turn the theme's flag on
    # (SPI_SETHIGHCONTRAST fails there): TESMOR_HIGH_CONTRAST stands in for it.
    while read -r name colour; do
        wine reg add 'HKCU\Control Panel\Colors' /v "$name" /d "$colour" /f >/dev/null 2>&1
    done <<'COLOURS'
Background 0 0 0
Window 0 0 0
WindowText 255 255 255
WindowFrame 255 255 255
Hilight 26 235 255
HilightText 0 0 0
HotTrackingColor 255 255 0
GrayText 63 242 63
ButtonFace 0 0 0
ButtonText 255 255 255
ButtonHilight 255 255 255
ButtonLight 255 255 255
ButtonShadow 128 128 128
ButtonDkShadow 255 255 255
ActiveTitle 128 0 128
GradientActiveTitle 128 0 128
TitleText 255 255 255
InactiveTitle 0 128 0
GradientInactiveTitle 0 128 0
InactiveTitleText 255 255 255
ActiveBorder 255 255 0
InactiveBorder 255 255 255
Menu 0 0 0
MenuBar 0 0 0
MenuText 255 255 255
MenuHilight 128 0 128
InfoWindow 0 0 0
InfoText 255 255 255
Scrollbar 0 0 0
AppWorkSpace 0 0 0
COLOURS
    # Windows draws no visual styles under a high-contrast theme; Wine's own
    # theme would draw the list's header and the up-down buttons light.
    wine reg add 'HKCU\Software\Microsoft\Windows\CurrentVersion\ThemeManager' /v ThemeActive /d 0 /f \
        >/dev/null 2>&1
    wine reg delete 'HKCU\Software\Microsoft\Windows\CurrentVersion\ThemeManager' /v DllName /f \
        >/dev/null 2>&1 || true
    export TESMOR_HIGH_CONTRAST=1
fi
wineserver -k 2>/dev/null || true
wineserver -w

# A folder of its own, so that the run starts from the default table.
run="$root/build/screenshot"
rm -rf "$run" && mkdir -p "$run"
cp "$win/release/Tesmor.exe" "$win/release/Tesmor.chm" "$win/tests/panel_driver.exe" "$run/"
cd "$run"
wine Tesmor.exe >/dev/null 2>&1 &
tesmor=$!
wine panel_driver.exe 1035=1 1005=10 1009=5
sleep 2
mkdir -p "$(dirname "$out")"
# The desktop around the window is cut away.
import -window root -trim +repage "$out"
echo "Screenshot of the running panel: $out"
if [ "$contrast" = 1 ]; then
    # Readings at five temperatures (IDC_TEMPERATURE), one at a time: the
    # panel takes a sent text before a posted command.
    for temperature in 250 300 350 400 450; do
        wine panel_driver.exe 1007=$temperature record
        sleep 0.5
    done
    # Ctrl+L opens the log's window; Alt+F fits the line to every reading; a
    # click on the third row selects it.
    xdotool key ctrl+l
    sleep 2
    xdotool key alt+f
    sleep 1
    read -r left top right bottom < <(wine panel_driver.exe query cell=2,1 | tr -d '\r' |
                                      awk '$1 == "log.cell.2.1.rect" { print $2, $3, $4, $5 }')
    [ -n "${bottom:-}" ] || { echo "screenshot: the log's window did not open" >&2; exit 1; }
    xdotool mousemove $(((left + right) / 2)) $(((top + bottom) / 2)) click 1
    sleep 1
    read -r left top right bottom < <(wine panel_driver.exe query | tr -d '\r' |
                                      awk '$1 == "log.rect" { print $2, $3, $4, $5 }')
    [ -n "${bottom:-}" ] || { echo "screenshot: the log's window did not open" >&2; exit 1; }
    mkdir -p "$(dirname "$log_out")"
    import -window root -crop "$((right - left))x$((bottom - top))+$left+$top" +repage "$log_out"
    echo "Screenshot of the log's window: $log_out"
fi
wine panel_driver.exe close
wait "$tesmor" || true
