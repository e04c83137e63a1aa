#!/usr/bin/env python3
"""Checks that the help's student pages read as a student reads them:

    help/check-prose.py PAGE...             check the pages
    help/check-prose.py --self-test PAGE... break copies of the pages in known
                                            ways; each break must be caught

A student page must keep its sentences short: on average at most 15 words, none
over 30 (counted as help/prose.py counts them: running text only, not tables,
headings or code). And it must not carry the program's arithmetic, which
belongs on the formulas page for the programmer and the teacher:
  - no number with more than 10 significant digits (a constant as the program
    holds it, 19.34161154307377, means nothing to a student; an exact SI
    value such as 1.602176634 is as long as a student needs);
  - no name from the program's source (a word such as EvaluateHallModel or
    FormatReal, a printf conversion such as %#.5g) and no talk of
    double-precision arithmetic.
"""

import os
import re
import shutil
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.dont_write_bytecode = True
sys.path.insert(0, HERE)
import prose  # noqa: E402

MEAN_WORDS = 15
LONGEST_WORDS = 30
MOST_DIGITS = 10

# A number as it stands in the text: digits with an optional point and more
# digits. Its significant digits are counted without the leading zeros.
_NUMBER = re.compile(r"(?<![\w.])\d+(?:\.\d+)?")
# The program's names: two or more capitalised parts run together
# (EvaluateHallModel, FormatReal), printf conversions, double arithmetic.
_CODE = re.compile(r"\b(?:[A-Z][a-z0-9]+){2,}\b|%#?\.?\d*[gfei]\b|\bprintf\b"
                   r"|\bdouble[- ]precision\b|\bIEEE\b")


class _AllText(prose.html.parser.HTMLParser):
    """The page's visible text outside the navigation bars and the head,
    tables included (a long constant in a table is no better)."""

    SKIP = {"head", "script", "style", "title"}

    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.parts = []
        self._skip = 0
        self._nav = 0

    def handle_starttag(self, tag, attrs):
        if tag in self.SKIP:
            self._skip += 1
        if tag == "p" and "nav" in (dict(attrs).get("class") or "").split():
            self._nav += 1

    def handle_endtag(self, tag):
        if tag in self.SKIP and self._skip:
            self._skip -= 1
        if tag == "p" and self._nav:
            self._nav -= 1

    def handle_data(self, data):
        if not self._skip and not self._nav:
            self.parts.append(data)


def significant_digits(number):
    return len(number.replace(".", "").lstrip("0"))


def check_text(name, text):
    problems = []
    found = prose.sentences(text)
    counts = [prose.words(s) for s in found]
    if not counts:
        return ["%s: no running text" % name]
    mean = sum(counts) / len(counts)
    if mean > MEAN_WORDS:
        problems.append("%s: %.1f words a sentence on average (at most %d)" % (name, mean, MEAN_WORDS))
    for sentence, count in zip(found, counts):
        if count > LONGEST_WORDS:
            problems.append("%s: a sentence of %d words (at most %d): %s"
                            % (name, count, LONGEST_WORDS, sentence[:80]))
    parser = _AllText()
    parser.feed(text)
    parser.close()
    visible = " ".join(parser.parts)
    for number in _NUMBER.findall(visible):
        if significant_digits(number) > MOST_DIGITS:
            problems.append("%s: %s has %d significant digits (at most %d on a student page)"
                            % (name, number, significant_digits(number), MOST_DIGITS))
    for word in _CODE.findall(visible):
        problems.append("%s: %r is the program's detail, not a student's" % (name, word))
    return problems


def check(pages):
    problems = []
    for path in pages:
        with open(path, encoding="utf-8") as f:
            problems += check_text(os.path.basename(path), f.read())
    return problems


# Each break: a label, a change to the text of a page (None if it finds
# nothing to change) and what the check must say of the changed page.
def _long_sentence(text):
    # One paragraph's sentences run together into one.
    match = re.search(r"<p>([^<]*?[a-z]\. [A-Z][^<]*)</p>", text)
    if not match:
        return None
    joined = re.sub(r"([a-z])\. ([A-Z])", lambda m: m.group(1) + ", and " + m.group(2).lower(),
                    match.group(1))
    filler = " and so on, as the page says above and as the student reads it again" * 2
    return text[:match.start(1)] + joined + filler + text[match.end(1):]


def _every_sentence_longer(text):
    # Every sentence that ends in a word gains eleven words.
    return re.sub(r"([a-z>])\.(?=\s|</)", r"\1 with a good few more words than this page needs here.", text)


def _insert(words):
    def change(text):
        at = text.find("</p>", text.find("<h1"))
        return None if at < 0 else text[:at] + words + text[at:]
    return change


BREAKS = [
    ("a sentence over 30 words", _long_sentence, "a sentence of"),
    ("a mean over 15 words", _every_sentence_longer, "on average"),
    ("a constant to 16 digits", _insert(" The exponent is 19.34161154307377."), "19.34161154307377"),
    ("a function's name", _insert(" EvaluateHallModel does it."), "EvaluateHallModel"),
    ("a printf conversion", _insert(" The text is %#.5g."), "%#.5g"),
    ("double-precision arithmetic", _insert(" It is double-precision arithmetic."), "double-precision"),
]


def self_test(pages):
    failures = []
    problems = check(pages)
    if problems:
        failures.append("the pages themselves fail: " + "; ".join(problems[:3]))
    for label, change, said in BREAKS:
        for path in pages:
            with open(path, encoding="utf-8") as f:
                original = f.read()
            changed = change(original)
            if changed is None or changed == original:
                continue
            with tempfile.TemporaryDirectory() as work:
                copy = os.path.join(work, os.path.basename(path))
                shutil.copyfile(path, copy)
                with open(copy, "w", encoding="utf-8") as f:
                    f.write(changed)
                found = check([copy])
            said_it = [problem for problem in found if said in problem]
            if said_it:
                print("caught: %s (%s): %s" % (label, os.path.basename(path), said_it[0]))
            else:
                failures.append("%s (%s): not caught" % (label, os.path.basename(path)))
            break
        else:
            failures.append("%s: nothing in the pages to break" % label)
    return failures


def main(argv):
    args = argv[1:]
    test = "--self-test" in args
    if test:
        args.remove("--self-test")
    if not args:
        print(__doc__.split("\n\n")[1], file=sys.stderr)
        return 2
    if test:
        failures = self_test(args)
        for failure in failures:
            print("FAILED: " + failure)
        print("self-test: %d breaks, %s" % (len(BREAKS), "all caught" if not failures else
                                             "%d failures" % len(failures)))
        return 1 if failures else 0
    problems = check(args)
    for problem in problems:
        print(problem)
    print("check-prose: %d pages, %d problems" % (len(args), len(problems)))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
