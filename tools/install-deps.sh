#!/usr/bin/env bash
# Installs what building, testing and running Tesmor need on Debian 12, and
# nothing that is already there. Safe to run again.
#   tools/install-deps.sh            build and test tools, Wine
#   tools/install-deps.sh --screen   also a virtual screen for the run command
#   tools/install-deps.sh --bench    also Google Benchmark
#   tools/install-deps.sh --fuzz     also clang with libFuzzer
#   tools/install-deps.sh --art      also the SVG renderer and the DejaVu fonts
#   tools/install-deps.sh --win64    also the 64-bit MinGW-w64 compilers, for the
#                                    64-bit test build (tools/wine-arch.sh)
#   tools/install-deps.sh --package  also what tools/package.sh and the package
#                                    tests need: the Windows installer compiler,
#                                    zip, lintian, the icon renderer, the fonts
#                                    the Debian package depends on, a screen
#                                    a window manager (openbox) and zenity,
#                                    which the Debian package depends on
#   tools/install-deps.sh --a11y     also what the help's accessibility check
#                                    (help/check-a11y.py) needs: headless
#                                    Chromium, its WebDriver, Selenium, Node.js
#                                    and the pinned axe-core of tools/a11y/,
#                                    installed into build/a11y (never globally)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

packages=(cmake ninja-build g++ googletest
          g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686
          wine wine32:i386 fp-utils python3
          # The help's pages are checked with HTML Tidy (tools/check-tidy.sh).
          tidy
          # The help's print check: the data sheets rendered to PDF, pages counted,
          # with the same faces (italics included) on every machine.
          weasyprint poppler-utils fonts-dejavu-extra
          # The artwork test reads the PNG drawings with zlib.
          zlib1g-dev
          # Wine only recommends its own fonts; every prefix links them, and
          # DejaVu Sans behind Tahoma for Greek (tools/wine-prefix.sh).
          fonts-wine fonts-dejavu-core)
for option in "$@"; do
    case "$option" in
        --screen) packages+=(xvfb xdotool imagemagick) ;;
        --bench) packages+=(libbenchmark-dev) ;;
        --win64) packages+=(g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64) ;;
        --fuzz) packages+=(clang libclang-rt-14-dev) ;;
        --art) packages+=(librsvg2-bin fonts-dejavu-core fonts-dejavu-extra) ;;
        --package) packages+=(nsis zip unzip lintian librsvg2-bin fonts-dejavu-core fonts-dejavu-extra
                              fonts-wine xvfb xdotool imagemagick desktop-file-utils man-db binutils passwd util-linux
                              openbox zenity) ;;
        --a11y) packages+=(chromium chromium-driver python3-selenium fonts-dejavu-core)
                # Debian's Node.js and npm only where there is none: another
                # Node.js brings its own npm, which Debian's would clash with.
                command -v node >/dev/null || packages+=(nodejs)
                command -v npm >/dev/null || packages+=(npm)
                a11y=1 ;;
        *) echo "install-deps: unknown option $option" >&2; exit 2 ;;
    esac
done

sudo=()
if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || { echo "install-deps: run as root or install sudo" >&2; exit 1; }
    sudo=(sudo)
fi

# 32-bit Wine needs the i386 architecture.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    "${sudo[@]}" dpkg --add-architecture i386
    added_architecture=1
fi

missing=()
for package in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
    [ "$status" = "install ok installed" ] || missing+=("$package")
done

if [ ${#missing[@]} -gt 0 ] || [ -n "${added_architecture:-}" ]; then
    echo "install-deps: installing ${missing[*]}"
    "${sudo[@]}" apt-get update -qq
    [ ${#missing[@]} -eq 0 ] || \
        "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# axe-core at the version tools/a11y/package-lock.json pins, into a folder of
# the build; npm is asked only when that version is not there yet, so that the
# check runs offline once installed.
if [ -n "${a11y:-}" ]; then
    axe_dir=$root/build/a11y
    wanted=$(python3 -c 'import json, sys; print(json.load(open(sys.argv[1]))["packages"]["node_modules/axe-core"]["version"])' \
             "$root/tools/a11y/package-lock.json")
    have=$(python3 -c 'import json, sys; print(json.load(open(sys.argv[1]))["version"])' \
           "$axe_dir/node_modules/axe-core/package.json" 2>/dev/null || true)
    if [ "$have" != "$wanted" ] || [ ! -f "$axe_dir/node_modules/axe-core/axe.min.js" ]; then
        echo "install-deps: installing axe-core $wanted into build/a11y"
        mkdir -p "$axe_dir"
        cp "$root/tools/a11y/package.json" "$root/tools/a11y/package-lock.json" "$axe_dir/"
        (cd "$axe_dir" && npm ci --ignore-scripts --no-audit --no-fund --loglevel=error)
    fi
fi
