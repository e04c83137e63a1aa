#!/usr/bin/env bash
# Makes a folder that refuses new files, with parameters files of two
# materials in it (Tesmor.smp may be written over, Locked.smp may not, and
# Damaged.smp is too short to be read), and runs the read-only folder tests on it:
#   read_only_folder.sh TEST_PROGRAM WINE_RUNNER WORK_FOLDER
# chmod is enough for an ordinary user; root writes anywhere, so for root the
# folder gets the immutable attribute instead. Exits with 77 (skipped) when
# neither works here, saying why.
set -euo pipefail
program=$1 runner=$2 work=$3
folder="$work/read-only"

unlock() {
    chattr -i "$folder" "$folder/Locked.smp" 2>/dev/null || true
    chmod u+w "$folder" "$folder/Locked.smp" 2>/dev/null || true
}
unlock
rm -rf "$folder"
mkdir -p "$folder"
trap unlock EXIT

# A valid file: the count, then 12 columns of two doubles each.
python3 -c 'import struct, sys
sys.stdout.buffer.write(struct.pack("<i", 2) + struct.pack("<24d", *[k + 0.5 for k in range(24)]))' \
    >"$folder/Tesmor.smp"
cp "$folder/Tesmor.smp" "$folder/Locked.smp"
head -c 100 "$folder/Tesmor.smp" >"$folder/Damaged.smp"

chmod a-w "$folder" "$folder/Locked.smp"
if [ "$(id -u)" -eq 0 ]; then chattr +i "$folder" "$folder/Locked.smp" 2>/dev/null || true; fi
if touch "$folder/probe" 2>/dev/null || { echo >>"$folder/Locked.smp"; } 2>/dev/null; then
    rm -f "$folder/probe"
    echo "read-only folder: cannot make a folder read-only here (root, and no immutable attribute)"
    exit 77
fi

TESMOR_READ_ONLY_FOLDER="Z:${folder//\//\\}" "$runner" "$program"
