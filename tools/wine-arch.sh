# Which Wine runs the Windows builds on this machine; sourced by the scripts
# that run them (after tools/install-deps.sh), with $root the source folder.
#
# Debian's Wine runs a 32-bit program with its 32-bit loader, which needs a
# kernel that runs 32-bit code. Some virtual machines' kernels run none (the
# loader fails with "Exec format error"). There the Windows tests run a 64-bit
# build of the same sources (cmake/mingw-x86_64.cmake, build/win64) under
# 64-bit Wine; the program built and shipped stays the 32-bit one (build/win).
#   TESMOR_WINEARCH      win32 or win64, the architecture of the test prefixes
#   TESMOR_TEST_BUILD    build/win or build/win64, whose programs run
#   TESMOR_TEST_TOOLCHAIN  the toolchain file of that build
#   TESMOR_RUNS_32BIT    1 when the 32-bit program itself can run here
# On a 64-bit-only machine tools/wine64 (wine, wine-stable) goes first on PATH.
if [ -x /usr/lib/wine/wine ] && /usr/lib/wine/wine --version >/dev/null 2>&1; then
    export TESMOR_WINEARCH=win32 TESMOR_TEST_BUILD=build/win TESMOR_RUNS_32BIT=1
    export TESMOR_TEST_TOOLCHAIN="$root/cmake/mingw-i686.cmake"
else
    export TESMOR_WINEARCH=win64 TESMOR_TEST_BUILD=build/win64 TESMOR_RUNS_32BIT=0
    export TESMOR_TEST_TOOLCHAIN="$root/cmake/mingw-x86_64.cmake"
    case ":$PATH:" in
        *":$root/tools/wine64:"*) ;;
        *) export PATH="$root/tools/wine64:$PATH" ;;
    esac
fi
