#!/usr/bin/env bash
# The Windows installer under Wine, as a user and as a school's administrator
# use it:
#  - just for me (the default): a silent install (/S) into
#    %LOCALAPPDATA%\Programs\Tesmor with the default table, the lab manual
#    (never the teacher's guide), its two Start-menu shortcuts (Tesmor and
#    "Tesmor lab manual") and its entry in the list of installed programs under HKCU; the
#    installed Tesmor.exe, started directly and through the shortcut, shows its
#    panel and closes with exit code 2, and without a table writes exactly the
#    one shipped; an update keeps a changed table; the silent uninstall,
#    started as the entry's QuietUninstallString says, returns only when it is
#    done, with exit code 0, keeps the teacher's Tesmor.smp and Tesmor.smp.bak,
#    and with nothing of theirs left removes the folder too; /D= installs
#    elsewhere;
#  - for all users (/S /ALLUSERS, as an administrator): Program Files, the
#    all-users Start menu, the entry under HKLM; a teacher's table (/TABLE=)
#    beside the program, an unreadable one refused with exit code 4; a start
#    with the program folder read-only, as a student's, reads that table and
#    keeps its log in Documents; an update keeps the table; the school password
#    (/PASSWORD=) opens the table and the built-in one no longer does; the
#    silent uninstall as above.
# The shipped installer is 32-bit. Where this machine runs no 32-bit code, the
# whole test runs a 64-bit installer made here from the same script
# (makensis -DAMD64) and the 64-bit test build; the shipped one is then only
# checked as a file (its manifest, version record and icon).
#
# Headless (Wine's null graphics driver), in a Wine prefix of its own,
# build/package/tests/installer/wineprefix, made on the first run. The panel is
# found and closed by panel_driver.exe (tests/e2e), as a click on the title
# bar's close button would. Every wait has a deadline.
set -uo pipefail
source "$(dirname "$0")/lib.sh"

shipped_setup=$dist/Tesmor-$version-setup.exe
out=$source_dir/build/package/tests/installer
default_table=$source_dir/build/package/Tesmor.smp
readonly user_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Tesmor'
readonly machine_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Tesmor'

root=$source_dir
source "$source_dir/tools/wine-arch.sh"
for tool in wine wineserver makensis python3; do
    command -v "$tool" >/dev/null || stop "$tool is missing (tools/install-deps.sh installs it)"
done
[ -f "$shipped_setup" ] || stop "$shipped_setup does not exist (tools/package.sh makes it)"
[ -f "$default_table" ] || stop "$default_table does not exist (tools/package.sh makes it)"
rm -rf "$out/elsewhere" "$out/nsis" && mkdir -p "$out/elsewhere" "$out/nsis"

echo "installer: the shipped installer file"
manifest=$(strings -a "$shipped_setup")
check "it asks for the highest rights the user has (an administrator confirms once)" \
    grep -q 'level="highestAvailable"' <<<"$manifest"
check_equal "its version record gives the version $version" "$(product_version "$shipped_setup")" "$version"
check_equal "its version record names the publisher" "$(version_value "$shipped_setup" CompanyName)" \
    "Tesmor Project"
check_equal "its version record has the copyright line" "$(version_value "$shipped_setup" LegalCopyright)" \
    "Copyright (C) 2026 Tesmor Project"
setup_icons=$(python3 "$source_dir/tests/package/pe_icons.py" "$shipped_setup" | awk '{ print $2 "/" $3 "/" $4 }')
check_equal "its icon is Tesmor's, 16 to 256 pixels in full colour" "$(tr '\n' ' ' <<<"$setup_icons")" \
    "16/32/dib 24/32/dib 32/32/dib 48/32/png 256/32/png "

if [ "$TESMOR_RUNS_32BIT" = 1 ]; then
    setup=$shipped_setup
    build=$source_dir/build/win
else
    echo "installer: $kNo32Bit; the rest runs a 64-bit installer made from build/win64 with the same script"
    build=$source_dir/build/win64
    cmake --build "$build" --target Tesmor panel_driver >/dev/null ||
        stop "Tesmor and panel_driver cannot be built in $build (configure it as NOTE-32bit.md says)"
    cp "$build/release/Tesmor.exe" "$release/Tesmor.chm" "$source_dir/build/package/nsis/LICENSE.txt" \
       "$source_dir/build/package/nsis/Tesmor-lab-manual.pdf" "$default_table" "$out/nsis/"
    setup=$out/Tesmor-$version-setup-amd64.exe
    makensis -WX -V2 -DAMD64 -DVERSION="$version" -DFILES="$out/nsis" \
             -DICON="$source_dir/res/tesmor-full.ico" -DOUTFILE="$setup" \
             "$source_dir/packaging/windows/tesmor.nsi" >"$out/makensis.log" 2>&1 ||
        stop "the 64-bit test installer could not be made (see $out/makensis.log)"
fi
program=$build/release/Tesmor.exe
driver=$build/tests/panel_driver.exe
[ -f "$driver" ] || stop "$driver does not exist (cmake --build ${build#"$source_dir"/} --target panel_driver)"

export WINEPREFIX=$out/wineprefix WINEARCH=$TESMOR_WINEARCH WINEDEBUG=-all
# No Mono or Gecko prompts; no Linux menu entries for the shortcut.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
locked=()
unlock() { [ ${#locked[@]} -eq 0 ] || { chattr -i "${locked[@]}" 2>/dev/null; chmod u+w "${locked[@]}" 2>/dev/null; }; }
cleanup() { unlock; timeout 30 wineserver -k 2>/dev/null; }
trap cleanup EXIT
timeout 240 "$source_dir/tools/wine-prefix.sh" "$WINEPREFIX" </dev/null >"$out/prefix.log" 2>&1 ||
    stop "the Wine prefix could not be made (see $out/prefix.log)"

# Windows runs its programs with nothing on the standard streams here either.
win() { timeout "$1" wine "${@:2}" </dev/null 2>>"$out/wine.log"; }
windows_path() { win 30 cmd /c echo "$1" | tr -d '\r'; }
unix_path() { win 30 winepath -u "$1" 2>/dev/null | sed 's:/$::'; }
# The value NAME of the uninstall key KEY, as `reg query` shows it.
reg_value() {
    win 30 reg query "$1" /v "$2" | tr -d '\r' |
        sed -n "s/^ *$2 *REG_[A-Z_]* *//p"
}
key_exists() { win 30 reg query "$1" >/dev/null 2>&1; }
# Every process of the prefix ended.
all_ended() { timeout "$1" wineserver -w; }
listing() { (cd "$1" 2>/dev/null && ls -A | LC_ALL=C sort | tr '\n' ' '); }
# run_command SECONDS COMMAND_LINE: starts the command line exactly as the
# list of installed programs does; its exit code.
run_command() { win "$1" "$driver" run "$2" >>"$out/driver.log"; }

user_win=$(windows_path '%LOCALAPPDATA%')'\Programs\Tesmor'
user_shortcut_win=$(windows_path '%APPDATA%')'\Microsoft\Windows\Start Menu\Programs\Tesmor.lnk'
machine_win=$(windows_path '%ProgramFiles%')'\Tesmor'
machine_shortcut_win=$(windows_path '%ProgramData%')'\Microsoft\Windows\Start Menu\Programs\Tesmor.lnk'
other_win='C:\Lab programs\Tesmor'
documents_win=$(windows_path '%USERPROFILE%')'\Documents'
for path in "$user_win" "$machine_win" "$documents_win"; do
    [[ $path == [A-Z]:\\* ]] || stop "a shell folder is not known in the prefix (\"$path\")"
done
user_dir=$(unix_path "$user_win")
user_shortcut=$(unix_path "$user_shortcut_win")
user_manual_shortcut=$(unix_path "${user_shortcut_win%\\*}\\Tesmor lab manual.lnk")
machine_dir=$(unix_path "$machine_win")
machine_shortcut=$(unix_path "$machine_shortcut_win")
machine_manual_shortcut=$(unix_path "${machine_shortcut_win%\\*}\\Tesmor lab manual.lnk")
other_dir=$(unix_path "$other_win")
log_dir=$(unix_path "$documents_win\\Tesmor")
[ -n "$user_dir" ] && [ -n "$machine_dir" ] && [ -n "$log_dir" ] || stop "winepath gives no Unix paths"

# What an earlier run left.
rm -rf "$user_dir" "$user_shortcut" "$user_manual_shortcut" "$machine_dir" "$machine_shortcut" \
       "$machine_manual_shortcut" "$other_dir" "$log_dir"
win 30 reg delete "$user_key" /f >/dev/null 2>&1
win 30 reg delete "$machine_key" /f >/dev/null 2>&1
all_ended 60

# start_and_close DESCRIPTION COMMAND...: starts Tesmor with COMMAND from a
# folder of its own, waits for its panel, closes it; sets `code` to the exit
# code of COMMAND and `driver_code` to panel_driver's, and `driver_out` to
# what it printed. The array driver_args goes to panel_driver before "close".
driver_args=()
start_and_close() {
    local what=$1
    shift
    (cd "$out/elsewhere" && exec timeout 120 wine "$@" </dev/null >>"$out/wine.log" 2>&1) &
    local pid=$!
    driver_out=$(win 90 "$driver" "${driver_args[@]}" close 2>>"$out/driver.log" | tr -d '\r')
    driver_code=$?
    wait_for_exit 60 "$pid"
    code=$?
    [ -n "$what" ] && check_equal "$what: the panel appeared and was closed (panel_driver's exit code)" "$driver_code" 0
}

# A table of two materials, as a teacher's: the count, then 12 columns of two.
python3 -c 'import struct, sys
sys.stdout.buffer.write(struct.pack("<i", 2) + struct.pack("<24d", *[k + 0.25 for k in range(24)]))' \
    >"$out/teacher.smp"

# ------------------------------------------------------------ just for me
echo "installer: silent install just for the current user"
win 120 "$setup" /S
check_equal "setup.exe /S ends with exit code 0" "$?" 0
check_equal "$user_win holds the program, its help, the licence, the lab manual, the default table and the uninstaller" \
    "$(listing "$user_dir")" "LICENSE.txt Tesmor-lab-manual.pdf Tesmor.chm Tesmor.exe Tesmor.smp Uninstall.exe "
check "the installed Tesmor.exe is the build's" cmp -s "$user_dir/Tesmor.exe" "$program"
check "the installed Tesmor.chm is the release build's" cmp -s "$user_dir/Tesmor.chm" "$release/Tesmor.chm"
check "the installed Tesmor.smp is the default table shipped" cmp -s "$user_dir/Tesmor.smp" "$default_table"
check "the Start-menu shortcut exists" test -f "$user_shortcut"
link_strings=$(strings -a "$user_shortcut" 2>/dev/null)
check "the shortcut points to the installed Tesmor.exe" grep -qxF "$user_win\\Tesmor.exe" <<<"$link_strings"
check "the installed Tesmor-lab-manual.pdf is the lab manual in dist/" \
    cmp -s "$user_dir/Tesmor-lab-manual.pdf" "$dist/Tesmor-$version-lab-manual.pdf"
check "the Start-menu shortcut \"Tesmor lab manual\" exists" test -f "$user_manual_shortcut"
check "it points to the installed lab manual" \
    grep -qxF "$user_win\\Tesmor-lab-manual.pdf" <<<"$(strings -a "$user_manual_shortcut" 2>/dev/null)"
check "no teacher's guide and no password in what was installed (help/check-books.py --files)" \
    eval 'python3 "$source_dir/help/check-books.py" --files "$user_dir" >"$out/check-books.log" 2>&1 ||
          { sed "s/^/    /" "$out/check-books.log"; false; }'
check "no all-users entry was made" eval '! key_exists "$machine_key"'

echo "installer: the entry in the list of installed programs"
check "$user_key exists" key_exists "$user_key"
check_equal "DisplayName" "$(reg_value "$user_key" DisplayName)" "Tesmor"
check_equal "DisplayVersion" "$(reg_value "$user_key" DisplayVersion)" "$version"
check_equal "Publisher" "$(reg_value "$user_key" Publisher)" "Tesmor Project"
check_equal "InstallLocation" "$(reg_value "$user_key" InstallLocation)" "$user_win"
check_equal "UninstallString" "$(reg_value "$user_key" UninstallString)" "\"$user_win\\Uninstall.exe\""
quiet=$(reg_value "$user_key" QuietUninstallString)
check "QuietUninstallString runs a copy of $user_win\\Uninstall.exe and waits for it" \
    grep -qF "start \"\" /wait \"%TEMP%\\Tesmor-uninstall.exe\" /S _?=$user_win" <<<"$quiet"
check_equal "DisplayIcon" "$(reg_value "$user_key" DisplayIcon)" "$user_win\\Tesmor.exe,0"
check_equal "NoModify" "$(reg_value "$user_key" NoModify)" "0x1"
check_equal "NoRepair" "$(reg_value "$user_key" NoRepair)" "0x1"
estimated=$(($(reg_value "$user_key" EstimatedSize)))
actual=$(du -sk --apparent-size "$user_dir" | cut -f1)
check "EstimatedSize ($estimated KiB) is the size of the folder ($actual KiB) within 10 %" \
    test $((estimated * 10)) -ge $((actual * 9)) -a $((estimated * 10)) -le $((actual * 11))

echo "installer: the installed program"
start_and_close "started from another folder" "$user_win\\Tesmor.exe"
check_equal "Tesmor.exe ends with exit code 2 after its window is closed" "$code" 2
check "the shipped table is left as it was" cmp -s "$user_dir/Tesmor.smp" "$default_table"
check "it wrote nothing into the folder it was started from" test -z "$(ls -A "$out/elsewhere")"
rm -f "$user_dir/Tesmor.smp"
start_and_close "started without a table" "$user_win\\Tesmor.exe"
check "without a table it writes one at its close" test -f "$user_dir/Tesmor.smp"
check "the table it writes is byte for byte the one the packages ship" \
    cmp -s "$user_dir/Tesmor.smp" "$default_table"
start_and_close "started through the Start-menu shortcut" start /wait "$user_shortcut_win"
check_equal "the shortcut's start ended" "$code" 0

echo "installer: an update keeps a changed table"
cp "$out/teacher.smp" "$user_dir/Tesmor.smp" && cp "$out/teacher.smp" "$user_dir/Tesmor.smp.bak"
win 120 "$setup" /S
check_equal "setup.exe /S over the installed one ends with exit code 0" "$?" 0
check "Tesmor.smp is unchanged" cmp -s "$user_dir/Tesmor.smp" "$out/teacher.smp"
check "Tesmor.smp.bak is unchanged" cmp -s "$user_dir/Tesmor.smp.bak" "$out/teacher.smp"
check "the uninstall key still names $user_win" test "$(reg_value "$user_key" InstallLocation)" = "$user_win"

echo "installer: silent uninstall with the teacher's table in the folder"
started=$SECONDS
run_command 120 "$quiet"
check_equal "the QuietUninstallString ends with exit code 0" "$?" 0
# Checked at once: an uninstaller that returned before its work was done
# would leave the files here.
check_equal "when it returns, only the table and its backup are left in the folder" \
    "$(listing "$user_dir")" "Tesmor.smp Tesmor.smp.bak "
check "the shortcut is gone" test ! -e "$user_shortcut"
check "the lab manual's shortcut is gone" test ! -e "$user_manual_shortcut"
check "the uninstall key is gone" eval '! key_exists "$user_key"'
check "no process of the uninstall is left" all_ended 5
check "Tesmor.smp is unchanged" cmp -s "$user_dir/Tesmor.smp" "$out/teacher.smp"
check "Tesmor.smp.bak is unchanged" cmp -s "$user_dir/Tesmor.smp.bak" "$out/teacher.smp"
echo "  (the uninstall took $((SECONDS - started)) s)"

echo "installer: install again, then uninstall with nothing of the user's left"
win 120 "$setup" /S /CURRENTUSER
check_equal "setup.exe /S /CURRENTUSER into the kept folder ends with exit code 0" "$?" 0
check "the kept table is still there" cmp -s "$user_dir/Tesmor.smp" "$out/teacher.smp"
rm -f "$user_dir/Tesmor.smp" "$user_dir/Tesmor.smp.bak"
run_command 120 "$(reg_value "$user_key" QuietUninstallString)"
check_equal "the uninstaller ends with exit code 0" "$?" 0
check "when it returns, the folder is gone" test ! -e "$user_dir"
check "the shortcut is gone" test ! -e "$user_shortcut"
check "the uninstall key is gone" eval '! key_exists "$user_key"'

echo "installer: /D= installs where it says"
# As typed: /D= last and unquoted, spaces and all.
setup_win="Z:${setup//\//\\}"
run_command 120 "\"$setup_win\" /S /D=$other_win"
check_equal "setup.exe /S /D=$other_win ends with exit code 0" "$?" 0
check_equal "$other_win holds the program" "$(listing "$other_dir")" \
    "LICENSE.txt Tesmor-lab-manual.pdf Tesmor.chm Tesmor.exe Tesmor.smp Uninstall.exe "
check_equal "InstallLocation" "$(reg_value "$user_key" InstallLocation)" "$other_win"
check "nothing went to $user_win" test ! -e "$user_dir"
run_command 120 "$(reg_value "$user_key" QuietUninstallString)"
check_equal "its uninstaller ends with exit code 0" "$?" 0
check_equal "when it returns, only the table is left" "$(listing "$other_dir")" "Tesmor.smp "

echo "installer: the switches it takes"
help=$(timeout 60 wine "$setup" /S '/?' </dev/null 2>>"$out/wine.log" | tr -d '\r')
check_equal "setup.exe /S /? ends with exit code 0" "${PIPESTATUS[0]}" 0
lists_switches() {
    local switch
    for switch in /ALLUSERS /CURRENTUSER /TABLE= /PASSWORD= /D=; do grep -qF -- "$switch" <<<"$help" || return 1; done
}
check "it lists /ALLUSERS, /CURRENTUSER, /TABLE=, /PASSWORD= and /D=" lists_switches
check "it installed nothing" eval 'test ! -e "$user_dir" && ! key_exists "$user_key"'

# ------------------------------------------------------------ for all users
echo "installer: a table that cannot be read is refused"
timeout 120 wine "$setup" /S /ALLUSERS '/TABLE=Z:\nowhere\Tesmor.smp' </dev/null >/dev/null 2>"$out/refused.err"
check_equal "setup.exe /S /ALLUSERS /TABLE=<missing file> ends with exit code 4" "$?" 4
check "it says why on standard error" grep -q 'cannot be read' "$out/refused.err"
check "it installed nothing" eval 'test ! -e "$machine_dir" && ! key_exists "$machine_key"'

echo "installer: silent install for all users, with a teacher's table"
teacher_win="Z:${out//\//\\}\\teacher.smp"
win 120 "$setup" /S /ALLUSERS "/TABLE=$teacher_win"
check_equal "setup.exe /S /ALLUSERS /TABLE=... ends with exit code 0" "$?" 0
check_equal "$machine_win holds the program, its help, the licence, the table and the uninstaller" \
    "$(listing "$machine_dir")" "LICENSE.txt Tesmor-lab-manual.pdf Tesmor.chm Tesmor.exe Tesmor.smp Uninstall.exe "
check "Tesmor.smp is the teacher's table" cmp -s "$machine_dir/Tesmor.smp" "$out/teacher.smp"
check "the all-users Start-menu shortcut exists" test -f "$machine_shortcut"
link_strings=$(strings -a "$machine_shortcut" 2>/dev/null)
check "it points to the installed Tesmor.exe" grep -qxF "$machine_win\\Tesmor.exe" <<<"$link_strings"
check "the all-users shortcut \"Tesmor lab manual\" points to the installed lab manual" \
    grep -qxF "$machine_win\\Tesmor-lab-manual.pdf" <<<"$(strings -a "$machine_manual_shortcut" 2>/dev/null)"
check "no shortcut in the user's own Start menu" test ! -e "$user_shortcut"
check "$machine_key exists" key_exists "$machine_key"
check "no entry of the current user's" eval '! key_exists "$user_key"'
check_equal "Publisher" "$(reg_value "$machine_key" Publisher)" "Tesmor Project"
check_equal "InstallLocation" "$(reg_value "$machine_key" InstallLocation)" "$machine_win"
machine_quiet=$(reg_value "$machine_key" QuietUninstallString)
check "QuietUninstallString runs a copy of $machine_win\\Uninstall.exe and waits for it" \
    grep -qF "copy /y \"$machine_win\\Uninstall.exe\"" <<<"$machine_quiet"

echo "installer: a student's start, the program folder read-only"
locked=("$machine_dir/Tesmor.smp" "$machine_dir")
chmod a-w "${locked[@]}"
# Root writes anywhere; the immutable attribute stops even root.
[ "$(id -u)" -ne 0 ] || chattr +i "${locked[@]}" 2>/dev/null
if touch "$machine_dir/probe" 2>/dev/null; then
    rm -f "$machine_dir/probe"
    bad "the program folder cannot be made read-only here (root, and no immutable attribute)"
else
    # Material 1 of the teacher's table, a current in each coil, one reading.
    driver_args=(1035=1 1005=10 1009=5 record)
    start_and_close "started as a student" "$machine_win\\Tesmor.exe"
    driver_args=()
    check_equal "Tesmor.exe ends with exit code 2" "$code" 2
    check "the teacher's table is unchanged" cmp -s "$machine_dir/Tesmor.smp" "$out/teacher.smp"
    check_equal "nothing was added to the program folder" "$(listing "$machine_dir")" \
        "LICENSE.txt Tesmor-lab-manual.pdf Tesmor.chm Tesmor.exe Tesmor.smp Uninstall.exe "
    check "the reading went into the log in Documents\\Tesmor" \
        eval 'test "$(grep -c "^1[;,]" "$log_dir/Tesmor.csv" 2>/dev/null)" = 1'
fi
unlock
locked=()

echo "installer: an update for all users keeps the table"
win 120 "$setup" /S /ALLUSERS
check_equal "setup.exe /S /ALLUSERS over the installed one ends with exit code 0" "$?" 0
check "Tesmor.smp is still the teacher's" cmp -s "$machine_dir/Tesmor.smp" "$out/teacher.smp"
check "the log in Documents is unchanged" test -f "$log_dir/Tesmor.csv"

echo "installer: the school password"
kept_after_uninstall="Tesmor.smp "
if [ "$(win 60 "$program" /SETPASSWORD; echo $?)" = 2 ]; then
    run_command 120 "\"$setup_win\" /S /ALLUSERS \"/PASSWORD=Lab 7 Sesame\""
    check_equal "a password switch quoted whole, which hides its value, is refused with exit code 5" "$?" 5
    check "no password was set" test ! -e "$machine_dir/Tesmor.pwd"
    # A folder in the digest's place: the program cannot write it.
    mkdir "$machine_dir/Tesmor.pwd"
    timeout 120 wine "$setup" /S /ALLUSERS /PASSWORD=Sesame </dev/null >/dev/null 2>"$out/password.err"
    check_equal "a password that cannot be written fails the install with exit code 5" "$?" 5
    check "it says so on standard error" grep -q 'password could not be set' "$out/password.err"
    rmdir "$machine_dir/Tesmor.pwd"
    run_command 120 "\"$setup_win\" /S /ALLUSERS /PASSWORD=\"Lab 7 Sesame\""
    check_equal "setup.exe /S /ALLUSERS /PASSWORD=\"Lab 7 Sesame\" ends with exit code 0" "$?" 0
    check "Tesmor.pwd beside the table holds a digest, not the password" \
        eval 'grep -qE "^pbkdf2-sha256\\\$[0-9]+\\\$[0-9a-f]{32}\\\$[0-9a-f]{64}\r?$" "$machine_dir/Tesmor.pwd" &&
              ! grep -q Sesame "$machine_dir/Tesmor.pwd"'
    driver_args=("password=Lab 7 Sesame")
    start_and_close "" "$machine_win\\Tesmor.exe"
    check_equal "the password dialog takes the school's password" "$driver_out" accepted
    # The password every installation has without a school's own (the tests' editor scripts type it).
    driver_args=("password=479 zkp")
    start_and_close "" "$machine_win\\Tesmor.exe"
    driver_args=()
    check_equal "the built-in password is refused" "$driver_out" refused
    kept_after_uninstall="Tesmor.pwd Tesmor.smp "
else
    bad "Tesmor.exe /SETPASSWORD without a password does not end with exit code 2: the program cannot set a password"
fi

echo "installer: silent uninstall for all users"
run_command 120 "$machine_quiet"
check_equal "the QuietUninstallString ends with exit code 0" "$?" 0
check_equal "when it returns, only the table and the school password are left" "$(listing "$machine_dir")" \
    "$kept_after_uninstall"
check "Tesmor.smp is the teacher's" cmp -s "$machine_dir/Tesmor.smp" "$out/teacher.smp"
check "the all-users shortcut is gone" test ! -e "$machine_shortcut"
check "the all-users shortcut of the lab manual is gone" test ! -e "$machine_manual_shortcut"
check "the uninstall key is gone" eval '! key_exists "$machine_key"'
check "the log in Documents is left" test -f "$log_dir/Tesmor.csv"

finish
