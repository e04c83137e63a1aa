# shellcheck shell=bash
# Sourced by deb_test.sh, as root, once the package is installed: the tesmor
# command's own work for the accounts of a lab, tried as ordinary users with
# the installed command.
#
# - Two accounts get the school's table from /etc/tesmor, one over a table of
#   its own; a student's change to their copy is undone at the next start; a
#   teacher's update of /etc/tesmor reaches both at their next start. Without
#   it, a user with no table gets the default one and one with a table of
#   their own keeps it. /etc/tesmor is the package's, and not a conffile.
# - The prefix's copies of Wine's modules lose their debugging information
#   (and again once Wine has copied them anew), keeping what loads them.
# - `tesmor --help` says where each user's data lives and how to remove it.
# - On a virtual screen (no window manager), the first start shows a window
#   "Setting up Tesmor for the first time..." while Wine is set up, gone
#   once Wine starts the program; a later start shows none.
# - A home folder on a small file system (tmpfs, 24 MB) that the setup fills:
#   the command fails with exit code 1, says on standard error (and in a
#   window when there is a screen) to free some space there, and the half-made
#   Wine prefix is removed, so the space is free again.
#
# Wine itself is not what is tested here (and this machine may run no 32-bit
# code): stand-in wine, wineboot and wineserver scripts go first on the
# accounts' PATH in this test only. The stand-in wineboot makes a small
# folder for a prefix (or, told to, fills the disk and fails); the stand-in
# wine answers `reg` and, for Tesmor.exe, notes the start and exits with
# Tesmor's exit code 2. The prefix gets one real module of Wine's own (as
# Debian's Wine copies them in, with its debugging information), which the
# command strips.
#
# Defines accounts_cleanup, which deb_test.sh's cleanup calls.

echo "deb: the command for every account (stand-in Wine: wine, wineboot and wineserver are test scripts here)"
readonly kAccounts=(tesmor-pkgtest-a tesmor-pkgtest-b tesmor-pkgtest-c)
readonly kSplashText="Setting up Tesmor for the first time..."
standin=
small_home=
placed_default=
accounts_screen=

accounts_cleanup() {
    local name pid
    [ -z "$accounts_screen" ] || stop_virtual_screen
    accounts_screen=
    if [ -n "$small_home" ] && mountpoint -q "$small_home"; then umount "$small_home" 2>/dev/null; fi
    for name in "${kAccounts[@]}"; do
        if [ "$(getent passwd "$name" | cut -d: -f5)" = "Tesmor package test" ]; then
            # What the test started as the account (a window left open).
            for pid in $(pgrep -u "$name"); do kill "$pid" 2>/dev/null; done
            userdel --remove "$name" 2>/dev/null
        fi
    done
    [ -z "$standin" ] || rm -rf "$standin"
    standin=
    [ -z "$placed_default" ] || rm -f /usr/lib/tesmor/Tesmor.smp
    placed_default=
    rm -f /etc/tesmor/Tesmor.smp
}

# The stand-ins. STANDIN_WINEBOOT (a file beside them) says what wineboot does:
# "ok" (make a small prefix), "slow" (the same once the test has made a file
# RELEASE beside it, as a real set-up takes its time; at most 60 s) or "fill"
# (write into the prefix until the disk is full, then fail).
standin=$(mktemp -d) && chmod 755 "$standin"
cat >"$standin/wineboot" <<'STANDIN'
#!/bin/sh
mkdir -p "$WINEPREFIX/drive_c/windows/Fonts" || exit 1
here=$(dirname "$0")
case "$(cat "$here/STANDIN_WINEBOOT")" in
    fill) dd if=/dev/zero of="$WINEPREFIX/drive_c/windows/filler" bs=1M 2>/dev/null; exit 1 ;;
    slow) waited=0
          while [ ! -e "$here/RELEASE" ] && [ "$waited" -lt 600 ]; do sleep 0.1; waited=$((waited + 1)); done ;;
esac
mkdir -p "$WINEPREFIX/drive_c/windows/system32"
cp "$(dirname "$0")/module.dll" "$WINEPREFIX/drive_c/windows/system32/" || exit 1
echo 1 >"$WINEPREFIX/.update-timestamp"
echo "#arch=$WINEARCH" >"$WINEPREFIX/system.reg"
echo "$WINEDLLOVERRIDES" >"$WINEPREFIX/overrides-at-wineboot"
STANDIN
cat >"$standin/wine" <<'STANDIN'
#!/bin/sh
case "$1" in
    reg) echo "$*" >>"$WINEPREFIX/reg.log"; exit 0 ;;
    *Tesmor.exe) echo "$1 in $(pwd)" >>"$HOME/tesmor-started"; exit 2 ;;
esac
exit 1
STANDIN
printf '#!/bin/sh\nexit 0\n' >"$standin/wineserver"
echo ok >"$standin/STANDIN_WINEBOOT"
# One of Wine's own modules, as Debian's Wine copies them into a prefix.
module=$(ls /usr/lib/i386-linux-gnu/wine/i386-windows/comctl32.dll /usr/lib/x86_64-linux-gnu/wine/x86_64-windows/comctl32.dll 2>/dev/null | head -n 1)
[ -n "$module" ] || stop "no module of Wine's own to copy into the stand-in prefix"
cp "$module" "$standin/module.dll" && chmod 644 "$standin/module.dll"
chmod 755 "$standin/wine" "$standin/wineboot" "$standin/wineserver"
chmod 644 "$standin/STANDIN_WINEBOOT"

# account NAME VARIABLE: a new ordinary account, its home folder in VARIABLE.
account() {
    if id "$1" >/dev/null 2>&1; then
        [ "$(getent passwd "$1" | cut -d: -f5)" = "Tesmor package test" ] ||
            stop "a user $1 exists who was not made by this test"
        userdel --remove "$1" 2>/dev/null
    fi
    useradd --create-home --shell /bin/sh --comment "Tesmor package test" "$1" >/dev/null 2>&1 ||
        stop "the user $1 cannot be made"
    printf -v "$2" '%s' "$(getent passwd "$1" | cut -d: -f6)"
}
account "${kAccounts[0]}" home_a
account "${kAccounts[1]}" home_b
account "${kAccounts[2]}" home_c
data_a=$home_a/.local/share/tesmor
data_b=$home_b/.local/share/tesmor
data_c=$home_c/.local/share/tesmor

# as NAME HOME [VARIABLE=VALUE...]: runs `tesmor` as the account, as a desktop
# would (a clean environment), with the stand-ins first on the PATH; its
# standard error goes to $out/NAME.err. Returns its exit code.
as() {
    local name=$1 home=$2
    shift 2
    runuser -u "$name" -- env -i HOME="$home" USER="$name" LOGNAME="$name" SHELL=/bin/sh LANG=C.UTF-8 \
        PATH="$standin:/usr/bin:/bin" "$@" timeout 120 tesmor </dev/null >/dev/null 2>"$out/$name.err"
}

# The default table: the package's, or one put there for this test when this
# package has none.
if [ ! -f /usr/lib/tesmor/Tesmor.smp ]; then
    echo "  (this package has no /usr/lib/tesmor/Tesmor.smp: one is put there for this test)"
    head -c 9604 /dev/urandom >/usr/lib/tesmor/Tesmor.smp && chmod 644 /usr/lib/tesmor/Tesmor.smp
    placed_default=1
fi
rm -f /etc/tesmor/Tesmor.smp

check_equal "/etc/tesmor belongs to the package" "$(dpkg-query -S /etc/tesmor 2>/dev/null)" "tesmor: /etc/tesmor"
check_equal "the package has no conffiles (a teacher's table is asked about by no upgrade)" \
    "$(dpkg-query -W -f='${Conffiles}' tesmor)" ""

help=$(runuser -u "${kAccounts[0]}" -- env -i HOME="$home_a" PATH=/usr/bin:/bin tesmor --help 2>&1)
check "tesmor --help names each user's data: table, log and Wine prefix in ~/.local/share/tesmor" \
    eval 'grep -q "~/.local/share/tesmor" <<<"$help" && grep -q "Tesmor\.smp" <<<"$help" &&
          grep -q "Tesmor\.csv" <<<"$help" && grep -q "wineprefix/" <<<"$help"'
check "and how to remove it (rm -r ~/.local/share/tesmor)" grep -qF 'rm -r ~/.local/share/tesmor' <<<"$help"
check "and how the school sets and removes its password" \
    eval 'grep -qF "sudo tesmor --set-password" <<<"$help" && grep -qF "sudo tesmor --remove-password" <<<"$help"'
check "and that the next start puts the school's table from /etc/tesmor back" \
    eval 'grep -qF "/etc/tesmor/Tesmor.smp" <<<"$help" && grep -qF "the next start puts the school'"'"'s table back" <<<"$help"'

echo "deb: no school's table: the default for a user without a table, the own one kept"
as "${kAccounts[0]}" "$home_a"
check_equal "the first start (no screen) ends with the stand-in Tesmor's exit code" "$?" 2
check "the user without a table got the default one" cmp -s "$data_a/Tesmor.smp" /usr/lib/tesmor/Tesmor.smp
check_equal "it belongs to the user" "$(stat -c %U "$data_a/Tesmor.smp" 2>/dev/null)" "${kAccounts[0]}"
check "Tesmor.exe was started from the user's folder" \
    grep -qxF "$data_a/Tesmor.exe in $data_a" "$home_a/tesmor-started"
check_equal "wineboot made the prefix with Mono, Gecko and Wine's menu entries left out" \
    "$(cat "$data_a/wineprefix/overrides-at-wineboot" 2>/dev/null)" "mscoree,mshtml=;winemenubuilder.exe=d"
# A module as Wine copied it: what loads it (its sections, Wine's mark) kept,
# its debugging information and symbols gone.
copied=$data_a/wineprefix/drive_c/windows/system32/module.dll
sections() { objdump -h "$1" 2>/dev/null | awk '$2 ~ /^\./ && $2 !~ /^\.debug/ { print $2, $3 }'; }
check "Wine's module in the prefix lost its debugging information ($(stat -c %s "$copied" 2>/dev/null) of $(stat -c %s "$module") bytes)" \
    eval '[ "$(stat -c %s "$copied")" -lt "$(stat -c %s "$module")" ] && ! objdump -h "$copied" | grep -q "\.debug"'
check "and keeps its sections and Wine's mark of its own modules" \
    eval '[ -n "$(sections "$module")" ] && [ "$(sections "$copied")" = "$(sections "$module")" ] &&
          [ "$(dd if="$copied" bs=1 skip=64 count=16 2>/dev/null)" = "Wine builtin DLL" ]'
# After an upgrade Wine copies its modules anew, whole, and says so in the
# prefix's .update-timestamp: the next start takes the information out again.
cp "$module" "$copied" && echo 2 >"$data_a/wineprefix/.update-timestamp"
as "${kAccounts[0]}" "$home_a"
check "Wine's modules copied anew after an update lose it again at the next start" \
    eval '[ "$(stat -c %s "$copied")" -lt "$(stat -c %s "$module")" ]'
printf 'own' >>"$data_a/Tesmor.smp"
cp "$data_a/Tesmor.smp" "$out/own-table"
as "${kAccounts[0]}" "$home_a"
check "a user's own table is kept when the school has none" cmp -s "$data_a/Tesmor.smp" "$out/own-table"

echo "deb: the school's table in /etc/tesmor"
# school_table N: the teacher puts the Nth version of a table, $out/school-N,
# in /etc/tesmor.
school_table() {
    { head -c 9000 /usr/lib/tesmor/Tesmor.smp; printf 'school-%s' "$1"; } >"$out/school-$1"
    install -m 644 "$out/school-$1" /etc/tesmor/Tesmor.smp
}
school_table 1
as "${kAccounts[0]}" "$home_a"
check "the first account's own table gave way to the school's" cmp -s "$data_a/Tesmor.smp" "$out/school-1"
as "${kAccounts[1]}" "$home_b"
check "the second account, new, got the school's" cmp -s "$data_b/Tesmor.smp" "$out/school-1"
check_equal "its copy belongs to the user" "$(stat -c %U "$data_b/Tesmor.smp" 2>/dev/null)" "${kAccounts[1]}"
# A student's change while Tesmor runs lasts until the next start.
printf 'student' >>"$data_b/Tesmor.smp"
as "${kAccounts[1]}" "$home_b"
check "a student's changed copy is the school's again at the next start" cmp -s "$data_b/Tesmor.smp" "$out/school-1"
school_table 2
as "${kAccounts[0]}" "$home_a"
check "the teacher's update reached the first account at its next start" cmp -s "$data_a/Tesmor.smp" "$out/school-2"
as "${kAccounts[1]}" "$home_b"
check "and the second" cmp -s "$data_b/Tesmor.smp" "$out/school-2"
check "no half-copied table is left" eval '[ ! -e "$data_a/Tesmor.smp.new" ] && [ ! -e "$data_b/Tesmor.smp.new" ]'
chmod 600 /etc/tesmor/Tesmor.smp
printf 'student' >>"$data_b/Tesmor.smp"
as "${kAccounts[1]}" "$home_b"
check_equal "a school's table the users may not read ends the start with exit code 1" "$?" 1
check "and says how to let them read it (sudo chmod 644)" \
    grep -qF "sudo chmod 644 /etc/tesmor/Tesmor.smp" "$out/${kAccounts[1]}.err"
rm -f /etc/tesmor/Tesmor.smp

# windows_titled TITLE: the visible windows of that title on the screen.
windows_titled() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null; }
# window_says ID TEXT: whether the window's program was given TEXT to show
# (in lines folded for the window, joined again here).
window_says() {
    local pid
    pid=$(xdotool getwindowpid "$1" 2>/dev/null) && tr -d '\n' <"/proc/$pid/cmdline" | tr '\0' '\n' | grep -qF -- "$2"
}

echo "deb: the first start's window"
start_virtual_screen 140 || stop "no virtual screen"
accounts_screen=1
echo "  (virtual screen $DISPLAY)"
rm -rf "$data_b/wineprefix" "$home_b/tesmor-started"
echo slow >"$standin/STANDIN_WINEBOOT"
as "${kAccounts[1]}" "$home_b" DISPLAY="$DISPLAY" &
first_start=$!
splash=
wait_until 30 eval 'splash=$(windows_titled Tesmor | head -n 1); [ -n "$splash" ]'
if [ -n "$splash" ]; then
    pass "a window titled Tesmor appeared while Wine was set up"
    timeout 20 import -window root "$out/first-start-window.png" 2>/dev/null
    check "it says \"$kSplashText\" (screenshot $out/first-start-window.png)" window_says "$splash" "$kSplashText"
    check "Tesmor was not started yet" test ! -e "$home_b/tesmor-started"
else
    bad "no window within 30 s of the first start"
fi
touch "$standin/RELEASE"
wait_for_exit 60 "$first_start"
check_equal "the first start ended with the stand-in Tesmor's exit code" "$?" 2
check "Tesmor was started" test -s "$home_b/tesmor-started"
check "the window is gone" eval '[ -z "$(windows_titled Tesmor)" ]'
as "${kAccounts[1]}" "$home_b" DISPLAY="$DISPLAY" &
next_start=$!
shown=0
while kill -0 "$next_start" 2>/dev/null; do
    [ -z "$(windows_titled Tesmor)" ] || shown=1
    sleep 0.1
done
wait "$next_start"
check "a start with the prefix made shows no such window" test "$shown" -eq 0
rm -f "$standin/RELEASE"

echo "deb: a setup that fills a small home folder (tmpfs, 24 MB)"
small_home=$home_c
mount -t tmpfs -o size=24m,mode=755 tmpfs "$small_home" || stop "no tmpfs can be mounted on $small_home"
chown "${kAccounts[2]}:" "$small_home"
free_before=$(df -Pk "$small_home" | awk 'NR == 2 { print $4 }')
echo fill >"$standin/STANDIN_WINEBOOT"
as "${kAccounts[2]}" "$home_c"
check_equal "with no screen, the start fails with exit code 1" "$?" 1
sed 's/^/    tesmor: /' "$out/${kAccounts[2]}.err"
check "standard error says to free some space in $home_c/.local/share" \
    grep -qF "free some space in $home_c/.local/share" "$out/${kAccounts[2]}.err"
check "the half-made Wine prefix was removed" test ! -e "$data_c/wineprefix"
free_after=$(df -Pk "$small_home" | awk 'NR == 2 { print $4 }')
# What stays is the user's copy of the program and its help, about 2 MB.
check "the space is free again (${free_after} KB of ${free_before} KB)" test "$free_after" -gt $((free_before - 4096))
as "${kAccounts[2]}" "$home_c" DISPLAY="$DISPLAY" &
failed_start=$!
error_window=
wait_until 60 eval 'error_window=$(windows_titled Tesmor | head -n 1); [ -n "$error_window" ] && window_says "$error_window" --error'
if [ -n "$error_window" ] && window_says "$error_window" --error; then
    timeout 20 import -window root "$out/failure-window.png" 2>/dev/null
    pass "on a screen, the failure is shown in a window titled Tesmor (screenshot $out/failure-window.png)"
    check "the window says to free some space in $home_c/.local/share" \
        window_says "$error_window" "free some space in $home_c/.local/share"
    xdotool windowfocus --sync "$error_window" key Return 2>/dev/null
else
    bad "no window about the failure within 60 s"
fi
wait_for_exit 30 "$failed_start"
check_equal "once the window is closed, the command ends with exit code 1" "$?" 1
check "the half-made Wine prefix was removed again" test ! -e "$data_c/wineprefix"
check "no window of the command is left" eval '[ -z "$(windows_titled Tesmor)" ]'
echo ok >"$standin/STANDIN_WINEBOOT"
umount "$small_home"
small_home=
stop_virtual_screen
accounts_screen=
# The rest of the test finds the package as it was installed.
[ -z "$placed_default" ] || rm -f /usr/lib/tesmor/Tesmor.smp
placed_default=
