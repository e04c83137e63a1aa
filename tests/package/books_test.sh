#!/usr/bin/env bash
# The two books tools/package.sh writes to dist/ beside the packages: the lab
# manual (the students') and the teacher's guide, both on A4, each with its
# page count in range, an outline entry for every page it lists, each data
# sheet on one page (help/check-books.py --pdf); the lab manual without the
# teacher's pages or the table's password; and the teacher's guide in none of
# the packages, which carry the lab manual (the zip and the .deb unpacked
# here; the installer's files are checked where its test installs them).
set -uo pipefail
source "$(dirname "$0")/lib.sh"

lab_manual=$dist/Tesmor-$version-lab-manual.pdf
teachers_guide=$dist/Tesmor-$version-teachers-guide.pdf
out=$source_dir/build/package/tests/books
books() { python3 "$source_dir/help/check-books.py" "$@" >"$out/check-books.log" 2>&1 ||
          { sed 's/^/    /' "$out/check-books.log"; false; }; }
for tool in pdfinfo pdftotext pdftohtml weasyprint chmls unzip dpkg-deb; do
    command -v "$tool" >/dev/null || stop "$tool is missing (tools/install-deps.sh --package installs it)"
done
rm -rf "$out" && mkdir -p "$out/zip" "$out/deb"

echo "books: in dist/"
[ -f "$lab_manual" ] || stop "$lab_manual does not exist (tools/package.sh makes it)"
[ -f "$teachers_guide" ] || stop "$teachers_guide does not exist (tools/package.sh makes it)"
paper() { pdfinfo "$1" | sed -n 's/^Page size:.*(\(.*\))$/\1/p'; }
check_equal "the lab manual is printed on A4" "$(paper "$lab_manual")" A4
check_equal "the teacher's guide is printed on A4" "$(paper "$teachers_guide")" A4
check "the lab manual: page count, outline, each sheet on one page, no teacher's text or password" \
    books --pdf lab-manual "$lab_manual"
check "the teacher's guide: page count and outline" books --pdf teachers-guide "$teachers_guide"
check "the lab manual's title page says whose it is" \
    eval 'pdftotext -f 1 -l 1 "$lab_manual" - | grep -q "For students"'
check "the teacher's guide's title page says whose it is" \
    eval 'pdftotext -f 1 -l 1 "$teachers_guide" - | grep -q "For teachers only"'
echo "  (the lab manual has $(pdfinfo "$lab_manual" | sed -n 's/^Pages: *//p') pages," \
     "the teacher's guide $(pdfinfo "$teachers_guide" | sed -n 's/^Pages: *//p'))"

echo "books: in the packages"
zip_file=$dist/Tesmor-$version-win32.zip
deb_file=$dist/tesmor_${version}_all.deb
[ -f "$zip_file" ] && [ -f "$deb_file" ] || stop "the zip or the .deb is missing in $dist (tools/package.sh)"
unzip -q "$zip_file" -d "$out/zip" || stop "the zip does not unpack"
dpkg-deb -x "$deb_file" "$out/deb" || stop "the .deb does not unpack"
check "the zip carries the lab manual, the one in dist/" cmp -s "$out/zip/Tesmor/Tesmor-lab-manual.pdf" "$lab_manual"
check "the .deb carries the lab manual in /usr/share/doc/tesmor, the one in dist/" \
    cmp -s "$out/deb/usr/share/doc/tesmor/Tesmor-lab-manual.pdf" "$lab_manual"
check "no teacher's guide and no password in the zip or the .deb (help/check-books.py --files)" \
    books --files "$out/zip" "$out/deb"
# The installer compresses its files: its test checks what it installs.

finish
