#!/bin/sh
# tesmor: starts Tesmor, the Windows program installed in /usr/lib/tesmor,
# under Wine.
#
# Tesmor keeps its table of material parameters, Tesmor.smp, beside its own
# executable and writes it there whenever it closes, so each user runs a copy
# of their own in ${XDG_DATA_HOME:-~/.local/share}/tesmor: Tesmor.exe and
# Tesmor.chm copied from /usr/lib/tesmor again whenever the installed ones
# differ (after an upgrade), the help pages linked to the installed ones, the
# table (the school's from /etc/tesmor whenever it differs, else the default
# one for a user who has none), and a 32-bit Wine prefix of its own, made on
# the first start and brought up to date with this command's settings on the
# first start after an upgrade.
#
# Started from a desktop menu this command's standard error goes nowhere a
# user sees, so a failure is shown in a window too, and the first start, on
# which Wine is set up for a minute, shows a window while it lasts.
set -eu

lib=/usr/lib/tesmor
school=/etc/tesmor
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

# The user's copy follows /etc/tesmor/Tesmor.pwd at every start (through
# `place`, which says in a window when it cannot be copied). One there that
# this user cannot read must still lock the table: the copy is then a line
# that is no digest, which the program takes as damaged.
mirror_password() {
    if [ -e "$etc/Tesmor.pwd" ] || [ -L "$etc/Tesmor.pwd" ]; then
        if [ -f "$etc/Tesmor.pwd" ] && [ -r "$etc/Tesmor.pwd" ]; then
            cmp -s "$etc/Tesmor.pwd" "$data/Tesmor.pwd" || place "$etc/Tesmor.pwd" Tesmor.pwd
        elif ! { echo "unreadable: $etc/Tesmor.pwd" >"$data/Tesmor.pwd.new" &&
                 mv -f "$data/Tesmor.pwd.new" "$data/Tesmor.pwd"; } 2>/dev/null; then
            rm -f "$data/Tesmor.pwd.new"
            fail "The school's password file $etc/Tesmor.pwd cannot be read, and the table could not be locked in $data. $kFreeSpace"
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
       sudo tesmor --set-password | --remove-password

Starts Tesmor, a virtual laboratory for the Hall effect in semiconductors,
under Wine.

Each user's data lives in ${XDG_DATA_HOME:-~/.local/share}/tesmor:
  Tesmor.exe, Tesmor.chm  the user's copy of the program and its help
  Tesmor.smp              the table of material parameters
  Tesmor.csv              the measurement log, one line for each reading
  wineprefix/             the Wine prefix Tesmor runs in (about 200 MB)
  wine-setup.log          Wine's messages from setting the prefix up
Readings that could not be saved there when a session ended go to Tesmor/ in
the Documents folder that Wine links to (~/Documents, or the home folder).

The school's table: when /etc/tesmor/Tesmor.smp exists, every start puts it
in place of the user's Tesmor.smp if they differ. Students can change their
own copy while Tesmor runs, but the next start puts the school's table back.
Without it, a user with no table gets the default one.

The school's password for the table: \`sudo tesmor --set-password\` asks for it
(twice) and keeps only a salted digest of it in /etc/tesmor/Tesmor.pwd; every
start puts that file beside the user's table, and the built-in password no
longer opens the table. \`sudo tesmor --remove-password\` brings the built-in
one back.

To remove a user's data, close Tesmor and run, as that user:
  rm -r ${XDG_DATA_HOME:-~/.local/share}/tesmor
(the next start sets Tesmor up again). See tesmor(1).
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

# Windows only where there is a desktop to show them on.
on_desktop() {
    [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && command -v zenity >/dev/null 2>&1
}
# zenity reads its text as Pango markup.
markup() {
    printf '%s' "$1" | sed 's/&/\&amp;/g; s/</\&lt;/g; s/>/\&gt;/g'
}

# The first start's window, shown while Wine is set up. It reads its standard
# input from this command's descriptor 8 and closes when that closes: when
# the setup is done, and also when this command ends in any other way, so it
# never outlives the setup.
splash_shown=
show_splash() {
    on_desktop || return 0
    fifo=$data/.splash-$$
    rm -f "$fifo"
    mkfifo "$fifo" 2>/dev/null || return 0
    NO_AT_BRIDGE=1 zenity --progress --pulsate --no-cancel --auto-close --title=Tesmor \
        --text="Setting up Tesmor for the first time..." <"$fifo" >/dev/null 2>&1 &
    splash_pid=$!
    exec 8>"$fifo"
    rm -f "$fifo"
    splash_shown=1
}
close_splash() {
    if [ -n "$splash_shown" ]; then
        exec 8>&-
        splash_shown=
        # The window is gone before Tesmor's own appears: zenity closes at the
        # end of its input, which on a busy machine takes a moment (5 s at most).
        splash_tries=50
        while [ "$splash_tries" -gt 0 ] && kill -0 "$splash_pid" 2>/dev/null; do
            sleep 0.1
            splash_tries=$((splash_tries - 1))
        done
    fi
}

# fail MESSAGE: says what went wrong and what to do, on standard error and in
# a window, and ends the command.
fail() {
    close_splash
    echo "tesmor: $1" >&2
    if on_desktop; then
        # In lines of a readable length: the window is as wide as the text's
        # longest line.
        NO_AT_BRIDGE=1 zenity --error --title=Tesmor --text="$(markup "$1" | fold -s -w 72)" >/dev/null 2>&1 || true
    fi
    exit 1
}

# A relative or empty XDG_DATA_HOME is to be ignored.
case "${XDG_DATA_HOME:-}" in
    /*) data_home=$XDG_DATA_HOME ;;
    *) data_home=$HOME/.local/share ;;
esac
data=$data_home/tesmor
readonly kFreeSpace="If the disk or your quota is full, free some space in $data_home and start Tesmor again."
mkdir -p "$data" 2>/dev/null || fail "Tesmor's folder $data cannot be made. $kFreeSpace"

# Two starts at the same moment must not copy or make the prefix together.
# (A redirection that fails ends the shell at once: tried in a subshell first.)
(: >>"$data/.lock") 2>/dev/null || fail "Tesmor cannot write in $data. $kFreeSpace"
exec 9>>"$data/.lock"
if ! flock -w 600 9; then
    fail "Another start of Tesmor holds $data/.lock. Wait for it to end, or close Tesmor, and start it again."
fi

# place SOURCE NAME: SOURCE copied to NAME in the user's folder through a new
# file moved over it, so that a copy broken off halfway (a full disk) is never
# taken for the program or the table.
place() {
    if cp "$1" "$data/$2.new" 2>/dev/null && mv -f "$data/$2.new" "$data/$2"; then
        return 0
    fi
    rm -f "$data/$2.new"
    fail "$1 could not be copied into $data. $kFreeSpace"
}

for file in Tesmor.exe Tesmor.chm; do
    cmp -s "$lib/$file" "$data/$file" || place "$lib/$file" "$file"
done
# Under Wine the Help menu shows these pages in the desktop's web browser.
if [ ! -e "$data/help" ] && [ ! -L "$data/help" ]; then
    ln -s "$lib/help" "$data/help" 2>/dev/null || fail "The help pages cannot be linked into $data. $kFreeSpace"
fi

# The school's table, which a teacher puts in /etc/tesmor, wins over the
# user's own at every start: a student's changes last until Tesmor is started
# again, and a teacher's update reaches every account at its next start.
# Without it, a user with no table of their own gets the default one.
if [ -e "$school/Tesmor.smp" ]; then
    if ! cmp -s "$school/Tesmor.smp" "$data/Tesmor.smp"; then
        [ -r "$school/Tesmor.smp" ] ||
            fail "The school's table $school/Tesmor.smp cannot be read. An administrator can let every user read it with: sudo chmod 644 $school/Tesmor.smp"
        place "$school/Tesmor.smp" Tesmor.smp
    fi
elif [ ! -e "$data/Tesmor.smp" ] && [ -f "$lib/Tesmor.smp" ]; then
    place "$lib/Tesmor.smp" Tesmor.smp
fi

export WINEPREFIX="$data/wineprefix"
export WINEARCH=win32
export WINEDEBUG="${WINEDEBUG:--all}"
# No offers to download Mono or Gecko, which Tesmor does not use, and no menu
# entries or file types of Wine's own added to the user's desktop. Set before
# wineboot, so that the prefix is made without them too.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

# The settings this command makes in the prefix, numbered; .tesmor-ready
# holds the number of the last one made, and is empty in a prefix made before
# they were numbered (which has the fonts, number 1):
#   1  Wine's fonts linked in, Tahoma linked to DejaVu Sans
#   2  the title bar drawn by Wine, not by the desktop's window manager
#   3  Wine's modules in the prefix without their debugging information
settings=3
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

# Debian's Wine copies every one of its Windows modules into a new prefix
# whole, debugging information and symbol tables included: about two thirds
# of the prefix's size (about 590 MB for each account). Nothing running in the
# prefix reads them; a module is loaded from its code, data, exports and
# relocations, which strip keeps, with the mark "Wine builtin DLL" by which
# Wine knows its own modules. So the copies lose them, here, and again after
# Wine has copied its modules anew (its update after an upgrade of Wine,
# which changes .update-timestamp). A module strip cannot read is left as it
# is, whole: that costs space only.
slim_prefix() {
    find "$WINEPREFIX/drive_c" -type f -size +8k -exec sh -c '
        for file; do
            [ "$(dd if="$file" bs=1 skip=64 count=16 2>/dev/null)" = "Wine builtin DLL" ] && printf "%s\n" "$file"
        done' sh {} + | tr '\n' '\0' | xargs -0 -r strip --strip-all >>"$log" 2>&1 || true
    cp "$WINEPREFIX/.update-timestamp" "$WINEPREFIX/.tesmor-slim" 2>/dev/null || true
}

# setup_failed WHAT: a setup that failed takes back the half-made prefix,
# which can be hundreds of megabytes (on a full quota it is what filled it),
# then says so.
setup_failed() {
    wineserver -k >/dev/null 2>&1 || true
    rm -rf "$WINEPREFIX"
    fail "Wine could not $1 in $WINEPREFIX, and what it had made there was removed. $kFreeSpace Setting up takes about 600 MB. Wine's messages are in $log."
}

# The prefix counts as made only once it is complete; one left half-made by an
# interrupted first start is made again.
if [ ! -f "$ready" ]; then
    show_splash
    echo "tesmor: setting up Wine in $WINEPREFIX (the first time only; this takes a minute)" >&2
    rm -rf "$WINEPREFIX"
    wineboot -i >"$log" 2>&1 || setup_failed "make its prefix"
    # Wine's own fonts draw the caption buttons' symbols and size the message
    # boxes; Debian's Wine does not find them by itself. Linked, not copied.
    ln -sf /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>>"$log" ||
        setup_failed "link its fonts"
    # Wine's stand-in for Tahoma has no Greek letters: the parameter table's
    # headings (mu, alpha, beta) take them from DejaVu Sans.
    wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' \
        /v Tahoma /t REG_MULTI_SZ /d 'DejaVuSans.ttf,DejaVu Sans' /f >>"$log" 2>&1 ||
        setup_failed "link the fonts"
    draw_title_bar || setup_failed "be set to draw the title bar"
    # The settings take effect with the next wineserver.
    wineserver -w || true
    slim_prefix
    echo "$settings" >"$ready" 2>/dev/null || setup_failed "finish its prefix"
    # The window goes when the setup is done rather than when Tesmor's own
    # window comes: from here Wine starts the program in a second or two, and
    # Tesmor may show no window of its own at all (a second start only brings
    # the open one forward), which would leave this one waiting for nothing.
    close_splash
else
    made=$(cat "$ready")
    case "$made" in
        "" | *[!0-9]*) made=1 ;;
    esac
    # Tesmor starts all the same if this fails (a wineserver of another Wine
    # version still running, say); the next start tries again.
    if [ "$made" -lt 2 ] && ! draw_title_bar; then
        echo "tesmor: Wine could not be set to draw the title bar; see $log" >&2
    elif [ "$made" -lt "$settings" ]; then
        slim_prefix
        # (Not written on a full disk: the next start tries again.)
        echo "$settings" 2>/dev/null >"$ready" || true
    elif ! cmp -s "$WINEPREFIX/.update-timestamp" "$WINEPREFIX/.tesmor-slim"; then
        slim_prefix
    fi
fi

# The school's password beside the user's table.
mirror_password

exec 9>&-
cd "$data"
exec wine "$data/Tesmor.exe"
