#!/usr/bin/env bash
# The school's password on Linux, with the launcher of the Debian package
# (taken from the .deb in dist/, not installed): `tesmor --set-password` as
# root with the password on standard input, or on a terminal (asked twice,
# not shown), writes /etc/tesmor/Tesmor.pwd (mode 644, one line that
# Python's hashlib checks again), refuses two
# different or empty passwords and changes nothing then; an ordinary user is
# refused; each start as an ordinary user puts /etc/tesmor/Tesmor.pwd beside
# the user's table, follows a new one, locks the table when it cannot be read
# and removes the user's copy after `--remove-password`.
#
# Nothing of the machine is changed: /etc/tesmor and /usr/lib/tesmor are
# folders of this test, mounted over the real ones in a mount namespace of its
# own (empty folders are made for the mounts where there are none, and removed
# again). Wine is not run: stand-in wine, wineboot and wineserver scripts come
# first on the user's PATH, and the stand-in wine records what the program
# would find beside itself. The user tesmor-pwtest is made here and removed at
# the end.
set -uo pipefail
source "$(dirname "$0")/lib.sh"

deb_file=$dist/tesmor_${version}_all.deb
out=$source_dir/build/package/tests/password
readonly user=tesmor-pwtest
readonly password='Lab µ-7 ü'

[ "$(id -u)" -eq 0 ] || skip "needs root (makes a user and mounts folders of its own over /etc/tesmor)"
command -v unshare >/dev/null || skip "needs unshare (util-linux)"
[ -f "$deb_file" ] || stop "$deb_file does not exist (tools/package.sh makes it)"
rm -rf "$out" && mkdir -p "$out/contents"
dpkg-deb -x "$deb_file" "$out/contents" || stop "dpkg-deb cannot unpack $deb_file"

# What the user reaches: the stand-ins, the mounted folders.
scratch=$(mktemp -d /tmp/tesmor-pwtest.XXXXXX)
chmod 755 "$scratch"
etc=$scratch/etc
mkdir -p "$etc" "$scratch/bin"
made_mount_points=()
for folder in /etc/tesmor /usr/lib/tesmor; do
    if [ ! -d "$folder" ]; then
        mkdir "$folder" && made_mount_points+=("$folder")
    fi
done
cleanup() {
    if id "$user" >/dev/null 2>&1 && [ "$(getent passwd "$user" | cut -d: -f5)" = "Tesmor password test" ]; then
        userdel --remove "$user" 2>/dev/null
    fi
    for folder in "${made_mount_points[@]}"; do rmdir "$folder" 2>/dev/null; done
    rm -rf "$scratch"
}
trap cleanup EXIT

cat >"$scratch/bin/wine" <<'STANDIN'
#!/bin/sh
# A stand-in: the program's start records what lies beside it.
case "$1" in
    */Tesmor.exe)
        dir=$(dirname "$1")
        if [ -e "$dir/Tesmor.pwd" ]; then cat "$dir/Tesmor.pwd"; else echo "no password file"; fi >"$dir/started.log" ;;
esac
exit 0
STANDIN
cat >"$scratch/bin/wineboot" <<'STANDIN'
#!/bin/sh
mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
STANDIN
printf '#!/bin/sh\nexit 0\n' >"$scratch/bin/wineserver"
chmod 755 "$scratch/bin"/*

# in_namespace COMMAND...: COMMAND as root with the test's folders mounted.
in_namespace() {
    unshare --mount --propagation private -- bash -c '
        mount --bind "$1" /etc/tesmor && mount --bind "$2" /usr/lib/tesmor || exit 99
        shift 2
        exec "$@"' namespace "$etc" "$out/contents/usr/lib/tesmor" "$@"
}
# Where the user can read it, whatever the rights on the way to this tree.
launcher=$scratch/tesmor
cp "$out/contents/usr/bin/tesmor" "$launcher" && chmod 755 "$launcher"
as_root() { in_namespace sh "$launcher" "$@"; }
as_user() {
    in_namespace runuser -u "$user" -- env -i HOME="$home" USER="$user" LOGNAME="$user" \
        PATH="$scratch/bin:/usr/bin:/bin" sh "$launcher" "$@"
}
# The key of a digest line worked out again from the password, by Python.
line_checks_out() {
    python3 -c 'import hashlib, sys
scheme, iterations, salt, key = open(sys.argv[1]).read().rstrip("\n").split("$")
sys.exit(0 if scheme == "pbkdf2-sha256" and
         hashlib.pbkdf2_hmac("sha256", sys.argv[2].encode(), bytes.fromhex(salt), int(iterations), 32).hex() == key
         else 1)' "$1" "$2"
}

echo "password: root sets it"
printf '%s\n%s\n' "$password" "$password" | as_root --set-password >"$out/set.log" 2>&1
check_equal "--set-password exits with 0" "$?" 0
file=$etc/Tesmor.pwd
check "the file is there" test -f "$file"
check_equal "its mode and owner" "$(stat -c '%a %U' "$file" 2>/dev/null)" "644 root"
check "one line: pbkdf2-sha256, 200000 iterations, 16 bytes of salt, 32 of key, in lowercase hex" \
    grep -qxE 'pbkdf2-sha256\$200000\$[0-9a-f]{32}\$[0-9a-f]{64}' "$file"
check_equal "nothing more than that line" "$(wc -l <"$file")" 1
check "the key is the password's" line_checks_out "$file" "$password"
check "no temporary file is left" test ! -e "$etc/Tesmor.pwd.new"

# on_terminal PASSWORD COMMAND...: COMMAND on a terminal of its own (a pty),
# answering each prompt with PASSWORD once the prompt is there; prints all
# the terminal showed. Fails when a prompt does not come within 20 s.
on_terminal() {
    python3 -c 'import os, pty, select, sys, time
password, command = sys.argv[1], sys.argv[2:]
pid, fd = pty.fork()
if pid == 0:
    os.execvp(command[0], command)
shown, answered = b"", 0
deadline = time.time() + 20
while time.time() < deadline:
    if select.select([fd], [], [], 0.2)[0]:
        try:
            chunk = os.read(fd, 1024)
        except OSError:
            break
        if not chunk:
            break
        shown += chunk
    prompts = shown.count(b"password") - shown.count(b"password is set")
    if answered < min(prompts, 2):
        os.write(fd, password.encode() + b"\n")
        answered += 1
_, status = os.waitpid(pid, 0)
sys.stdout.write(shown.decode("utf-8", "replace"))
sys.exit(os.waitstatus_to_exitcode(status))' "$@"
}

echo "password: root on a terminal"
on_terminal "$password" unshare --mount --propagation private -- bash -c '
    mount --bind "$1" /etc/tesmor && mount --bind "$2" /usr/lib/tesmor && exec sh "$3" --set-password' \
    namespace "$etc" "$out/contents/usr/lib/tesmor" "$launcher" >"$out/terminal.log" 2>&1
check_equal "--set-password on a terminal exits with 0" "$?" 0
check "it asked for the password" grep -q "^New password for the parameter editor:" "$out/terminal.log"
check "  and for it again" grep -q "^The same password again:" "$out/terminal.log"
check "the password was not shown" eval '! grep -qF "$password" "$out/terminal.log"'
check "the key is the password's" line_checks_out "$file" "$password"
first=$(cat "$file")

echo "password: what changes nothing"
printf 'one\nother\n' | as_root --set-password >"$out/differ.log" 2>&1
check "two different passwords: refused" test $? -ne 0
check "  and said so" grep -q "differ" "$out/differ.log"
printf '\n\n' | as_root --set-password >"$out/empty.log" 2>&1
check "an empty password: refused" test $? -ne 0
as_root --set-password </dev/null >"$out/none.log" 2>&1
check "no input at all: refused" test $? -ne 0
check_equal "the file is as it was" "$(cat "$file")" "$first"

echo "password: an ordinary user"
if id "$user" >/dev/null 2>&1; then
    [ "$(getent passwd "$user" | cut -d: -f5)" = "Tesmor password test" ] ||
        stop "a user $user exists who was not made by this test"
    userdel --remove "$user" 2>/dev/null
fi
useradd --create-home --shell /bin/sh --comment "Tesmor password test" "$user" || stop "the user $user cannot be made"
home=$(getent passwd "$user" | cut -d: -f6)
data=$home/.local/share/tesmor
printf 'mine\nmine\n' | as_user --set-password >"$out/user-set.log" 2>&1
check_equal "--set-password as a user exits with 1" "$?" 1
check "  and says that it needs root" grep -q "needs root: sudo tesmor --set-password" "$out/user-set.log"
as_user --remove-password >"$out/user-remove.log" 2>&1
check_equal "--remove-password as a user exits with 1" "$?" 1
check_equal "the file is as it was" "$(cat "$file")" "$first"

echo "password: each start puts it beside the user's table"
as_user >"$out/start1.log" 2>&1
check_equal "the start went through" "$?" 0
check_equal "the program found the school's file beside it" "$(cat "$data/started.log" 2>/dev/null)" "$first"
check_equal "the user's copy is mode 644" "$(stat -c '%a %U' "$data/Tesmor.pwd" 2>/dev/null)" "644 $user"

printf '%s\n' "another one" | as_root --set-password >"$out/set2.log" 2>&1
check_equal "a new password set with one line of input" "$?" 0
check "  which is the one in the file" line_checks_out "$file" "another one"
as_user >"$out/start2.log" 2>&1
check_equal "the next start takes the new file" "$(cat "$data/started.log" 2>/dev/null)" "$(cat "$file")"

chmod 600 "$file"
as_user >"$out/start3.log" 2>&1
check "a file the user cannot read locks the table: the copy is no digest line" \
    grep -qx "unreadable: /etc/tesmor/Tesmor.pwd" "$data/started.log"
chmod 644 "$file"

as_root --remove-password >"$out/remove.log" 2>&1
check_equal "--remove-password exits with 0" "$?" 0
check "the file is gone" test ! -e "$file"
as_user >"$out/start4.log" 2>&1
check "the next start removes the user's copy: the built-in password again" test ! -e "$data/Tesmor.pwd"
check_equal "  and the program finds none" "$(cat "$data/started.log" 2>/dev/null)" "no password file"

finish
