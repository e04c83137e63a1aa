# shellcheck shell=bash
# Shared by the package tests: named checks that count their failures, waits
# with deadlines, and where things are. Sourced, not run.
#
# A test prints one line per check, "ok: ..." or "FAILED: ...", and ends with
# `finish`, which exits 0 only if every check passed. `stop` ends it at once
# (for a failure that leaves nothing more to check); `skip` ends it with 77,
# which tests/package/run.sh reports as skipped, with the reason.

source_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
version=$("$source_dir/tools/version.sh")
dist=$source_dir/dist
release=$source_dir/build/win/release
checks=0
failures=0

pass() { checks=$((checks + 1)); echo "  ok: $*"; }
bad() { checks=$((checks + 1)); failures=$((failures + 1)); echo "  FAILED: $*"; }

# check DESCRIPTION COMMAND...: a check passes when COMMAND succeeds.
check() {
    local what=$1
    shift
    if "$@"; then pass "$what"; else bad "$what"; fi
}

# check_equal DESCRIPTION ACTUAL EXPECTED
check_equal() {
    if [ "$2" = "$3" ]; then pass "$1"; else bad "$1: \"$2\", expected \"$3\""; fi
}

finish() {
    echo "  $checks checks, $failures failed"
    [ "$failures" -eq 0 ]
    exit
}

stop() {
    bad "$*"
    echo "  (the test stops here)"
    finish
}

skip() {
    echo "  SKIPPED: $*"
    exit 77
}

# skip_rest REASON: the rest of the test cannot run here; what ran before
# still counts (a failure among it fails the test).
skip_rest() {
    echo "  SKIPPED from here: $*"
    [ "$failures" -eq 0 ] || finish
    exit 77
}

# Whether this machine runs the 32-bit program: Debian's 32-bit Wine needs a
# kernel that runs 32-bit code, which some virtual machines' kernels do not.
runs_32bit() {
    [ -x /usr/lib/wine/wine ] && /usr/lib/wine/wine --version >/dev/null 2>&1
}
readonly kNo32Bit="this machine's kernel runs no 32-bit programs, so 32-bit Wine cannot run the program"


# wait_until SECONDS COMMAND...: runs COMMAND every 0.2 s until it succeeds
# (returns 0) or SECONDS have passed (returns 1).
wait_until() {
    local deadline=$((SECONDS + $1))
    shift
    while ! "$@"; do
        [ "$SECONDS" -lt "$deadline" ] || return 1
        sleep 0.2
    done
}

# wait_for_exit SECONDS PID: the exit code of the background job PID, or 124
# if it has not ended in time (it is then killed).
wait_for_exit() {
    local deadline=$((SECONDS + $1)) pid=$2
    while kill -0 "$pid" 2>/dev/null; do
        if [ "$SECONDS" -ge "$deadline" ]; then
            kill "$pid" 2>/dev/null
            wait "$pid" 2>/dev/null
            return 124
        fi
        sleep 0.2
    done
    wait "$pid"
}

# Whether a PE file has no symbols: no symbol table, no debugging sections.
# (Outputs are read whole: with pipefail, grep -q ending a pipe early would
# make the pipe fail through the writer's broken pipe.)
stripped() {
    local flags sections symbols
    flags=$(i686-w64-mingw32-objdump -f "$1") && sections=$(i686-w64-mingw32-objdump -h "$1") || return 1
    symbols=$(i686-w64-mingw32-nm "$1" 2>&1)
    ! grep -qE 'HAS_SYMS|HAS_DEBUG' <<<"$flags" && ! grep -q '\.debug' <<<"$sections" &&
        grep -q 'no symbols' <<<"$symbols"
}

# The version a PE file's version record gives as ProductVersion.
product_version() {
    strings -a -el "$1" | awk 'found { print; exit } $0 == "ProductVersion" { found = 1 }'
}

# The value NAME (CompanyName, LegalCopyright...) of a PE file's version record.
version_value() {
    strings -a -el "$1" | awk -v name="$2" 'found { print; exit } $0 == name { found = 1 }'
}

# Whether every line of a text file ends with CR LF, the last one included,
# and no CR stands anywhere else.
crlf_only() {
    python3 -c 'import sys
data = open(sys.argv[1], "rb").read()
sys.exit(0 if data.endswith(b"\r\n") and data.count(b"\n") == data.count(b"\r\n") == data.count(b"\r") else 1)' "$1"
}
