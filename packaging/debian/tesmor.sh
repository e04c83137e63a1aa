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

# --- The school's password -------------------------------------------------
# /etc/tesmor/Tesmor.pwd holds the digest of the password of the parameter
# editor that a school sets for all its users (the built-in one holds where
# there is none); root sets it with --set-password and removes it with
# --remove-password. Each start puts it beside the user's table, where the
# program reads it.
etc=/etc/tesmor

# The digest is PBKDF2-HMAC-SHA256 of the password's UTF-8 bytes, 200000
# iterations, a random salt of 16 bytes: one line that the program reads the
# same way. The password is asked twice without echo on a terminal; otherwise
# it is read from standard input, one line or the same line twice, so that a
# script can give it.
set_password_script='
import hashlib, os, sys, getpass

folder = sys.argv[1]
tty = sys.stdin.isatty()

def line():
    read = sys.stdin.buffer.readline()
    if not read:
        raise EOFError
    return read.decode("utf-8").rstrip("\r\n")

try:
    if tty:
        first = getpass.getpass("New password for the parameter editor: ")
        second = getpass.getpass("The same password again: ")
    else:
        first = line()
        try:
            second = line()
        except EOFError:
            second = first
    password = first.encode("utf-8")
except (EOFError, KeyboardInterrupt):
    sys.exit("\ntesmor: no password given; nothing was changed")
except UnicodeError:
    sys.exit("tesmor: the password is not valid UTF-8 text; nothing was changed")
if first != second:
    sys.exit("tesmor: the two passwords differ; nothing was changed")
if not first:
    sys.exit("tesmor: the password is empty; nothing was changed")
# The password box takes 126 UTF-16 code units.
if len(first.encode("utf-16-le")) > 2 * 126:
    sys.exit("tesmor: the password is longer than the 126 characters the password box takes; nothing was changed")

salt = os.urandom(16)
iterations = 200000
key = hashlib.pbkdf2_hmac("sha256", password, salt, iterations, 32)
line = "pbkdf2-sha256$%d$%s$%s\n" % (iterations, salt.hex(), key.hex())
os.makedirs(folder, mode=0o755, exist_ok=True)
target = os.path.join(folder, "Tesmor.pwd")
pending = target + ".new"
# Written whole beside it, then put in its place in one step: a start of
# Tesmor meanwhile reads the old file or the new one, never half of one.
descriptor = os.open(pending, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o644)
with os.fdopen(descriptor, "w") as out:
    out.write(line)
    out.flush()
    os.fsync(out.fileno())
os.chmod(pending, 0o644)
os.replace(pending, target)
print("tesmor: the password is set in %s; each user'"'"'s Tesmor takes it at its next start" % target)
'

need_root() {
    if [ "$(id -u)" -ne 0 ]; then
        echo "tesmor: $1 changes the password of every user of this computer and needs root: sudo tesmor $1" >&2
        exit 1
    fi
}

case "${1:-}" in
    --set-password)
        need_root --set-password
        exec python3 -c "$set_password_script" "$etc" ;;
    --remove-password)
        need_root --remove-password
        rm -f "$etc/Tesmor.pwd"
        echo "tesmor: the school's password is removed; each user's Tesmor takes the built-in one at its next start"
        exit 0 ;;
esac

# The user's copy follows /etc/tesmor/Tesmor.pwd at every start. One there
# that this user cannot read must still lock the table: the copy is then a
# line that is no digest, which the program takes as damaged.
mirror_password() {
    if [ -e "$etc/Tesmor.pwd" ] || [ -L "$etc/Tesmor.pwd" ]; then
        if [ -f "$etc/Tesmor.pwd" ] && [ -r "$etc/Tesmor.pwd" ]; then
            if ! cmp -s "$etc/Tesmor.pwd" "$data/Tesmor.pwd"; then
                cp "$etc/Tesmor.pwd" "$data/Tesmor.pwd.new"
                mv -f "$data/Tesmor.pwd.new" "$data/Tesmor.pwd"
            fi
        else
            echo "unreadable: $etc/Tesmor.pwd" >"$data/Tesmor.pwd.new"
            mv -f "$data/Tesmor.pwd.new" "$data/Tesmor.pwd"
        fi
    else
        rm -f "$data/Tesmor.pwd"
    fi
}
# --- end of the school's password -------------------------------------------

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

# The school's password beside the user's table.
mirror_password

exec 9>&-
cd "$data"
exec wine "$data/Tesmor.exe"
