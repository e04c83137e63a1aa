#!/usr/bin/env bash
# Prints Tesmor's version, "1.0.0.1": the product version of the version record
# in res/tesmor.rc, the one place it is written. Fails if the record's numeric
# and text forms of it disagree, so that a half-made change is not shipped.
set -euo pipefail
rc="$(dirname "$0")/../res/tesmor.rc"
text=$(sed -n 's/^[[:space:]]*VALUE "ProductVersion", "\([^"]*\)".*/\1/p' "$rc")
numbers=$(sed -n 's/^[[:space:]]*PRODUCTVERSION[[:space:]]*\([0-9, ]*\).*/\1/p' "$rc" | tr -d ' ' | tr , .)
if ! [[ $text =~ ^[0-9]+\.[0-9]+\.[0-9]+\.[0-9]+$ ]]; then
    echo "version: no ProductVersion of the form A.B.C.D in $rc" >&2; exit 1
fi
if [ "$numbers" != "$text" ]; then
    echo "version: $rc disagrees with itself: PRODUCTVERSION $numbers, ProductVersion \"$text\"" >&2
    exit 1
fi
echo "$text"
