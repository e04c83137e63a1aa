#!/bin/sh
# tesmor: starts Tesmor, the Windows program installed in /usr/lib/tesmor,
# under Wine.
#
# Tesmor keeps its table of material parameters, Tesmor.smp, beside its own
# executable and writes it there whenever it closes, so each user runs a copy
# of their own in ${XDG_DATA_HOME:-~/.local/share}/tesmor: Tesmor.exe and
# Tesmor.chm copied from /usr/lib/tesmor again whenever the installed ones
# differ (after an upgrade), the help pages linked to the installed ones, the
# table itself never touched here, and a 32-bit Wine prefix of its own, made on
# the first start and brought up to date with this command's settings on the
# first start after an upgrade.
set -eu

lib=/usr/lib/tesmor
version=@VERSION@

case "${1:-}" in
    -h | --help)
        cat <<USAGE
Usage: tesmor [--help | --version]

Starts Tesmor, a virtual laboratory for the Hall effect in semiconductors,
under Wine. Each user's copy of the program, its table of material parameters
(Tesmor.smp) and its Wine prefix live in
${XDG_DATA_HOME:-~/.local/share}/tesmor. See tesmor(1).
USAGE
        exit 0 ;;
    -V | --version)
        echo "tesmor $version"
        exit 0 ;;
    "") ;;
    *)
        echo "tesmor: unknown argument \"$1\" (tesmor --help shows the usage)" >&2
        exit 1 ;;
esac

# A relative or empty XDG_DATA_HOME is to be ignored.
case "${XDG_DATA_HOME:-}" in
    /*) data_home=$XDG_DATA_HOME ;;
    *) data_home=$HOME/.local/share ;;
esac
data=$data_home/tesmor
mkdir -p "$data"

# Two starts at the same moment must not copy or make the prefix together.
exec 9>"$data/.lock"
if ! flock -w 600 9; then
    echo "tesmor: another start of Tesmor holds $data/.lock" >&2
    exit 1
fi

for file in Tesmor.exe Tesmor.chm; do
    if ! cmp -s "$lib/$file" "$data/$file"; then
        # A copy broken off halfway must never be taken for the program.
        cp "$lib/$file" "$data/$file.new"
        mv -f "$data/$file.new" "$data/$file"
    fi
done
# Under Wine the Help menu shows these pages in the desktop's web browser.
if [ ! -e "$data/help" ] && [ ! -L "$data/help" ]; then
    ln -s "$lib/help" "$data/help"
fi

export WINEPREFIX="$data/wineprefix"
export WINEARCH=win32
export WINEDEBUG="${WINEDEBUG:--all}"
# No offers to download Mono or Gecko, which Tesmor does not use, and no menu
# entries or file types of Wine's own added to the user's desktop.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

# The settings this command makes in the prefix, numbered; .tesmor-ready
# holds the number of the last one made, and is empty in a prefix made before
# they were numbered (which has the fonts, number 1):
#   1  Wine's fonts linked in, Tahoma linked to DejaVu Sans
#   2  the title bar drawn by Wine, not by the desktop's window manager
settings=2
ready=$WINEPREFIX/.tesmor-ready
log=$data/wine-setup.log

# Under a window manager Wine leaves the title bar to the manager, whose own
# window menu has no "Parameters..." (the teacher's way to the table) and
# which draws no "?" button (context help). With Wine drawing it, both are
# there. Wine reads this setting when a program starts, so Tesmor started
# after it has Wine's title bar even while an older one, and the prefix's
# wineserver with it, is still running.
draw_title_bar() {
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >>"$log" 2>&1
}

# The prefix counts as made only once it is complete; one left half-made by an
# interrupted first start is made again.
if [ ! -f "$ready" ]; then
    echo "tesmor: setting up Wine in $WINEPREFIX (the first time only; this takes a minute)" >&2
    rm -rf "$WINEPREFIX"
    if ! wineboot -i >"$log" 2>&1; then
        echo "tesmor: Wine could not make its prefix; see $log" >&2
        exit 1
    fi
    # Wine's own fonts draw the caption buttons' symbols and size the message
    # boxes; Debian's Wine does not find them by itself.
    ln -sf /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
    # Wine's stand-in for Tahoma has no Greek letters: the parameter table's
    # headings (mu, alpha, beta) take them from DejaVu Sans.
    if ! wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' \
            /v Tahoma /t REG_MULTI_SZ /d 'DejaVuSans.ttf,DejaVu Sans' /f >>"$log" 2>&1; then
        echo "tesmor: Wine could not link the fonts; see $log" >&2
        exit 1
    fi
    if ! draw_title_bar; then
        echo "tesmor: Wine could not be set to draw the title bar; see $log" >&2
        exit 1
    fi
    # The settings take effect with the next wineserver.
    wineserver -w
    echo "$settings" >"$ready"
else
    made=$(cat "$ready")
    case "$made" in
        "" | *[!0-9]*) made=1 ;;
    esac
    # Tesmor starts all the same if this fails (a wineserver of another Wine
    # version still running, say); the next start tries again.
    if [ "$made" -lt 2 ]; then
        if draw_title_bar; then
            echo "$settings" >"$ready"
        else
            echo "tesmor: Wine could not be set to draw the title bar; see $log" >&2
        fi
    fi
fi

exec 9>&-
cd "$data"
exec wine "$data/Tesmor.exe"
