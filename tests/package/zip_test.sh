#!/usr/bin/env bash
# The portable zip: a folder Tesmor/ holding exactly the program (stripped, the
# release build's own, its icons and version record), its help file
# (complete), the default table, the lab manual (not the teacher's guide), a
# readme and the licence, both plain text with Windows line ends.
set -uo pipefail
source "$(dirname "$0")/lib.sh"

zip_file=$dist/Tesmor-$version-win32.zip
out=$source_dir/build/package/tests/zip
[ -f "$zip_file" ] || stop "$zip_file does not exist (tools/package.sh makes it)"
rm -rf "$out" && mkdir -p "$out"

echo "zip: the archive"
check "the archive is intact (unzip -t)" eval 'unzip -tq "$zip_file" >/dev/null'
names=$(unzip -Z1 "$zip_file" | LC_ALL=C sort | tr '\n' ' ')
check_equal "it holds the folder Tesmor/ with exactly its six files" "$names" \
    "Tesmor/ Tesmor/LICENSE.txt Tesmor/README.txt Tesmor/Tesmor-lab-manual.pdf Tesmor/Tesmor.chm Tesmor/Tesmor.exe Tesmor/Tesmor.smp "
unzip -q "$zip_file" -d "$out" || stop "the archive does not unpack"
folder=$out/Tesmor

echo "zip: the program"
exe=$folder/Tesmor.exe
check "Tesmor.exe is the release build's" cmp -s "$exe" "$release/Tesmor.exe"
check "Tesmor.exe has no symbols" stripped "$exe"
size=$(stat -c %s "$exe")
# 1 MiB: the data safety of the classroom steps (the log appended and merged,
# one copy per table, the Documents folder) took the program from 969,216 to
# about 1,004,500 bytes, past 1,000,000 (docs/benchmarks.md).
check "Tesmor.exe is smaller than 1 MiB ($size bytes)" test "$size" -lt 1048576
headers=$(i686-w64-mingw32-objdump -f -p "$exe")
check "Tesmor.exe is a 32-bit Windows GUI program" \
    eval 'grep -q "file format pei-i386" <<<"$headers" && grep -q "^Subsystem.*(Windows GUI)" <<<"$headers"'
check_equal "its version record gives the version $version" "$(product_version "$exe")" "$version"
check_equal "its version record names the publisher" "$(version_value "$exe" CompanyName)" "Tesmor Project"
check_equal "its version record has the copyright line" "$(version_value "$exe" LegalCopyright)" \
    "Copyright (C) 2026 Tesmor Project"

echo "zip: the program's icons"
# GROUP WIDTH BPP KIND SHA256 per image, the groups in Explorer's order.
icons=$(python3 "$source_dir/tests/package/pe_icons.py" "$exe" "$source_dir/res/tesmor.ico")
shapes() { awk -v group="$1" '$1 == group { printf "%s/%s/%s ", $2, $3, $4 }' <<<"$icons"; }
check_equal "the first icon, which Explorer and the Start menu show, is icon 1" \
    "$(awk 'NR == 1 { print $1 }' <<<"$icons")" 1
check_equal "icon 1 has 16, 24, 32, 48 and 256 pixels in full colour, 48 and 256 as PNG (Windows reads PNG icon images since Vista)" "$(shapes 1)" \
    "16/32/dib 24/32/dib 32/32/dib 48/32/png 256/32/png "
check_equal "icon 128 is 32 x 32 and 16 x 16 in 16 colours" "$(shapes 128)" "32/4/dib 16/4/dib "
check_equal "icon 128's images are those of res/tesmor.ico, unchanged" \
    "$(awk '$1 == 128 { print $5 }' <<<"$icons")" "$(awk '$1 == "file" { print $5 }' <<<"$icons")"

echo "zip: the default table"
# The installer test compares it with what the program writes at its first close.
check "Tesmor.smp is the default table the packages ship" \
    cmp -s "$folder/Tesmor.smp" "$source_dir/build/package/Tesmor.smp"

echo "zip: the help file"
check "Tesmor.chm is the release build's" cmp -s "$folder/Tesmor.chm" "$release/Tesmor.chm"
if command -v chmls >/dev/null; then
    check "Tesmor.chm is complete (tools/check-chm.sh)" \
        eval '"$source_dir/tools/check-chm.sh" "$folder/Tesmor.chm" >"$out/check-chm.log" 2>&1 ||
              { sed "s/^/    /" "$out/check-chm.log"; false; }'
else
    bad "chmls is missing (package fp-utils), the help file cannot be checked"
fi

echo "zip: the lab manual"
check "Tesmor-lab-manual.pdf is the lab manual in dist/" \
    cmp -s "$folder/Tesmor-lab-manual.pdf" "$dist/Tesmor-$version-lab-manual.pdf"
check "no teacher's guide and no password in the folder (help/check-books.py --files)" \
    eval 'python3 "$source_dir/help/check-books.py" --files "$folder" >"$out/check-books.log" 2>&1 ||
          { sed "s/^/    /" "$out/check-books.log"; false; }'

echo "zip: the texts"
readme=$folder/README.txt
licence=$folder/LICENSE.txt
check "README.txt has CR LF line ends only" crlf_only "$readme"
check "LICENSE.txt has CR LF line ends only" crlf_only "$licence"
check "README.txt and LICENSE.txt are plain ASCII" eval '! LC_ALL=C grep -q "[^[:print:][:space:]]" "$readme" "$licence"'
text=$(tr -d '\r' <"$readme")
check "README.txt names the version" grep -qF "Tesmor $version" <<<"$text"
check "README.txt says how to start it (Tesmor.exe)" grep -q "double-click Tesmor.exe" <<<"$text"
check "README.txt says that Tesmor.smp is kept beside Tesmor.exe" \
    grep -q "Tesmor.smp" <<<"$text"
check "README.txt says the folder must be writable" grep -q "where you may write" <<<"$text"
check "README.txt says where the measurement log is (Tesmor.csv, or Documents\\Tesmor)" \
    eval 'grep -q "measurement log" <<<"$text" && grep -q "Tesmor.csv" <<<"$text" &&
          grep -qF "Documents\\Tesmor" <<<"$text"'
check "README.txt says the lab manual is Tesmor-lab-manual.pdf" grep -q "Tesmor-lab-manual.pdf" <<<"$text"
check "README.txt says the teacher's guide is not in the folder and where it is" \
    eval 'grep -q "teachers-guide.pdf" <<<"$text" && grep -q "not in this folder" <<<"$text"'
check "README.txt says the table's password is in the teacher's guide, and does not print it" \
    eval 'tr -s "\n " "  " <<<"$text" | grep -q "password of the table is in the teacher.s guide" &&
          ! grep -qF "479 zkp" <<<"$text"'
check "README.txt has no unfilled fields" eval '! grep -q "@[A-Z_]*@" <<<"$text"'
licence_text=$(tr -d '\r' <"$licence")
check "LICENSE.txt begins with the project's LICENSE" \
    eval '[ "$(head -n "$(wc -l <"$source_dir/LICENSE")" <<<"$licence_text")" = "$(cat "$source_dir/LICENSE")" ]'
check "LICENSE.txt gives the notices of the runtime libraries linked into Tesmor.exe" \
    eval 'grep -q "winpthreads" <<<"$licence_text" && grep -q "Runtime Library Exception" <<<"$licence_text"'

finish
