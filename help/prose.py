#!/usr/bin/env python3
"""How long the sentences of the help's pages are:

    help/prose.py PAGE...       for each page: sentences, mean words
                                         per sentence, the longest sentence
    help/prose.py --long N PAGE...
                                         also print every sentence over N words
    help/prose.py --limit MEAN,LONGEST PAGE...
                                         fail (exit 1) when a page's mean is over
                                         MEAN words or one of its sentences over
                                         LONGEST; print those sentences

Only running text counts: paragraphs, list items, definitions and notes; table
cells, headings, code and the navigation bars do not, nor does the text of a
message box (<div class="msgbox">): that is the program's own wording, which the
help quotes as the program shows it. A sentence ends at ".",
"!" or "?" followed by a space or the end of the block; a number's decimal point
ends nothing.
"""

import html
import html.parser
import re
import sys

BLOCKS = {"p", "li", "dd", "dt"}
SKIP = {"table", "pre", "code", "h1", "h2", "h3", "h4", "title", "head", "script", "style"}
_END = re.compile(r"(?<=[.!?])\s+(?=[^a-z0-9])|(?<=[.!?])$")


class _Text(html.parser.HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.blocks = []
        self._depth_skip = 0
        self._current = None
        self._in_nav = False
        self._divs = []  # for each open <div>: whether it is a message box

    def handle_starttag(self, tag, attrs):
        classes = (dict(attrs).get("class") or "").split()
        if tag in SKIP:
            self._depth_skip += 1
        if tag == "div":
            self._divs.append("msgbox" in classes)
            if self._divs[-1]:
                self._flush()
                self._depth_skip += 1
        if tag == "p" and "nav" in classes:
            self._in_nav = True
        if tag in BLOCKS and self._depth_skip == 0 and not self._in_nav:
            self._flush()
            self._current = []

    def handle_endtag(self, tag):
        if tag in SKIP and self._depth_skip:
            self._depth_skip -= 1
        if tag == "div" and self._divs and self._divs.pop() and self._depth_skip:
            self._depth_skip -= 1
        if tag in BLOCKS:
            self._flush()
            if tag == "p":
                self._in_nav = False

    def handle_data(self, data):
        if self._current is not None and self._depth_skip == 0:
            self._current.append(data)

    def _flush(self):
        if self._current:
            text = " ".join("".join(self._current).split())
            if text:
                self.blocks.append(text)
        self._current = None


def sentences(page_text):
    parser = _Text()
    parser.feed(page_text)
    parser.close()
    result = []
    for block in parser.blocks:
        result.extend(s.strip() for s in _END.split(block) if s.strip())
    return result


def words(sentence):
    return len(re.findall(r"[\w\u00b0-\uffff][\w'\u2019.,/\u00b0-\uffff-]*", sentence))


def main(argv):
    long_limit = None
    limits = None
    args = argv[1:]
    if args[:1] == ["--long"]:
        long_limit = int(args[1])
        args = args[2:]
    elif args[:1] == ["--limit"]:
        mean_limit, long_limit = args[1].split(",")
        limits = (float(mean_limit), int(long_limit))
        long_limit = limits[1]
        args = args[2:]
    failed = []
    if not args:
        print(__doc__)
        return 2
    total_words = total_sentences = 0
    for path in args:
        with open(path, encoding="utf-8") as f:
            found = sentences(f.read())
        counts = [words(s) for s in found]
        total_words += sum(counts)
        total_sentences += len(counts)
        mean = sum(counts) / len(counts) if counts else 0.0
        print("%-32s %4d sentences  mean %5.1f words  longest %3d"
              % (path.split("/")[-1], len(counts), mean, max(counts, default=0)))
        if long_limit is not None:
            for s, n in zip(found, counts):
                if n > long_limit:
                    print("    (%d) %s" % (n, s))
        if limits and (mean > limits[0] or max(counts, default=0) > limits[1]):
            failed.append(path.split("/")[-1])
    if len(args) > 1 and total_sentences:
        print("%-32s %4d sentences  mean %5.1f words" % ("all", total_sentences,
                                                        total_words / total_sentences))
    if failed:
        print("prose: over %g words a sentence on average, or a sentence over %d words: %s"
              % (limits[0], limits[1], " ".join(failed)))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
