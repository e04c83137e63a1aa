#!/usr/bin/env bash
# Checks a compiled help file with chmls (package fp-utils):
#
#   tools/check-chm.sh FILE.chm [SOURCE.hhk]
#       the file opens; its default topic is set and inside; every topic page of
#       its contents (.hhc) is inside, with the style sheet and the images those
#       pages use; its index (.hhk) is there as a plain sitemap (readers other
#       than the platform's own misread a binary keyword index: keywords listed
#       twice, or cut short), every keyword once and written out in full (no
#       character references, which those readers show raw), the same keywords
#       as SOURCE.hhk when it is given, and every page it points to is inside;
#       every topic reachable from the index in any reader (a keyword with
#       several topics lists them as sub-entries, each with one topic and named
#       by the keyword and its page's title; every page of the contents in the
#       index), the terms of help/index-terms.txt among the keywords and no page
#       of the teacher's guide (help/guide) inside, both found beside
#       SOURCE.hhk's folder; the full-text search data ($FIftiMain) is there.
#
#   tools/check-chm.sh --self-test CONTENT_DIR [CHMCMD]
#       the negative controls: compiles the help project in CONTENT_DIR as it is
#       (which must pass) and in broken variants (a topic page, an image, the
#       index, the full-text search or the default topic left out, an index that
#       leaves a topic out of reach, a teacher's page inside), each of which
#       must fail for its own reason.
set -uo pipefail

CHMLS=${CHMLS:-chmls}
HELP_TOOLS=$(cd "$(dirname "${BASH_SOURCE[0]}")/../help" && pwd)

fail() { echo "check-chm: $*"; failures=$((failures + 1)); }

# chmls prints a banner around its output; keep only the listing rows
# (section, offset, size, name).
listing() { "$CHMLS" list "$1" 2>/dev/null | awk 'NF >= 4 && $1 ~ /^[0-9]+$/ && $4 ~ /^[\/:]/ { print $3, $4 }'; }

# Values of the #SYSTEM record as chmls prints them: "(n) Label from [options] :value".
system_value() { "$CHMLS" printsystem "$1" 2>/dev/null | tr -d '\000\r' |
                 grep -a -m1 "$2 from \[options\]" | sed 's/^[^:]*://; s/[[:space:]]*$//'; }

# Every Local of a sitemap file (.hhc or .hhk), without its anchor, one a line.
sitemap_locals() { grep -a -io '<param[[:space:]]\+name="Local"[[:space:]]\+value="[^"]*"' "$1" |
                   sed 's/.*value="//; s/"$//; s/#.*//' | sort -u; }

# What is wrong with a stored index, one line each: a keyword listed twice, one
# not written out in full, a list that differs from the source index's, and
# anything that keeps a student from reaching a topic through the index in a
# reader other than the platform's own (help/helpsite.py: index_problems),
# judged on the pages and the contents as they are inside the file. Beside the
# source index, the terms a student looks up (help/index-terms.txt) must be
# keywords, and no page of the teacher's guide (help/guide) may be inside, by
# its name or by its title.
index_problems() {
    python3 - "$HELP_TOOLS" "$@" <<'PY'
import os, re, sys
sys.dont_write_bytecode = True
sys.path.insert(0, sys.argv[1])
import helpsite

stored_path, pages_dir, contents_path, source_path = sys.argv[2:6]

def keywords(path):
    return [entry.name for entry in helpsite.sitemap_tree(path)]

def names(path):
    text = open(path, encoding="utf-8", errors="replace").read()
    return re.findall(r'<param\s+name="Name"\s+value="([^"]*)"', text, re.I)

for name in names(stored_path):
    if re.search(r"&(#\d+|#x[0-9a-fA-F]+|[A-Za-z]+);", name):
        print('the keyword "%s" is not written out in full' % name)
titles = {}
for name in os.listdir(pages_dir):
    if not name.endswith(".html"):
        continue
    with open(os.path.join(pages_dir, name), encoding="utf-8", errors="replace") as f:
        titles[name] = helpsite.page_title(f.read())
contents = [page for _, page in helpsite.topics(os.path.dirname(contents_path))] \
    if os.path.isfile(contents_path) else []
required = []
if source_path:
    source = keywords(source_path)
    stored = keywords(stored_path)
    if stored != source:
        missing = [n for n in source if n not in stored][:3]
        extra = [n for n in stored if n not in source][:3]
        print("the stored keywords differ from the source index (missing %s, not in the source %s)"
              % (missing, extra))
    help_dir = os.path.dirname(os.path.dirname(os.path.abspath(source_path)))
    terms = os.path.join(help_dir, "index-terms.txt")
    if os.path.isfile(terms):
        required = helpsite.required_terms(terms)
    guide = os.path.join(help_dir, "guide")
    if os.path.isdir(guide):
        for name in sorted(os.listdir(guide)):
            if not name.endswith(".html"):
                continue
            with open(os.path.join(guide, name), encoding="utf-8", errors="replace") as f:
                title = helpsite.page_title(f.read())
            for inside, inside_title in sorted(titles.items()):
                if inside == name or (title and inside_title == title):
                    print("%s is inside: the teacher's guide page %s (%s)" % (inside, name, title))
for problem in helpsite.index_problems(helpsite.sitemap_tree(stored_path), titles, contents, required):
    print(problem)
PY
}

check_chm() {
    local chm=$1 source_index=${2:-}
    failures=0
    if [ ! -f "$chm" ]; then fail "$chm does not exist"; return 1; fi

    local work
    work=$(mktemp -d)
    listing "$chm" >"$work/list"
    if [ ! -s "$work/list" ]; then
        fail "$chm does not open as a compiled help file (chmls lists nothing)"
        rm -rf "$work"; return 1
    fi
    awk '{ print $2 }' "$work/list" >"$work/names"
    has() { grep -qxF "/$1" "$work/names"; }
    size_of() { awk -v n="/$1" '$2 == n { print $1 }' "$work/list"; }
    # Everything inside, extracted once for the checks of the pages below.
    "$CHMLS" extractall "$chm" "$work/pages" >/dev/null 2>&1

    # The default topic.
    local topic
    topic=$(system_value "$chm" "Default topic")
    if [ -z "$topic" ]; then
        fail "no default topic is set"
    elif ! has "$topic"; then
        fail "the default topic $topic is not inside"
    fi

    # The contents and its topic pages, with what they use.
    local contents
    contents=$(system_value "$chm" "Contents file")
    if [ -z "$contents" ] || ! has "$contents"; then
        fail "no contents file (.hhc) inside"
    elif ! "$CHMLS" extract "$chm" "/$contents" "$work/contents" >/dev/null 2>&1; then
        fail "the contents file $contents does not extract"
    else
        sitemap_locals "$work/contents" >"$work/topics"
        [ -s "$work/topics" ] || fail "the contents file $contents lists no topics"
        local page
        while read -r page; do
            if ! has "$page"; then
                fail "topic page $page of the contents is not inside"
                continue
            fi
            if [ -f "$work/pages/$page" ]; then
                # The style sheet and the images the page uses (relative names,
                # the pages live at the top of the file).
                grep -a -o '\(src\|href\)="[^"#:]*\.\(png\|gif\|jpg\|css\)"' "$work/pages/$page" |
                    sed 's/^[a-z]*="//; s/"$//' | sort -u | while read -r used; do
                        has "$used" || echo "$page uses $used, which is not inside"
                    done >>"$work/missing"
            else
                fail "topic page $page does not extract"
            fi
        done <"$work/topics"
        if [ -s "$work/missing" ]; then
            while read -r line; do fail "$line"; done <"$work/missing"
        fi
    fi

    # The index.
    local index
    index=$(system_value "$chm" "Index file")
    if [ -z "$index" ] || ! has "$index"; then
        fail "no index file (.hhk) inside"
    else
        has '$WWKeywordLinks/BTree' &&
            fail "the index is compiled into a binary keyword index (\$WWKeywordLinks), which other readers misread"
        if "$CHMLS" extract "$chm" "/$index" "$work/index" >/dev/null 2>&1; then
            sitemap_locals "$work/index" >"$work/indexed"
            [ -s "$work/indexed" ] || fail "the index $index has no entries"
            while read -r page; do
                has "$page" || fail "index entry to $page, which is not inside"
            done <"$work/indexed"
            # The contents as inside, named as the helpsite module expects.
            mkdir -p "$work/hhc"
            [ -f "$work/contents" ] && cp "$work/contents" "$work/hhc/tesmor.hhc"
            local problem
            while read -r problem; do
                [ -n "$problem" ] && fail "$problem"
            done < <(index_problems "$work/index" "$work/pages" "$work/hhc/tesmor.hhc" "$source_index")
        else
            fail "the index file $index does not extract"
        fi
    fi

    # The full-text search.
    if ! has '$FIftiMain'; then
        fail "no full-text search data (\$FIftiMain)"
    elif [ "$(size_of '$FIftiMain')" -lt 1024 ]; then
        fail "the full-text search data (\$FIftiMain) is nearly empty"
    fi

    local topics=0 keywords=0
    [ -f "$work/topics" ] && topics=$(wc -l <"$work/topics")
    [ -f "$work/index" ] && keywords=$(grep -a -ic '<LI>' "$work/index")
    rm -rf "$work"
    if [ "$failures" -eq 0 ]; then
        echo "check-chm: $chm is complete: default topic $topic, $topics topic pages, $keywords index entries, full-text search"
        return 0
    fi
    return 1
}

self_test() {
    local content=$1 chmcmd=${2:-chmcmd}
    local work bad=0
    work=$(mktemp -d)
    trap 'rm -rf "$work"' RETURN

    # variant name | file edited | its edit (sed script) | expected complaint
    local variants=(
        "intact|||"
        "a topic page left out|tesmor.hhp|/^messages\.html\$/d|topic page messages.html of the contents is not inside"
        "an image left out|tesmor.hhp|/^images\/magnet\.png\$/d|uses images/magnet.png, which is not inside"
        "no index|tesmor.hhp|/^Index file=/d|no index file"
        "a binary index|tesmor.hhp|s/^Binary Index=No/Binary Index=Yes/|compiled into a binary keyword index"
        "a keyword twice|tesmor.hhk|0,/<LI>/s//<LI><OBJECT type=\"text\/sitemap\"><param name=\"Name\" value=\"Hall effect\"><param name=\"Name\" value=\"x\"><param name=\"Local\" value=\"index.html\"><\/OBJECT>\n    <LI>/|lists \"Hall effect\" 2 times"
        "a character reference in a keyword|tesmor.hhk|s/Matthiessen's rule/Matthiessen\&#x27;s rule/|is not written out in full"
        "no full-text search|tesmor.hhp|s/^Full-text search=Yes/Full-text search=No/|no full-text search data"
        "no default topic|tesmor.hhp|/^Default topic=/d|no default topic is set"
        "a keyword with two topics and no sub-entries|tesmor.hhk|s/<param name=\"Local\" value=\"using-help\.html\">/&<param name=\"Local\" value=\"about.html\">/|\"? button\" has 2 topics"
        "a sub-entry named by its page's title alone|tesmor.hhk|0,/value=\"\\*\\*\\*\\*\\* in the meters, Fields and meters\"/s//value=\"Fields and meters\"/|\"Fields and meters\" is not named \"***** in the meters, Fields and meters\""
        "a page no index entry leads to|tesmor.hhk|s/value=\"about\.html\"/value=\"index.html\"/g|no index entry leads to about.html"
        "a term a student looks up missing|tesmor.hhk|s/value=\"Lorentz force\"/value=\"Lorentz\"/|lacks the term \"Lorentz force\""
        "a teacher's page inside|tesmor.hhp|s/^Title=Tesmor Help\$/&/|is inside: the teacher's guide page guide-magnet.html"
    )
    local variant name file edit expected dir output status
    for variant in "${variants[@]}"; do
        IFS='|' read -r name file edit expected <<<"$variant"
        # Each variant is a help folder of its own: the pages in content/, the
        # terms the index must hold beside them, a teacher's guide if it has one.
        dir="$work/${name// /-}/content"
        mkdir -p "${dir%/content}"
        cp -r "$content" "$dir"
        [ -f "$content/../index-terms.txt" ] && cp "$content/../index-terms.txt" "${dir%/content}/"
        if [ -n "$edit" ]; then
            sed -i "$edit" "$dir/$file"
            # The window definition names the index and the default topic too;
            # the variants without them lose them there as well.
            case $name in
                "no index") sed -i 's/"tesmor\.hhk"/""/' "$dir/tesmor.hhp" ;;
                "no default topic") sed -i 's/"index\.html","index\.html"/"",""/' "$dir/tesmor.hhp" ;;
                "a teacher's page inside")
                    # The teacher's guide holds the page; the help still has a copy.
                    mkdir -p "${dir%/content}/guide"
                    sed 's/<title>[^<]*</<title>The magnet</' "$dir/about.html" >"${dir%/content}/guide/guide-magnet.html" ;;
            esac
        fi
        if ! (cd "$dir" && "$chmcmd" --no-html-scan tesmor.hhp >"$dir.log" 2>&1) || [ ! -f "$dir/Tesmor.chm" ]; then
            echo "self-test: $name: chmcmd failed:"; cat "$dir.log"
            bad=$((bad + 1)); continue
        fi
        output=$(check_chm "$dir/Tesmor.chm" "$dir/tesmor.hhk"); status=$?
        if [ -z "$expected" ]; then
            if [ $status -ne 0 ]; then
                echo "self-test: the intact help fails:"; echo "$output"; bad=$((bad + 1))
            else
                echo "self-test: intact help passes"
            fi
        elif [ $status -eq 0 ]; then
            echo "self-test: $name: not caught"; bad=$((bad + 1))
        elif ! grep -qF "$expected" <<<"$output"; then
            echo "self-test: $name: failed for another reason than \"$expected\":"; echo "$output"
            bad=$((bad + 1))
        else
            echo "self-test: $name: caught"
        fi
    done
    if [ $bad -ne 0 ]; then echo "self-test: $bad failure(s)"; return 1; fi
    echo "self-test: every broken variant caught, the intact help passes"
}

command -v "$CHMLS" >/dev/null || { echo "check-chm: $CHMLS not found (apt-get install fp-utils)"; exit 2; }
case ${1:-} in
    --self-test)
        [ $# -ge 2 ] || { echo "usage: $0 --self-test CONTENT_DIR [CHMCMD]"; exit 2; }
        self_test "$2" "${3:-chmcmd}" ;;
    ""|-*)
        echo "usage: $0 FILE.chm [SOURCE.hhk] | --self-test CONTENT_DIR [CHMCMD]"; exit 2 ;;
    *)
        check_chm "$1" "${2:-}" ;;
esac
