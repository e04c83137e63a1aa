#!/usr/bin/env bash
# Every page of the help clean by HTML Tidy (Debian package tidy): no errors
# and no warnings, each reported as file:line:column.
#   tools/check-tidy.sh CONTENT_DIR              check the pages
#   tools/check-tidy.sh --self-test CONTENT_DIR  break copies of a page in known
#                                                ways; each must be reported
set -euo pipefail

command -v tidy >/dev/null || { echo "check-tidy: needs tidy (apt-get install tidy)" >&2; exit 2; }

# Prints what tidy says of one page; returns 1 if it says anything.
tidy_page() {
    local out status=0
    out=$(tidy -q -e --gnu-emacs yes "$1" 2>&1) || status=$?
    # 0: clean, 1: warnings, 2: errors.
    if [ "$status" -ne 0 ] || [ -n "$out" ]; then
        printf '%s\n' "${out:-$1: tidy exited with $status}"
        return 1
    fi
}

check() {
    local dir=$1 bad=0 count=0 page
    for page in "$dir"/*.html; do
        count=$((count + 1))
        tidy_page "$page" || bad=$((bad + 1))
    done
    [ "$count" -gt 0 ] || { echo "check-tidy: no pages in $dir"; return 1; }
    echo "check-tidy: $count pages, $bad with errors or warnings"
    [ "$bad" -eq 0 ]
}

if [ "${1:-}" = --self-test ]; then
    content=$2
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
    page=$(ls "$content"/*.html | head -n 1)
    # Each break: a sed expression on the copy of one page.
    breaks=(
        's|</h1>|</h2>|'                                  # an end tag that does not match
        's|<body[^>]*>|&<p><b>unclosed</p>|'             # an element left open
        's|</title>|</title><title>twice</title>|'       # a second title
        's|<body[^>]*>|&<p><img src="x.png"></p>|'       # an image without alt
        's|<body[^>]*>|&<table></table>|'                # an empty table
        's|<body[^>]*>|&<p>a \&amp b</p>|'               # an entity without its semicolon
    )
    failures=0
    for expression in "${breaks[@]}"; do
        rm -rf "$work/content" && mkdir "$work/content"
        sed "$expression" "$page" >"$work/content/page.html"
        if cmp -s "$page" "$work/content/page.html"; then
            echo "FAILED: '$expression' changed nothing"; failures=$((failures + 1)); continue
        fi
        if check "$work/content" >"$work/out" 2>&1; then
            echo "FAILED: '$expression' not reported"; failures=$((failures + 1))
        else
            echo "caught: '$expression': $(head -n 1 "$work/out")"
        fi
    done
    # And the unbroken copy passes.
    rm -rf "$work/content" && mkdir "$work/content" && cp "$page" "$work/content/page.html"
    check "$work/content" >/dev/null || { echo "FAILED: the unbroken page is reported"; failures=$((failures + 1)); }
    echo "check-tidy self-test: ${#breaks[@]} breaks, $failures failures"
    [ "$failures" -eq 0 ]
    exit
fi

check "${1:?usage: check-tidy.sh [--self-test] CONTENT_DIR}"
