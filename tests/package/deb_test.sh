#!/usr/bin/env bash
# The Debian package: what it holds and declares (lintian with no error and no
# warning left unexplained); that apt resolves its dependencies on a fresh
# amd64 machine with i386 added and refuses without; then, as root, installed
# with apt-get, used by an ordinary user on a virtual screen, and removed.
#
# The user (tesmor-pkgtest, made here and removed at the end) runs `tesmor`
# twice, on a desktop with a window manager (openbox, run by the user): the
# first start makes the Wine prefix and the user's copy, shows the message
# about the missing parameters file, then the panel; closing the panel
# (Alt+F4) ends the command and leaves the user's Tesmor.smp; the prefix has
# the fonts for the Greek letters and the caption symbols, and Wine draws the
# title bar. The second start follows a changed program and a prefix made by
# the command before it drew the title bar, whose wineserver still runs (as
# after an upgrade with Tesmor open): the copy is refreshed, the table is kept
# and read, so the panel comes without the message; and the window manager's
# title bar has given way to Wine's: the "?" button switches context help on (a
# click on the material box then shows its pop-up), and a click on the icon
# opens the window menu, whose "Parameters..." asks for the password.
# Screenshots go to build/package/tests/deb/. The Xvfb display is :140 or the
# next free one. Every wait has a deadline.
#
# Before those starts, tests/package/deb_accounts.sh tries the command's own
# work for a lab's accounts (the school's table from /etc/tesmor, the first
# start's window, a failed set-up on a full home folder, --help) with
# stand-ins for Wine; after them the package is removed, then purged, which
# keeps the teacher's table in /etc/tesmor and says where the users' data and
# that table stay. Those parts run where 32-bit code does
# not; the two starts above need it, and are skipped without it.
set -uo pipefail
source "$(dirname "$0")/lib.sh"

deb_file=$dist/tesmor_${version}_all.deb
panel_tests=$source_dir/build/win/tests/panel_tests.exe
panel_driver=$source_dir/build/win/tests/panel_driver.exe
out=$source_dir/build/package/tests/deb
readonly kCaption="Experimental Setup for Hall-Effect Measurement"
readonly user=tesmor-pkgtest

[ -f "$deb_file" ] || stop "$deb_file does not exist (tools/package.sh makes it)"
rm -rf "$out" && mkdir -p "$out/contents"

echo "deb: the package's fields"
field() { dpkg-deb -f "$deb_file" "$1"; }
check_equal "Package" "$(field Package)" tesmor
check_equal "Version is the version record's" "$(field Version)" "$version"
check_equal "Architecture" "$(field Architecture)" all
check_equal "Depends" "$(field Depends)" "wine32:i386, wine, fonts-wine, fonts-dejavu-core, zenity, binutils, python3"

echo "deb: the files"
listing=$(dpkg-deb -c "$deb_file") || stop "dpkg-deb cannot list $deb_file"
dpkg-deb -x "$deb_file" "$out/contents" || stop "dpkg-deb cannot unpack $deb_file"
root=$out/contents
files=$(awk '$1 !~ /^d/ { sub(/^\.\//, "", $6); print $6 }' <<<"$listing" | LC_ALL=C sort)
expected_files=$(
    {
        printf '%s\n' usr/bin/tesmor usr/lib/tesmor/Tesmor.exe usr/lib/tesmor/Tesmor.chm usr/lib/tesmor/Tesmor.smp \
            usr/share/applications/tesmor.desktop usr/share/man/man1/tesmor.1.gz \
            usr/share/doc/tesmor/copyright usr/share/doc/tesmor/changelog.Debian.gz \
            usr/share/doc/tesmor/Tesmor-lab-manual.pdf \
            usr/share/lintian/overrides/tesmor
        for size in 16 32 48 64 128 256; do echo "usr/share/icons/hicolor/${size}x${size}/apps/tesmor.png"; done
        (cd "$release" && find help -type f | sed 's:^:usr/lib/tesmor/:')
    } | LC_ALL=C sort)
check "it holds exactly the expected files" \
    eval '[ "$files" = "$expected_files" ] ||
          { diff <(echo "$expected_files") <(echo "$files") | sed -n "s/^[<>]/    &/p"; false; }'
not_root=$(awk '$2 != "root/root"' <<<"$listing")
check "every file and folder belongs to root:root" test -z "$not_root"
modes=$(awk '{ sub(/^\.\//, "", $6); print $1, $6 }' <<<"$listing")
check "/usr/bin/tesmor is executable (rwxr-xr-x)" grep -qx -- '-rwxr-xr-x usr/bin/tesmor' <<<"$modes"
odd_modes=$(grep -v -e '^-rw-r--r-- ' -e '^drwxr-xr-x ' -e '^-rwxr-xr-x usr/bin/tesmor$' <<<"$modes")
check "every other file is rw-r--r--, every folder rwxr-xr-x" test -z "$odd_modes"
check "Tesmor.exe is the release build's, stripped" \
    eval 'cmp -s "$root/usr/lib/tesmor/Tesmor.exe" "$release/Tesmor.exe" && stripped "$root/usr/lib/tesmor/Tesmor.exe"'
check "Tesmor.chm and the help pages are the release build's" \
    eval 'cmp -s "$root/usr/lib/tesmor/Tesmor.chm" "$release/Tesmor.chm" && diff -r "$root/usr/lib/tesmor/help" "$release/help" >/dev/null'
# The default table, the same in every package (the installer test compares
# it with what the program itself writes).
check "Tesmor.smp is the default table the packages ship" \
    cmp -s "$root/usr/lib/tesmor/Tesmor.smp" "$source_dir/build/package/Tesmor.smp"
check "the lab manual in /usr/share/doc/tesmor is the one in dist/" \
    cmp -s "$root/usr/share/doc/tesmor/Tesmor-lab-manual.pdf" "$dist/Tesmor-$version-lab-manual.pdf"
check "no teacher's guide and no password in the package (help/check-books.py --files)" \
    eval 'python3 "$source_dir/help/check-books.py" --files "$root" >"$out/check-books.log" 2>&1 ||
          { sed "s/^/    /" "$out/check-books.log"; false; }'
check "the md5sums match the files" eval 'dpkg-deb -e "$deb_file" "$out/control" &&
    (cd "$root" && md5sum --quiet -c "$out/control/md5sums")'
png_size() {
    python3 -c 'import struct, sys
data = open(sys.argv[1], "rb").read(24)
if data[:8] != b"\x89PNG\r\n\x1a\n" or data[12:16] != b"IHDR": sys.exit(1)
print("%dx%d" % struct.unpack(">II", data[16:24]))' "$1"
}
for size in 16 32 48 64 128 256; do
    check_equal "the ${size}x${size} icon is a PNG of that size" \
        "$(png_size "$root/usr/share/icons/hicolor/${size}x${size}/apps/tesmor.png")" "${size}x${size}"
done
desktop=$root/usr/share/applications/tesmor.desktop
if command -v desktop-file-validate >/dev/null; then
    check "the desktop entry is valid (desktop-file-validate)" eval 'desktop-file-validate "$desktop" >&2'
else
    bad "desktop-file-validate is missing (tools/install-deps.sh --package installs it)"
fi
check "the desktop entry runs tesmor with the icon tesmor" \
    eval 'grep -qx "Exec=tesmor" "$desktop" && grep -qx "Icon=tesmor" "$desktop"'
man_warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$root/usr/share/man/man1/tesmor.1.gz" 2>&1 >/dev/null)
check "the man page formats without warnings" test -z "$man_warnings"
man_text=$(LC_ALL=C.UTF-8 MANWIDTH=80 man -E UTF-8 -l "$root/usr/share/man/man1/tesmor.1.gz" 2>/dev/null)
check "the man page's teacher section says the password is in the teacher's guide, without printing it" \
    eval 'grep -q "Tesmor-$version-teachers-guide.pdf" <<<"$man_text" && grep -q "password" <<<"$man_text" &&
          ! grep -qF "479 zkp" <<<"$man_text"'
check "the man page names the version" eval 'zcat "$root/usr/share/man/man1/tesmor.1.gz" | grep -F "Tesmor $version" >/dev/null'
check_equal "the changelog's latest entry is this version" \
    "$(zcat "$root/usr/share/doc/tesmor/changelog.Debian.gz" | sed -n '1s/^tesmor (\([^)]*\)).*/\1/p')" "$version"
copyright=$root/usr/share/doc/tesmor/copyright
check "the copyright file is machine-readable, with the project's licence text" \
    eval '[ "$(head -n 1 "$copyright")" = "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/" ] &&
          grep -qF " Permission is hereby granted, free of charge" "$copyright" && ! grep -q "@[A-Z0-9.-]*@" "$copyright"'
check "the command has its version filled in" eval '! grep -q "@VERSION@" "$root/usr/bin/tesmor" && sh -n "$root/usr/bin/tesmor"'

echo "deb: lintian"
if command -v lintian >/dev/null; then
    lintian --fail-on error,warning "$deb_file" </dev/null >"$out/lintian.log" 2>&1
    status=$?
    sed 's/^/    /' "$out/lintian.log"
    check_equal "lintian reports no error and no warning that is not overridden (exit code)" "$status" 0
    # The overridden tags are shown only on request (and then count as failures).
    lintian --show-overrides "$deb_file" </dev/null >"$out/lintian-overrides.log" 2>&1
    grep '^O: ' "$out/lintian-overrides.log" | sed 's/^/    /'
    other_overrides=$(grep '^O: ' "$out/lintian-overrides.log" | grep -v 'wrong-name-for-changelog-of-native-package')
    check "lintian's overrides are only those in packaging/debian/lintian-overrides" test -z "$other_overrides"
else
    bad "lintian is missing (tools/install-deps.sh --package installs it)"
fi

echo "deb: apt's view of a fresh machine"
# apt's answer for a machine with nothing installed: an empty dpkg status.
if [ "$(dpkg --print-architecture)" = amd64 ] && dpkg --print-foreign-architectures | grep -x i386 >/dev/null; then
    : >"$out/empty-status"
    simulate() {
        apt-get -s -o Debug::NoLocking=1 -o Dir::State::status="$out/empty-status" "$@" install "$deb_file" 2>&1
    }
    plan=$(simulate)
    check "with i386 added, apt installs tesmor with wine32:i386" \
        eval 'grep -q "^Inst tesmor " <<<"$plan" && grep -q "^Inst wine32:i386 " <<<"$plan"'
    check "and not the 64-bit Wine, which Tesmor does not use" eval '! grep -q "^Inst wine64 " <<<"$plan"'
    plan=$(simulate -o APT::Architectures::=amd64)
    check "without i386, apt refuses: wine32:i386 is not installable" \
        grep -q "Depends: wine32:i386 but it is not installable" <<<"$plan"
else
    echo "  SKIPPED: the simulated installs: they are about an amd64 machine with i386 added, and this is not one"
fi

# ------------------------------------------------------------ as root from here
if [ "$(id -u)" -ne 0 ]; then
    skip_rest "installing the package, making a user and running as them need root; run the tests as root"
fi
for tool in apt-get useradd userdel runuser Xvfb xdotool import convert openbox; do
    command -v "$tool" >/dev/null || stop "$tool is missing (tools/install-deps.sh --package installs it)"
done

. "$source_dir/tools/virtual-screen.sh"
home=
tesmor_pid=
manager_pid=
tools=
cleanup() {
    if [ -n "$tesmor_pid" ] && kill -0 "$tesmor_pid" 2>/dev/null; then kill "$tesmor_pid" 2>/dev/null; fi
    if [ -n "$home" ] && [ -d "$home/.local/share/tesmor/wineprefix" ]; then
        timeout 30 runuser -u "$user" -- env WINEPREFIX="$home/.local/share/tesmor/wineprefix" wineserver -k 2>/dev/null
    fi
    if [ -n "$manager_pid" ] && kill -0 "$manager_pid" 2>/dev/null; then
        kill "$manager_pid" 2>/dev/null
        wait "$manager_pid" 2>/dev/null
    fi
    stop_virtual_screen
    ! declare -F accounts_cleanup >/dev/null || accounts_cleanup
    [ -z "$tools" ] || rm -rf "$tools"
    if [ -n "$home" ] && id "$user" >/dev/null 2>&1; then userdel --remove "$user" 2>/dev/null; fi
    if [ "$(dpkg-query -W -f='${Status}' tesmor 2>/dev/null)" = "install ok installed" ]; then
        apt-get remove -y -qq -o DPkg::Lock::Timeout=300 tesmor >/dev/null 2>&1
    fi
}
trap cleanup EXIT
trap 'exit 1' INT TERM

apt_get() {
    DEBIAN_FRONTEND=noninteractive timeout 600 apt-get -y -q -o DPkg::Lock::Timeout=300 "$@" \
        </dev/null >>"$out/apt.log" 2>&1
}

echo "deb: installed with apt-get"
if [ "$(dpkg-query -W -f='${Status}' tesmor 2>/dev/null)" = "install ok installed" ]; then
    apt_get remove tesmor || stop "a tesmor installed before cannot be removed (see $out/apt.log)"
fi
apt_get install "$deb_file"
check_equal "apt-get install ./tesmor_${version}_all.deb ends with exit code 0" "$?" 0
check_equal "dpkg has tesmor $version installed" \
    "$(dpkg-query -W -f='${Status} ${Version}' tesmor 2>/dev/null)" "install ok installed $version"
check "/usr/lib/tesmor/Tesmor.exe is the release build's" cmp -s /usr/lib/tesmor/Tesmor.exe "$release/Tesmor.exe"
check_equal "the command is on the PATH" "$(command -v tesmor)" /usr/bin/tesmor
check_equal "tesmor --version" "$(tesmor --version 2>&1)" "tesmor $version"
check "tesmor --help shows the usage" eval 'tesmor --help | grep "^Usage: tesmor" >/dev/null'
tesmor --no-such-option >/dev/null 2>&1
check_equal "tesmor refuses an unknown argument (exit code 1)" "$?" 1
# Whether this machine's dpkg is set to leave PATH out (slim container images
# leave out manuals).
dpkg_leaves_out() {
    local pattern
    while read -r pattern; do
        # shellcheck disable=SC2053
        [[ $1 == $pattern ]] && return 0
    done < <(sed -n 's/^path-exclude[= ]*//p' /etc/dpkg/dpkg.cfg /etc/dpkg/dpkg.cfg.d/* 2>/dev/null)
    return 1
}
if dpkg_leaves_out /usr/share/man/man1/tesmor.1.gz; then
    echo "  SKIPPED: the man page: this machine's dpkg leaves /usr/share/man out (path-exclude)"
else
    check "the man page is installed for man" eval 'man -w tesmor >/dev/null 2>&1'
fi

# ---- the command for every account (its own block)
# shellcheck source=tests/package/deb_accounts.sh
source "$(dirname "$0")/deb_accounts.sh"

# removed_and_purged: apt-get remove, then purge, and what each leaves.
removed_and_purged() {
    # The teacher's table is in /etc/tesmor when the package goes.
    install -m 644 "$out/school-2" /etc/tesmor/Tesmor.smp
    echo "deb: removed with apt-get"
    apt_get remove tesmor
    check_equal "apt-get remove tesmor ends with exit code 0" "$?" 0
    # (Only its purge script is kept, for apt-get purge.)
    check_equal "dpkg has no tesmor installed" "$(dpkg-query -W -f='${Status}' tesmor 2>/dev/null)" \
        "deinstall ok config-files"
    check "/usr/lib/tesmor is gone" test ! -e /usr/lib/tesmor
    left=$(while read -r file; do [ -e "/$file" ] && echo "/$file"; done <<<"$files")
    check "no file of the package is left" eval '[ -z "$left" ] || { sed "s/^/    left: /" <<<"$left"; false; }'
    check "the users' tables stay" eval '[ -f "$data_a/Tesmor.smp" ] && { [ -z "${data:-}" ] || [ -f "$data/Tesmor.smp" ]; }'
    echo "deb: purged with apt-get"
    DEBIAN_FRONTEND=noninteractive timeout 600 apt-get -y -q -o DPkg::Lock::Timeout=300 purge tesmor \
        </dev/null >"$out/purge.log" 2>&1
    check_equal "apt-get purge tesmor ends with exit code 0" "$?" 0
    sed -n '/^tesmor: /,/^ *sudo rm/p' "$out/purge.log" | sed 's/^/    apt-get: /'
    check "the school's table in /etc/tesmor, the teacher's, stays" cmp -s /etc/tesmor/Tesmor.smp "$out/school-2"
    check "it says so and how to remove it" \
        eval 'grep -qF "/etc/tesmor" "$out/purge.log" && grep -qF "sudo rm -r /etc/tesmor" "$out/purge.log"'
    check "it says where the users' data stays and how to remove it" \
        eval 'grep -qF "~/.local/share/tesmor" "$out/purge.log" && grep -qF "rm -r ~/.local/share/tesmor" "$out/purge.log"'
    check_equal "dpkg knows no tesmor any more" "$(dpkg-query -W -f='${Status}' tesmor 2>/dev/null)" ""
    rm -r /etc/tesmor
    check "the users' tables still stay" test -f "$data_a/Tesmor.smp"
}
# ---- end of the command for every account

if ! runs_32bit; then
    removed_and_purged
    skip_rest "using the installed program under Wine: $kNo32Bit"
fi

echo "deb: an ordinary user's first start"
# A user of that name left by an earlier run is made again; anyone else's is
# left alone.
if id "$user" >/dev/null 2>&1; then
    [ "$(getent passwd "$user" | cut -d: -f5)" = "Tesmor package test" ] ||
        stop "a user $user exists who was not made by this test"
    userdel --remove "$user" 2>/dev/null
fi
useradd --create-home --shell /bin/sh --comment "Tesmor package test" "$user" ||
    stop "the user $user cannot be made"
home=$(getent passwd "$user" | cut -d: -f6)
data=$home/.local/share/tesmor
start_virtual_screen 140 || stop "no virtual screen"
echo "  (virtual screen $DISPLAY)"
# The user's desktop has a window manager, which would draw the title bars of
# Wine's windows unless told not to.
runuser -u "$user" -- env -i HOME="$home" USER="$user" LOGNAME="$user" PATH=/usr/bin:/bin \
    DISPLAY="$DISPLAY" openbox --sm-disable </dev/null >"$out/openbox.log" 2>&1 &
manager_pid=$!
# (xdotool answers 0 desktops, and succeeds, until a manager says otherwise.)
wait_until 30 eval '[ "$(xdotool get_num_desktops 2>/dev/null)" -gt 0 ]' || stop "openbox did not start within 30 s"

# start_tesmor LOG: `tesmor` as the user, with a clean environment, as a
# desktop would start it.
start_tesmor() {
    runuser -u "$user" -- env -i HOME="$home" USER="$user" LOGNAME="$user" SHELL=/bin/sh \
        PATH=/usr/local/bin:/usr/bin:/bin DISPLAY="$DISPLAY" LANG=C.UTF-8 \
        timeout 600 tesmor </dev/null >"$1" 2>&1 &
    tesmor_pid=$!
}
# Tesmor's visible windows: "ID WIDTH HEIGHT" a line (the message box shares
# the panel's caption; the panel is the large one).
windows() {
    local id
    for id in $(xdotool search --onlyvisible --name "^$kCaption\$" 2>/dev/null); do
        eval "$(xdotool getwindowgeometry --shell "$id" 2>/dev/null)" && echo "$id $WIDTH $HEIGHT"
    done
}
panel_shown() { [ -n "$(windows | awk '$2 >= 400 && $3 >= 400')" ]; }
message_shown() { [ -n "$(windows | awk '$2 < 400')" ]; }
window_id() { windows | awk -v large="$1" '($2 >= 400) == large { print $1; exit }'; }
shot() { timeout 20 import -window root "$out/$1.png" 2>/dev/null; }
# The panel as drawn: its picture's pure colours, the cyan temperature
# chamber, the blue and red poles, the yellow contacts, are in the window.
panel_drawn() {
    local id=$1 x y colours
    eval "$(xdotool getwindowgeometry --shell "$id")"
    x=$X y=$Y
    shot panel-check || return 1
    colours=$(convert "$out/panel-check.png" -crop "${WIDTH}x${HEIGHT}+${x}+${y}" +repage -unique-colors txt:-)
    grep -q '#00FFFF' <<<"$colours" && grep -q '#0000FF' <<<"$colours" &&
        grep -q '#FF0000' <<<"$colours" && grep -q '#FFFF00' <<<"$colours"
}
close_panel() {
    local id
    id=$(window_id 1) && xdotool windowfocus --sync "$id" key alt+F4
}

started=$SECONDS
start_tesmor "$out/first-start.log"
if wait_until 300 message_shown; then
    pass "the message about the missing parameters file appeared after $((SECONDS - started)) s (Wine set up)"
    shot first-start-message
    check "the panel is not shown before the message is answered" eval '! panel_shown'
    xdotool windowfocus --sync "$(window_id 0)" key Return
else
    bad "no message about the missing parameters file within 300 s"
    shot failure-first-start
fi
if wait_until 60 panel_shown; then
    pass "the panel appeared"
    shot first-start-panel
    check "the panel is drawn (screenshot $out/first-start-panel.png)" panel_drawn "$(window_id 1)"
    close_panel
    wait_for_exit 60 "$tesmor_pid"
    code=$?
    check_equal "Alt+F4 closed the panel and ended the command with Tesmor's exit code" "$code" 2
else
    bad "no panel within 60 s"
    shot failure-first-panel
fi
sed 's/^/    tesmor: /' "$out/first-start.log"

check "the user's Tesmor.exe and Tesmor.chm are the installed ones" \
    eval 'cmp -s "$data/Tesmor.exe" /usr/lib/tesmor/Tesmor.exe && cmp -s "$data/Tesmor.chm" /usr/lib/tesmor/Tesmor.chm'
check "the user's help pages are the installed ones" test "$(readlink "$data/help")" = /usr/lib/tesmor/help
check_equal "the user's Tesmor.smp was written, the default table (9604 bytes)" \
    "$(stat -c %s "$data/Tesmor.smp" 2>/dev/null)" 9604
check_equal "it belongs to the user" "$(stat -c %U "$data/Tesmor.smp" 2>/dev/null)" "$user"
prefix=$data/wineprefix
check "the user's Wine prefix is a 32-bit one" grep -qx '#arch=win32' "$prefix/system.reg"
fonts=$(find "$prefix/drive_c/windows/Fonts" -maxdepth 1 -lname '/usr/share/wine/fonts/*.ttf' 2>/dev/null | wc -l)
check "Wine's fonts are linked into the prefix ($fonts of $(ls /usr/share/wine/fonts/*.ttf | wc -l))" \
    test "$fonts" -eq "$(ls /usr/share/wine/fonts/*.ttf | wc -l)" -a "$fonts" -gt 0
font_link=$(awk '/^\[/ { section = index($0, "[Software\\\\Microsoft\\\\Windows NT\\\\CurrentVersion\\\\FontLink\\\\SystemLink]") == 1 }
                 section && /^"Tahoma"=/' "$prefix/system.reg")
check_equal "Tahoma is linked to DejaVu Sans" "$font_link" '"Tahoma"=str(7):"DejaVuSans.ttf,DejaVu Sans\0"'
# user_setting KEY VALUE: the line of VALUE in the section KEY of the prefix's
# user.reg (written when its wineserver ends).
# (Through the environment: awk -v would take the key's backslashes as escapes.)
user_setting() {
    section="[$1]" value="\"$2\"=" awk 'index($0, "[") == 1 { inside = index($0, ENVIRON["section"]) == 1 }
        inside && index($0, ENVIRON["value"]) == 1' "$prefix/user.reg"
}
check_equal "Wine draws the title bar, not the window manager" \
    "$(user_setting 'Software\\Wine\\X11 Driver' Decorated)" '"Decorated"="N"'
# The Windows tests' own check of those fonts, run in the user's prefix: it
# draws the parameter table headers' Greek letters in their font and asks for
# Marlett. (panel_tests.exe writes beside itself: it runs from a copy.)
greek_filter='Editor.TheHeadersGreekLettersAndTheCaptionSymbolsHaveTheirFonts'
if [ -f "$panel_tests" ]; then
    scratch=$(mktemp -d) && cp "$panel_tests" "$scratch/" && chown -R "$user" "$scratch"
    (cd "$scratch" && runuser -u "$user" -- env -i HOME="$home" PATH=/usr/bin:/bin DISPLAY="$DISPLAY"         WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"         timeout 120 wine panel_tests.exe --gtest_filter="$greek_filter" </dev/null 2>&1) |
        tr -d '\r' >"$out/fonts-test.log"
    rm -rf "$scratch"
    check "the user's prefix draws the Greek letters and the caption symbols ($greek_filter)" \
        grep -qx '\[  PASSED  \] 1 test\.' "$out/fonts-test.log"
else
    bad "$panel_tests is missing: the fonts of the user's prefix cannot be checked"
fi
check "nothing was made in ~/.wine" test ! -e "$home/.wine"
check "Wine added no menu entries of its own" test ! -e "$home/.local/share/applications/wine"

echo "deb: the second start, after the program changed and with a prefix of the command before"
# The prefix as the command before this one left it: made before its settings
# were numbered (an empty .tesmor-ready) and leaving the title bar to the
# window manager; and its wineserver still running, as it does while a Tesmor
# started before the upgrade is open.
tools=$(mktemp -d) && chmod 755 "$tools"
cp "$panel_driver" "$tools/" 2>/dev/null || bad "$panel_driver is missing: the screen cannot be looked at"
# user_wine COMMAND...: COMMAND as the user, with the user's prefix, in $tools.
user_wine() {
    (cd "$tools" && runuser -u "$user" -- env -i HOME="$home" PATH=/usr/bin:/bin DISPLAY="$DISPLAY" \
        WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d" \
        "$@" </dev/null)
}
user_wine timeout 30 wineserver -p >>"$out/old-prefix.log" 2>&1
user_wine timeout 60 wine reg delete 'HKCU\Software\Wine\X11 Driver' /v Decorated /f >>"$out/old-prefix.log" 2>&1
! user_wine timeout 60 wine reg query 'HKCU\Software\Wine\X11 Driver' /v Decorated >>"$out/old-prefix.log" 2>&1 ||
    bad "the title bar could not be left to the window manager in the user's prefix (see $out/old-prefix.log)"
: >"$prefix/.tesmor-ready"
cp "$data/Tesmor.smp" "$out/table"
printf 'x' >>"$data/Tesmor.exe"

# Looks at the screen once with panel_driver.exe, a second Wine program in the
# user's prefix that only asks Tesmor's windows; `value KEY` then reads from
# that look (the keys are in tests/e2e/query.h).
state=
look() { state=$(user_wine timeout 20 wine panel_driver.exe query 2>/dev/null | tr -d '\r'); }
value() {
    awk -v key="$1" 'index($0, key " ") == 1 { print substr($0, length(key) + 2); found = 1; exit }
                     END { exit !found }' <<<"$state"
}
has_window() { grep -qx "window $1" <<<"$state"; }
# look_until SECONDS COMMAND...: looks until COMMAND, run after each look,
# succeeds (0) or SECONDS have passed (1).
look_until() {
    local deadline=$((SECONDS + $1))
    shift
    while look && ! "$@"; do
        [ "$SECONDS" -lt "$deadline" ] || return 1
        sleep 0.2
    done
}
# The middle "X Y" of the rectangle "LEFT TOP RIGHT BOTTOM".
middle_of() {
    local left top right bottom
    read -r left top right bottom <<<"$1" && [ -n "$bottom" ] && echo "$(((left + right) / 2)) $(((top + bottom) / 2))"
}
# The middle "X Y" of the caption's "?" button, seen on the screenshot NAME.
# The button's raised frame starts with a light grey (235, 235, 235) top row
# and left column; the leftmost such corner in the panel's title bar is the
# button's, left of Wine's own buttons (which show that grey in places too).
help_button() {
    local left top right bottom
    read -r left top right bottom <<<"$(value panel.rect)" && [ -n "$bottom" ] && shot "$1" || return 1
    convert "$out/$1.png" -crop "$((right - left))x40+$left+$top" +repage txt:- |
        awk -F '[,: ]+' -v x0="$left" -v y0="$top" '
            /#EBEBEB/ { grey[$1 "," $2] = 1; if (!n || $1 < x1) x1 = $1; n++ }
            END {
                if (!n) exit 1
                for (y1 = 0; y1 < 40 && !((x1 "," y1) in grey); y1++) {}
                for (x2 = x1; (x2 + 1 "," y1) in grey; x2++) {}
                for (y2 = y1; (x1 "," y2 + 1) in grey; y2++) {}
                if (x2 - x1 < 8 || y2 - y1 < 8) exit 1
                print x0 + int((x1 + x2) / 2), y0 + int((y1 + y2) / 2)
            }'
}
# system_menu_opens HOW SHOT XDOTOOL_ARGUMENTS...: the input opens Tesmor's
# window menu, whose "Parameters..." (after Restore, Move, Size, Minimize,
# Maximize and a separator) asks for the teacher's password in a dialog with
# the panel's caption; Escape then closes the dialog.
system_menu_opens() {
    local how=$1 name=$2
    shift 2
    xdotool "$@"
    if ! look_until 10 has_window menu; then
        shot "$name-failed"
        bad "$how opened no window menu of Tesmor's (screenshot $out/$name-failed.png)"
        xdotool key Escape
        sleep 1
        return
    fi
    xdotool key Home Down Down Down Down Down
    sleep 0.3
    shot "$name"
    xdotool key Return
    if look_until 10 eval 'has_window password && [ "$(value password.caption)" = "$kCaption" ]'; then
        pass "$how opened the window menu, whose \"Parameters...\" asks for the password (screenshot $out/$name.png)"
        shot "$name-password"
        xdotool key Escape
        look_until 10 eval '! has_window password && has_window panel' ||
            bad "Escape did not close the password dialog and leave the panel"
    else
        shot "$name-failed"
        bad "$how: the window menu's sixth item did not ask for the password (screenshot $out/$name.png)"
        xdotool key Escape Escape
        sleep 1
    fi
}
# The title bar, now Wine's: the "?" button switches context help on, which a
# click on the material box shows (its pop-up at the click); a click on the
# icon opens the window menu with "Parameters...". (Alt+Space is not tried:
# openbox takes it for its own window menu, whatever Wine draws.)
title_bar_works() {
    local button box icon
    look
    box=$(middle_of "$(value control.1035.rect)") || { bad "the panel's material box is not to be found"; return; }
    if ! button=$(help_button title-bar); then
        bad "the title bar has no \"?\" button (screenshot $out/title-bar.png)"
    else
        xdotool mousemove "${box% *}" "${box#* }" click 1
        sleep 1
        check "a click on the material box alone shows no context help" eval 'look && ! has_window popup'
        xdotool mousemove "${button% *}" "${button#* }" click 1
        sleep 0.5
        shot help-mode
        xdotool mousemove "${box% *}" "${box#* }" click 1
        if look_until 10 has_window popup; then
            shot help-popup
            check_equal "after the \"?\" button, a click on the material box shows its context help at the click" \
                "$(value popup.rect | cut -d' ' -f1,2)" "$box"
            xdotool key Escape
            look_until 10 eval '! has_window popup' || bad "Escape did not close the context help"
        else
            shot help-failed
            bad "the \"?\" button did not switch context help on: a click on the material box showed nothing (screenshot $out/help-failed.png)"
        fi
    fi
    look
    if icon=$(value panel.sysmenu); then
        system_menu_opens "A click on the title bar's icon" icon mousemove "${icon% *}" "${icon#* }" click 1
    else
        bad "the panel's title bar has no icon"
    fi
}

start_tesmor "$out/second-start.log"
if wait_until 120 eval 'panel_shown || message_shown'; then
    sleep 1
    check "the panel came without the message: the kept table was read" eval 'panel_shown && ! message_shown'
    shot second-start
    title_bar_works
    close_panel
    wait_for_exit 60 "$tesmor_pid"
    check_equal "closing it ended the command with Tesmor's exit code" "$?" 2
else
    bad "no window within 120 s"
    shot failure-second-start
fi
sed 's/^/    tesmor: /' "$out/second-start.log"
check "the user's Tesmor.exe is the installed one again" cmp -s "$data/Tesmor.exe" /usr/lib/tesmor/Tesmor.exe
check "Tesmor.smp is still the table" cmp -s "$data/Tesmor.smp" "$out/table"
check "there is no Tesmor.smp.bak: the table was not found damaged" test ! -e "$data/Tesmor.smp.bak"
timeout 30 runuser -u "$user" -- env WINEPREFIX="$prefix" wineserver -k 2>/dev/null

removed_and_purged

finish
