#!/usr/bin/env bash
# Makes the Wine prefix of a Windows build folder, once, for headless use:
#   tools/wine-prefix.sh BUILD_DIR [--screen]
# Without --screen the prefix uses Wine's null graphics driver, which runs
# windows, dialogs and controls with no X server. With --screen it uses a
# virtual desktop on $DISPLAY, with Wine's own fonts linked in so that caption
# buttons show their symbols.
set -euo pipefail
build=$(cd "$1" && pwd)
mode=${2:-}

export WINEPREFIX="$build/wineprefix"
export WINEARCH=win32
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="   # no Mono or Gecko installer prompts

if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "wine-prefix: making $WINEPREFIX"
    wineboot -i >/dev/null 2>&1
    wineserver -w
fi

wanted=null
[ "$mode" = "--screen" ] && wanted=screen
if [ "$(cat "$WINEPREFIX/.tesmor-mode" 2>/dev/null)" != "$wanted" ]; then
    # Registry changes take effect only with a fresh wineserver.
    wineserver -k 2>/dev/null || true
    if [ "$wanted" = null ]; then
        wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
        wine reg delete 'HKCU\Software\Wine\Explorer' /v Desktop /f >/dev/null 2>&1 || true
    else
        wine reg delete 'HKCU\Software\Wine\Drivers' /v Graphics /f >/dev/null 2>&1 || true
        wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
        wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null 2>&1
        ln -sf /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
    fi
    wineserver -w
    echo "$wanted" > "$WINEPREFIX/.tesmor-mode"
fi
