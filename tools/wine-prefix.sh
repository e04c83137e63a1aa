#!/usr/bin/env bash
# Makes a Wine prefix, once, and sets it up for one use:
#   tools/wine-prefix.sh PREFIX_DIR [--screen | --desktop]
# Without an option the prefix uses Wine's null graphics driver, which runs
# windows, dialogs and controls with no X server. With --screen it draws on
# $DISPLAY; with --desktop it draws into a 1024x768 virtual desktop there (on a
# bare X server such as Xvfb that is what gets title bars drawn). Both link
# Wine's own fonts into the prefix so that caption buttons show their symbols.
set -euo pipefail
mkdir -p "$1"
export WINEPREFIX
WINEPREFIX=$(cd "$1" && pwd)
mode=${2:-}

export WINEARCH=win32
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
if [ "$(cat "$WINEPREFIX/.tesmor-mode" 2>/dev/null)" != "$wanted" ]; then
    # Registry changes take effect only with a fresh wineserver.
    wineserver -k 2>/dev/null || true
    if [ "$wanted" = null ]; then
        wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
    else
        wine reg delete 'HKCU\Software\Wine\Drivers' /v Graphics /f >/dev/null 2>&1 || true
        ln -sf /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
    fi
    if [ "$wanted" = desktop ]; then
        wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
        wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null 2>&1
    else
        wine reg delete 'HKCU\Software\Wine\Explorer' /v Desktop /f >/dev/null 2>&1 || true
    fi
    wineserver -w
    echo "$wanted" > "$WINEPREFIX/.tesmor-mode"
fi
