#!/usr/bin/env bash
# Makes a folder that refuses new files, with a parameters file of two
# materials in it, and runs the read-only folder tests on it:
#   read_only_folder.sh TEST_PROGRAM WINE_RUNNER WORK_FOLDER
# chmod is enough for an ordinary user; root writes anywhere, so for root the
# folder gets the immutable attribute instead. Exits with 77 (skipped) when
# neither works here, saying why.
set -euo pipefail
program=$1 runner=$2 work=$3
folder="$work/read-only"

unlock() {
    chattr -i "$folder" 2>/dev/null || true
    chmod u+w "$folder" 2>/dev/null || true
}
unlock
rm -rf "$folder"
mkdir -p "$folder"
trap unlock EXIT

# A valid file: the count, then 12 columns of two doubles each.
python3 -c 'import struct, sys
sys.stdout.buffer.write(struct.pack("<i", 2) + struct.pack("<24d", *[k + 0.5 for k in range(24)]))' \
    >"$folder/Tesmor.smp"

chmod a-w "$folder"
if [ "$(id -u)" -eq 0 ]; then chattr +i "$folder" 2>/dev/null || true; fi
if touch "$folder/probe" 2>/dev/null; then
    rm -f "$folder/probe"
    echo "read-only folder: cannot make a folder read-only here (root, and no immutable attribute)"
    exit 77
fi

TESMOR_READ_ONLY_FOLDER="Z:${folder//\//\\}" "$runner" "$program"
