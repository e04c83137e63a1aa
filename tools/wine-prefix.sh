#!/usr/bin/env bash
# Makes a Wine prefix, once, and sets it up for one use:
#   tools/wine-prefix.sh PREFIX_DIR [--screen | --desktop]
# Without an option the prefix uses Wine's null graphics driver, which runs
# windows, dialogs and controls with no X server. With --screen it draws on
# $DISPLAY; with --desktop it draws into a 1024x768 virtual desktop there (on a
# bare X server such as Xvfb that is what gets title bars drawn).
#
# Every prefix gets the same fonts, so that what is drawn and measured is the
# same in tests, screenshots and runs: Wine's own fonts (Debian's fonts-wine),
# linked into the prefix, for the caption buttons' symbols (Marlett) and the
# sizes of message boxes; and DejaVu Sans (fonts-dejavu-core) linked behind
# Tahoma, the dialogs' font, which has no Greek: the parameter table's headers
# μnL0, α and β need it.
set -euo pipefail
mkdir -p "$1"
export WINEPREFIX
WINEPREFIX=$(cd "$1" && pwd)
mode=${2:-}

export WINEARCH=${TESMOR_WINEARCH:-win32}
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="   # no Mono or Gecko installer prompts

if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "wine-prefix: making $WINEPREFIX"
    wineboot -i >/dev/null 2>&1
    wineserver -w
fi

case "$mode" in
    "") wanted=null ;;
    --screen) wanted=screen ;;
    --desktop) wanted=desktop ;;
    *) echo "wine-prefix: unknown option $mode" >&2; exit 2 ;;
esac
# The mode and the version of the font set-up below: a prefix made by an
# older script is set up again.
wanted="$wanted fonts-2"
if [ "$(cat "$WINEPREFIX/.tesmor-mode" 2>/dev/null)" != "$wanted" ]; then
    for font in /usr/share/wine/fonts/marlett.ttf /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf; do
        [ -f "$font" ] || { echo "wine-prefix: $font is missing (tools/install-deps.sh installs it)" >&2; exit 1; }
    done
    # Registry changes take effect only with a fresh wineserver.
    wineserver -k 2>/dev/null || true
    if [ "$wanted" = "null fonts-2" ]; then
        wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
    else
        wine reg delete 'HKCU\Software\Wine\Drivers' /v Graphics /f >/dev/null 2>&1 || true
    fi
    ln -sf /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
    ln -sf /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
    wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' /v Tahoma \
        /t REG_MULTI_SZ /d 'DejaVuSans.ttf,DejaVu Sans' /f >/dev/null 2>&1
    if [ "$wanted" = "desktop fonts-2" ]; then
        wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
        wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null 2>&1
    else
        wine reg delete 'HKCU\Software\Wine\Explorer' /v Desktop /f >/dev/null 2>&1 || true
    fi
    wineserver -w
    echo "$wanted" > "$WINEPREFIX/.tesmor-mode"
fi
