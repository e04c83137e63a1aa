#!/usr/bin/env bash
# Opens or closes the Wine desktop that the Windows tests share (see
# desktop_holder.cpp):
#   desktop_holder.sh open|close WINE_RUNNER HOLDER_EXE
# The holder runs detached, with no pipe of CTest's: a process it starts (the
# desktop's own, and the wineserver when none runs yet) inherits its output.
# For the same reason the wait for it writes nowhere either.
set -euo pipefail
action=$1 runner=$2 holder=$3

case "$action" in
open)
    setsid "$runner" "$holder" open </dev/null >/dev/null 2>&1 &
    if ! "$runner" "$holder" ready </dev/null >/dev/null 2>&1; then
        echo "desktop holder: the desktop was not held within 30 s" >&2
        exit 1
    fi
    echo "desktop holder: the desktop is held"
    ;;
close)
    "$runner" "$holder" close </dev/null >/dev/null 2>&1 ||
        { echo "desktop holder: the holder did not go within 10 s" >&2; exit 1; }
    echo "desktop holder: the desktop is let go"
    ;;
*)
    echo "usage: $0 open|close WINE_RUNNER HOLDER_EXE" >&2
    exit 2
    ;;
esac
