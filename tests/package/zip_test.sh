#!/usr/bin/env bash
# The portable zip: a folder Tesmor/ holding exactly the program (stripped, the
# release build's own), its help file (complete), a readme and the licence,
# both plain text with Windows line ends.
set -uo pipefail
source "$(dirname "$0")/lib.sh"

zip_file=$dist/Tesmor-$version-win32.zip
out=$source_dir/build/package/tests/zip
[ -f "$zip_file" ] || stop "$zip_file does not exist (tools/package.sh makes it)"
rm -rf "$out" && mkdir -p "$out"

echo "zip: the archive"
check "the archive is intact (unzip -t)" eval 'unzip -tq "$zip_file" >/dev/null'
names=$(unzip -Z1 "$zip_file" | LC_ALL=C sort | tr '\n' ' ')
check_equal "it holds the folder Tesmor/ with exactly its four files" "$names" \
    "Tesmor/ Tesmor/LICENSE.txt Tesmor/README.txt Tesmor/Tesmor.chm Tesmor/Tesmor.exe "
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

echo "zip: the help file"
check "Tesmor.chm is the release build's" cmp -s "$folder/Tesmor.chm" "$release/Tesmor.chm"
if command -v chmls >/dev/null; then
    check "Tesmor.chm is complete (tools/check-chm.sh)" \
        eval '"$source_dir/tools/check-chm.sh" "$folder/Tesmor.chm" >"$out/check-chm.log" 2>&1 ||
              { sed "s/^/    /" "$out/check-chm.log"; false; }'
else
    bad "chmls is missing (package fp-utils), the help file cannot be checked"
fi

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
check "README.txt has no unfilled fields" eval '! grep -q "@[A-Z_]*@" <<<"$text"'
licence_text=$(tr -d '\r' <"$licence")
check "LICENSE.txt begins with the project's LICENSE" \
    eval '[ "$(head -n "$(wc -l <"$source_dir/LICENSE")" <<<"$licence_text")" = "$(cat "$source_dir/LICENSE")" ]'
check "LICENSE.txt gives the notices of the runtime libraries linked into Tesmor.exe" \
    eval 'grep -q "winpthreads" <<<"$licence_text" && grep -q "Runtime Library Exception" <<<"$licence_text"'

finish
