#!/usr/bin/env bash
# The Windows installer under Wine, as a user without administrator rights
# would use it: a silent install (/S) into %LOCALAPPDATA%\Programs\Tesmor with
# its Start-menu shortcut and its entry in the list of installed programs; the
# installed Tesmor.exe, started directly and through the shortcut, shows its
# panel, closes with exit code 2 and writes its parameters file beside itself;
# an update keeps that file; the silent uninstall removes everything else and
# keeps the teacher's Tesmor.smp and Tesmor.smp.bak, and with nothing of theirs
# left removes the folder too.
#
# Headless (Wine's null graphics driver), in a Wine prefix of its own,
# build/package/tests/installer/wineprefix, made on the first run. The panel is
# found and closed by panel_driver.exe (tests/e2e), as a click on the title
# bar's close button would. Every wait has a deadline.
set -uo pipefail
source "$(dirname "$0")/lib.sh"

setup=$dist/Tesmor-$version-setup.exe
driver=$source_dir/build/win/tests/panel_driver.exe
out=$source_dir/build/package/tests/installer
readonly uninstall_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Tesmor'

for tool in wine wineserver winepath i686-w64-mingw32-objdump; do
    command -v "$tool" >/dev/null || stop "$tool is missing (tools/install-deps.sh installs it)"
done
[ -f "$setup" ] || stop "$setup does not exist (tools/package.sh makes it)"
[ -f "$driver" ] || stop "$driver does not exist (cmake --build build/win --target panel_driver)"
mkdir -p "$out/elsewhere"

export WINEPREFIX=$out/wineprefix WINEARCH=${TESMOR_WINEARCH:-win32} WINEDEBUG=-all
# No Mono or Gecko prompts; no Linux menu entries for the shortcut.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
cleanup() { timeout 30 wineserver -k 2>/dev/null; }
trap cleanup EXIT
timeout 240 "$source_dir/tools/wine-prefix.sh" "$WINEPREFIX" </dev/null >"$out/prefix.log" 2>&1 ||
    stop "the Wine prefix could not be made (see $out/prefix.log)"

# Windows runs its programs with nothing on the standard streams here either.
win() { timeout "$1" wine "${@:2}" </dev/null 2>>"$out/wine.log"; }
windows_path() { win 30 cmd /c echo "$1" | tr -d '\r'; }
unix_path() { win 30 winepath -u "$1" 2>/dev/null | sed 's:/$::'; }
# The value NAME of the uninstall key, as `reg query` shows it.
reg_value() {
    win 30 reg query "$uninstall_key" /v "$1" | tr -d '\r' |
        sed -n "s/^ *$1 *REG_[A-Z_]* *//p"
}
key_exists() { win 30 reg query "$uninstall_key" >/dev/null 2>&1; }
# Every process of the prefix ended (the uninstaller goes on in a copy of
# itself after the one started has returned).
all_ended() { timeout "$1" wineserver -w; }

install_win=$(windows_path '%LOCALAPPDATA%')'\Programs\Tesmor'
shortcut_win=$(windows_path '%APPDATA%')'\Microsoft\Windows\Start Menu\Programs\Tesmor.lnk'
[[ $install_win == [A-Z]:\\* ]] || stop "%LOCALAPPDATA% is not known in the prefix (\"$install_win\")"
install_dir=$(unix_path "$install_win")
shortcut=$(unix_path "$shortcut_win")
[ -n "$install_dir" ] && [ -n "$shortcut" ] || stop "winepath gives no Unix path for $install_win"

# What an earlier run left.
rm -rf "$install_dir" "$shortcut"
win 30 reg delete "$uninstall_key" /f >/dev/null 2>&1
all_ended 60

# start_and_close DESCRIPTION COMMAND...: starts Tesmor with COMMAND from a
# folder of its own, waits for its panel, closes it; sets `code` to the exit
# code of COMMAND and `driver_code` to panel_driver's.
start_and_close() {
    local what=$1
    shift
    (cd "$out/elsewhere" && exec timeout 120 wine "$@" </dev/null >>"$out/wine.log" 2>&1) &
    local pid=$!
    win 90 "$driver" close >>"$out/driver.log"
    driver_code=$?
    wait_for_exit 60 "$pid"
    code=$?
    check_equal "$what: the panel appeared and was closed (panel_driver's exit code)" "$driver_code" 0
}

echo "installer: the installer file"
manifest=$(strings -a "$setup")
check "it asks for no administrator rights (asInvoker)" grep -q 'level="asInvoker"' <<<"$manifest"
check_equal "its version record gives the version $version" "$(product_version "$setup")" "$version"

echo "installer: silent install"
win 120 "$setup" /S
check_equal "setup.exe /S ends with exit code 0" "$?" 0
files=$(cd "$install_dir" 2>/dev/null && ls -A | LC_ALL=C sort | tr '\n' ' ')
check_equal "$install_win holds the program, its help, the licence and the uninstaller" "$files" \
    "LICENSE.txt Tesmor.chm Tesmor.exe Uninstall.exe "
check "the installed Tesmor.exe is the release build's" cmp -s "$install_dir/Tesmor.exe" "$release/Tesmor.exe"
check "the installed Tesmor.chm is the release build's" cmp -s "$install_dir/Tesmor.chm" "$release/Tesmor.chm"
check "the Start-menu shortcut exists" test -f "$shortcut"
link_strings=$(strings -a "$shortcut" 2>/dev/null)
check "the shortcut points to the installed Tesmor.exe" grep -qxF "$install_win\\Tesmor.exe" <<<"$link_strings"

echo "installer: the entry in the list of installed programs"
check "$uninstall_key exists" key_exists
check_equal "DisplayName" "$(reg_value DisplayName)" "Tesmor"
check_equal "DisplayVersion" "$(reg_value DisplayVersion)" "$version"
check_equal "Publisher" "$(reg_value Publisher)" "the Tesmor developers"
check_equal "InstallLocation" "$(reg_value InstallLocation)" "$install_win"
check_equal "UninstallString" "$(reg_value UninstallString)" "\"$install_win\\Uninstall.exe\""
quiet=$(reg_value QuietUninstallString)
check_equal "QuietUninstallString" "$quiet" "\"$install_win\\Uninstall.exe\" /S"
check_equal "DisplayIcon" "$(reg_value DisplayIcon)" "$install_win\\Tesmor.exe,0"
check_equal "NoModify" "$(reg_value NoModify)" "0x1"
check_equal "NoRepair" "$(reg_value NoRepair)" "0x1"
estimated=$(($(reg_value EstimatedSize)))
actual=$(du -sk --apparent-size "$install_dir" | cut -f1)
check "EstimatedSize ($estimated KiB) is the size of the folder ($actual KiB) within 10 %" \
    test $((estimated * 10)) -ge $((actual * 9)) -a $((estimated * 10)) -le $((actual * 11))

echo "installer: the installed program"
start_and_close "started from another folder" "$install_win\\Tesmor.exe"
check_equal "Tesmor.exe ends with exit code 2 after its window is closed" "$code" 2
check "it wrote its parameters file beside itself" test -f "$install_dir/Tesmor.smp"
check_equal "the parameters file holds the default table (9604 bytes)" \
    "$(stat -c %s "$install_dir/Tesmor.smp" 2>/dev/null)" 9604
check "it wrote nothing into the folder it was started from" test -z "$(ls -A "$out/elsewhere")"
start_and_close "started through the Start-menu shortcut" start /wait "$shortcut_win"
check_equal "the shortcut's start ended" "$code" 0

echo "installer: an update keeps the table"
cp "$install_dir/Tesmor.smp" "$out/table" && cp "$install_dir/Tesmor.smp" "$install_dir/Tesmor.smp.bak"
win 120 "$setup" /S
check_equal "setup.exe /S over the installed one ends with exit code 0" "$?" 0
check "Tesmor.smp is unchanged" cmp -s "$install_dir/Tesmor.smp" "$out/table"
check "Tesmor.smp.bak is unchanged" cmp -s "$install_dir/Tesmor.smp.bak" "$out/table"
check "the uninstall key still names $install_win" test "$(reg_value InstallLocation)" = "$install_win"

echo "installer: silent uninstall with the teacher's table in the folder"
uninstaller_win=$(sed -n 's/^"\(.*\)" \/S$/\1/p' <<<"$quiet")
[ -n "$uninstaller_win" ] || stop "QuietUninstallString \"$quiet\" is not \"UNINSTALLER\" /S"
win 120 "$uninstaller_win" /S
check_equal "the QuietUninstallString ends with exit code 0" "$?" 0
check "every process of the uninstall ended within 90 s" all_ended 90
files=$(cd "$install_dir" 2>/dev/null && ls -A | LC_ALL=C sort | tr '\n' ' ')
check_equal "only the table and its backup are left in the folder" "$files" "Tesmor.smp Tesmor.smp.bak "
check "Tesmor.smp is unchanged" cmp -s "$install_dir/Tesmor.smp" "$out/table"
check "Tesmor.smp.bak is unchanged" cmp -s "$install_dir/Tesmor.smp.bak" "$out/table"
check "the shortcut is gone" test ! -e "$shortcut"
check "the uninstall key is gone" eval '! key_exists'

echo "installer: install again, then uninstall with nothing of the user's left"
win 120 "$setup" /S
check_equal "setup.exe /S into the kept folder ends with exit code 0" "$?" 0
check "the kept table is still there" cmp -s "$install_dir/Tesmor.smp" "$out/table"
rm -f "$install_dir/Tesmor.smp" "$install_dir/Tesmor.smp.bak"
win 120 "$uninstaller_win" /S
check_equal "the uninstaller ends with exit code 0" "$?" 0
check "every process of the uninstall ended within 90 s" all_ended 90
check "the folder is gone" test ! -e "$install_dir"
check "the shortcut is gone" test ! -e "$shortcut"
check "the uninstall key is gone" eval '! key_exists'

finish
