#!/usr/bin/env bash
# Runs the tests of the packages that tools/package.sh wrote to dist/:
#   tests/package/run.sh [zip|installer|deb|password|books ...]     (default: all five)
# Each prints its checks; a summary follows, and the last line reads
# "packages: N passed, N failed, N skipped". Exits 1 if a test failed.
# The deb test installs the package and makes a user: it needs root, and says
# so and is skipped without it.
set -uo pipefail
cd "$(dirname "$0")/../.."

tests=("$@")
[ ${#tests[@]} -gt 0 ] || tests=(zip installer deb password books)

# The installer test finds and closes the panel with panel_driver.exe; the deb
# test checks the fonts of the user's Wine prefix with a test of panel_tests.exe.
if ! cmake --build build/win --target panel_driver panel_tests >/dev/null; then
    echo "package tests: panel_driver.exe and panel_tests.exe could not be built in build/win" \
         "(run tools/package.sh first)" >&2
    exit 1
fi

passed=0 failed=0 skipped=0
summary=()
for name in "${tests[@]}"; do
    script=tests/package/${name}_test.sh
    [ -f "$script" ] || { echo "package tests: no test $name" >&2; exit 2; }
    echo "== package test: $name"
    started=$SECONDS
    bash "$script"
    code=$?
    seconds=$((SECONDS - started))
    case $code in
        0) result=passed; passed=$((passed + 1)) ;;
        77) result=skipped; skipped=$((skipped + 1)) ;;
        *) result=FAILED; failed=$((failed + 1)) ;;
    esac
    summary+=("$(printf '  %-10s %-8s %4d s' "$name" "$result" "$seconds")")
done

echo
echo "Package tests:"
printf '%s\n' "${summary[@]}"
echo "packages: $passed passed, $failed failed, $skipped skipped"
[ "$failed" -eq 0 ]
