#!/usr/bin/env bash
# Makes Tesmor's packages from the release build (build/win, brought up to date
# here) and writes them to dist/:
#
#   Tesmor-VERSION-win32.zip   a portable folder Tesmor/ for Windows: the
#                              program, its help, the default table, a readme
#                              and the licence
#   Tesmor-VERSION-setup.exe   the Windows installer (NSIS), just for the
#                              current user or for all users
#   tesmor_VERSION_all.deb     the Debian package, which runs the program
#                              under Wine
#   Tesmor-VERSION-lab-manual.pdf      the students' book: what they print
#                                      and bring to the lab (A4)
#   Tesmor-VERSION-teachers-guide.pdf  the teacher's book: the answers, the
#                                      marking and the table's password (A4)
# All three packages ship the default table, Tesmor.smp, made by
# tools/default_table.cpp in a host build of its own (build/host-tools), and
# the lab manual as Tesmor-lab-manual.pdf. The teacher's guide goes into no
# package: the students' computers must not have it; it is handed out beside
# them.
#
# VERSION is the version record's (tools/version.sh). The sources of what is
# packaged around the program live in packaging/; the work is done in
# build/package/. tests/package/ checks the results (tools/test.sh runs it).
# Installs what is missing first (Debian 12, as root or through sudo).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

tools/install-deps.sh --package
version=$(tools/version.sh)
dist=$root/dist
scratch=$root/build/package
mkdir -p "$dist" "$scratch"

fail() { echo "package: $*" >&2; exit 1; }

cmake -S . -B build/win -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" >/dev/null
cmake --build build/win --target Tesmor tesmor_help -j "$(nproc)"
release=$root/build/win/release
# The Release build links Tesmor.exe without symbols; a build of another type
# left in build/win must not be shipped.
if i686-w64-mingw32-objdump -f "$release/Tesmor.exe" | grep -qE 'HAS_SYMS|HAS_DEBUG'; then
    fail "$release/Tesmor.exe still has its symbols: is build/win a Release build?"
fi

# ------------------------------------------------------------ the default table
# Every package ships the table the program writes at its first close, made
# by the program's own codec built for this machine, so that a first start
# finds a table.
echo "package: the default table"
cmake -S . -B build/host-tools -G Ninja -DCMAKE_BUILD_TYPE=Release -DTESMOR_TESTS=OFF >/dev/null
cmake --build build/host-tools --target default_table -j "$(nproc)"
default_table=$scratch/Tesmor.smp
build/host-tools/default_table "$default_table"
chmod 644 "$default_table"

# The files get the time of the last commit, not of this run.
if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
    SOURCE_DATE_EPOCH=$(git log -1 --format=%ct 2>/dev/null || date +%s)
fi
export SOURCE_DATE_EPOCH
stamp() { find "$@" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +; }

# ------------------------------------------------------------ the books
# On A4 paper (make-books.py --paper letter makes them for Letter). Dated SOURCE_DATE_EPOCH, so the same
# sources give the same bytes.
echo "package: the lab manual and the teacher's guide"
lab_manual=$dist/Tesmor-$version-lab-manual.pdf
teachers_guide=$dist/Tesmor-$version-teachers-guide.pdf
rm -f "$lab_manual" "$teachers_guide"
python3 help/make-books.py --paper A4 --version "$version" "$dist"
[ -f "$lab_manual" ] && [ -f "$teachers_guide" ] || fail "help/make-books.py did not make both books"

# Text for Windows: CRLF line ends.
crlf() { sed 's/\r*$/\r/'; }
# The licence as shipped: Tesmor's own, then the notices of the runtime
# libraries linked into Tesmor.exe.
licence_text() { cat LICENSE; echo; cat packaging/runtime-notices.txt; }

# ------------------------------------------------------------ the zip
echo "package: the portable folder"
rm -rf "$scratch/zip" && mkdir -p "$scratch/zip/Tesmor"
cp "$release/Tesmor.exe" "$release/Tesmor.chm" "$default_table" "$scratch/zip/Tesmor/"
cp "$lab_manual" "$scratch/zip/Tesmor/Tesmor-lab-manual.pdf"
sed "s/@VERSION@/$version/g" packaging/windows/README.txt | crlf >"$scratch/zip/Tesmor/README.txt"
licence_text | crlf >"$scratch/zip/Tesmor/LICENSE.txt"
chmod 644 "$scratch/zip/Tesmor/"*
stamp "$scratch/zip/Tesmor"
zip_file=$dist/Tesmor-$version-win32.zip
rm -f "$zip_file"
(cd "$scratch/zip" && zip -q -X -9 -r "$zip_file" Tesmor)

# ------------------------------------------------------------ the installer
echo "package: the Windows installer"
rm -rf "$scratch/nsis" && mkdir -p "$scratch/nsis"
cp "$release/Tesmor.exe" "$release/Tesmor.chm" "$scratch/zip/Tesmor/LICENSE.txt" "$default_table" \
   "$scratch/zip/Tesmor/Tesmor-lab-manual.pdf" "$scratch/nsis/"
setup_file=$dist/Tesmor-$version-setup.exe
rm -f "$setup_file"
makensis -WX -V2 -DVERSION="$version" -DFILES="$scratch/nsis" -DICON="$root/res/tesmor-full.ico" \
         -DOUTFILE="$setup_file" packaging/windows/tesmor.nsi

# ------------------------------------------------------------ the Debian package
echo "package: the Debian package"
deb=$scratch/deb/tesmor
rm -rf "$scratch/deb" && mkdir -p "$deb/DEBIAN"

# The latest entry of the changelog must be this version: a new version
# needs its entry written.
changelog_version=$(sed -n '1s/^tesmor (\([^)]*\)).*/\1/p' packaging/debian/changelog)
[ "$changelog_version" = "$version" ] ||
    fail "packaging/debian/changelog starts with version \"$changelog_version\", the program is $version"

install -d "$deb/usr/lib/tesmor" "$deb/usr/bin" "$deb/usr/share/applications" \
           "$deb/usr/share/man/man1" "$deb/usr/share/doc/tesmor" "$deb/usr/share/lintian/overrides"
install -m 644 "$release/Tesmor.exe" "$release/Tesmor.chm" "$default_table" "$deb/usr/lib/tesmor/"
cp -r "$release/help" "$deb/usr/lib/tesmor/help"
sed "s/@VERSION@/$version/g" packaging/debian/tesmor.sh >"$deb/usr/bin/tesmor"
install -m 644 packaging/debian/tesmor.desktop "$deb/usr/share/applications/tesmor.desktop"
sed "s/@VERSION@/$version/g" packaging/debian/tesmor.1 | gzip -9n >"$deb/usr/share/man/man1/tesmor.1.gz"
gzip -9n <packaging/debian/changelog >"$deb/usr/share/doc/tesmor/changelog.Debian.gz"
install -m 644 "$lab_manual" "$deb/usr/share/doc/tesmor/Tesmor-lab-manual.pdf"
install -m 644 packaging/debian/lintian-overrides "$deb/usr/share/lintian/overrides/tesmor"

# The copyright file with the licence texts from where they are kept.
indent() { sed 's/^/ /; s/^ $/ ./'; }
zpl=$(sed -n '/^  Redistribution and use/,$p' packaging/runtime-notices.txt | sed 's/^  //' | indent)
expat=$(sed -n '/^Permission is hereby/,$p' LICENSE | indent)
[ -n "$zpl" ] && [ -n "$expat" ] || fail "the licence texts were not found in LICENSE and packaging/runtime-notices.txt"
awk -v zpl="$zpl" -v expat="$expat" '$0 == "@ZPL-2.1@" { print zpl; next }
                                     $0 == "@EXPAT@" { print expat; next } { print }' \
    packaging/debian/copyright.in >"$deb/usr/share/doc/tesmor/copyright"

# The icon in the usual sizes, drawn from its two SVG sources as the
# resources are (tools/render-art.sh): pixel art, so only whole multiples.
(
    source tools/art-env.sh
    for size_source in 16:icon-16 32:icon-32 48:icon-16 64:icon-32 128:icon-32 256:icon-32; do
        size=${size_source%%:*}
        dir="$deb/usr/share/icons/hicolor/${size}x${size}/apps"
        install -d "$dir"
        rsvg-convert --width "$size" --height "$size" --format png --output "$dir/tesmor.png" \
                     "res/art/${size_source#*:}.svg"
    done
)

# -- The school's table (the launcher for every account) --
# /etc/tesmor is the package's, empty: the teacher's Tesmor.smp put there is
# no file of the package's, so dpkg never asks about it as about a changed
# configuration file. Purging removes it and says where the users' data stays.
install -d "$deb/etc/tesmor"
install -m 755 packaging/debian/postrm "$deb/DEBIAN/postrm"
# -- end of the school's table --

find "$deb" -type d -exec chmod 755 {} +
find "$deb" -type f -exec chmod 644 {} +
chmod 755 "$deb/usr/bin/tesmor" "$deb/DEBIAN/postrm"

installed_size=$(du -sk --apparent-size --exclude=DEBIAN "$deb" | cut -f1)
grep -v '^#' packaging/debian/control.in |
    sed "s/@VERSION@/$version/; s/@INSTALLED_SIZE@/$installed_size/" >"$deb/DEBIAN/control"
(cd "$deb" && find usr -type f -print0 | LC_ALL=C sort -z | xargs -0 md5sum) >"$deb/DEBIAN/md5sums"
chmod 644 "$deb/DEBIAN/control" "$deb/DEBIAN/md5sums"
stamp "$deb"

deb_file=$dist/tesmor_${version}_all.deb
rm -f "$deb_file"
dpkg-deb --root-owner-group -Zxz --build "$deb" "$deb_file" >/dev/null

echo "package: made in $dist:"
ls -l "$zip_file" "$setup_file" "$deb_file" "$lab_manual" "$teachers_guide" | awk '{ printf "  %10d  %s\n", $5, $NF }'
