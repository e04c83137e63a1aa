#!/usr/bin/env python3
"""Checks that the help's printable pages print as they should:

    help/check-print.py CONTENT_DIR
        renders each data sheet (sheet-*.html) for print with WeasyPrint, on A4
        and on Letter paper, and checks with poppler's pdfinfo that the PDF has
        the paper size asked for and exactly one page, and with pdftotext that
        the navigation bars are not printed. Renders the report template
        (lab-report.html) and the teacher's rubric (guide-rubric.html in the
        guide/ folder beside CONTENT_DIR) the same way and checks with
        pdftotext -bbox that no page but the last is left a third or more
        empty. On every page printed, no short formula kept on one line
        (class "nowrap") may be broken across two
    help/check-print.py --self-test CONTENT_DIR
        the negative controls: copies of the pages with a sheet made too long,
        with the print style's rule that hides the navigation bars taken out,
        with no sheet at all, with the rubric kept whole on one page (which
        pushes it past a nearly empty first page), and with a formula broken;
        each must fail for its own reason, and the intact copy must pass

The programs are taken from the environment variables WEASYPRINT, PDFINFO and
PDFTOTEXT, or from the PATH (Debian packages weasyprint and poppler-utils).
"""

import glob
import html.parser
import os
import re
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
# The tools leave nothing behind in the source tree.
sys.dont_write_bytecode = True
sys.path.insert(0, HERE)
import helpsite  # noqa: E402

# Paper sizes in PostScript points, as pdfinfo prints them (rounded).
PAPERS = {"A4": (595, 842), "letter": (612, 792)}
TOOLS = {name: os.environ.get(name.upper(), name) for name in ("weasyprint", "pdfinfo", "pdftotext")}
# The text of a navigation bar: every bar starts with the link to the contents
# followed by a middle dot.
NAV_TEXT = re.compile(r"Contents\s*\u00b7")


# Pages of several printed pages: (folder beside CONTENT_DIR or "content", page).
DOCUMENTS = [("content", "lab-report.html"), ("guide", "guide-rubric.html")]
# A page but the last that is filled less than this (from the top margin to
# the lowest text, as a share of the height between the margins) looks like
# the end of the document: a table that did not fit has left it.
MIN_FILL = 0.65
# The page margins of the print style (tesmor.css, @page), in points.
MARGIN = 12 / 25.4 * 72


def sheets(content):
    return sorted(glob.glob(os.path.join(content, "sheet-*.html")))


def documents(content):
    parent = os.path.dirname(os.path.normpath(os.path.abspath(content)))
    return [os.path.join(content if folder == "content" else os.path.join(parent, folder), page)
            for folder, page in DOCUMENTS]


class _Nowrap(html.parser.HTMLParser):
    """The texts of the elements of class "nowrap", whitespace taken out."""

    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.texts, self._depth = [], 0

    def handle_starttag(self, tag, attrs):
        if self._depth:
            self._depth += 1
        elif "nowrap" in (dict(attrs).get("class") or "").split():
            self._depth = 1
            self.texts.append("")

    def handle_endtag(self, tag):
        if self._depth:
            self._depth -= 1

    def handle_data(self, data):
        if self._depth:
            self.texts[-1] += data


def squeeze(text):
    return re.sub(r"\s+", "", text.replace("\u00a0", " "))


def page_fill(bbox):
    """The share of each page's height between the margins that its text
    reaches down to, from pdftotext -bbox output."""
    fills = []
    for page in re.split(r"<page ", bbox)[1:]:
        height = float(re.search(r'height="([\d.]+)"', page).group(1))
        lowest = [float(y) for y in re.findall(r'yMax="([\d.]+)"', page)]
        fills.append((max(lowest) - MARGIN) / (height - 2 * MARGIN) if lowest else 0.0)
    return fills


def run(args):
    return subprocess.run(args, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True, check=False)


def render(page, paper, work):
    """The page printed on `paper` as a PDF in `work`, its page count and the
    problems met on the way."""
    width, height = PAPERS[paper]
    name = os.path.basename(page)
    size_css = os.path.join(work, paper + ".css")
    if not os.path.isfile(size_css):
        with open(size_css, "w", encoding="ascii") as f:
            f.write("@page { size: %s portrait; }\n" % paper)
    pdf = os.path.join(work, "%s-%s.pdf" % (name, paper))
    result = run([TOOLS["weasyprint"], "--quiet", "--media-type", "print",
                  "--stylesheet", size_css, page, pdf])
    if result.returncode != 0 or not os.path.isfile(pdf):
        return None, 0, ["%s on %s: weasyprint failed: %s" % (name, paper, result.stderr.strip())]
    info = run([TOOLS["pdfinfo"], pdf]).stdout
    pages = re.search(r"^Pages:\s+(\d+)", info, re.M)
    size = re.search(r"^Page size:\s+([\d.]+) x ([\d.]+) pts", info, re.M)
    if not pages or not size:
        return None, 0, ["%s on %s: pdfinfo cannot read the PDF" % (name, paper)]
    problems = []
    got = (round(float(size.group(1))), round(float(size.group(2))))
    if got != (width, height):
        problems.append("%s on %s: printed on %dx%d pt paper, not %dx%d"
                        % (name, paper, got[0], got[1], width, height))
    text = run([TOOLS["pdftotext"], "-enc", "UTF-8", pdf, "-"]).stdout
    if NAV_TEXT.search(text):
        problems.append("%s on %s: the navigation bar is printed" % (name, paper))
    return pdf, int(pages.group(1)), problems


def check(content, parts=("sheets", "documents")):
    """The problems of the printable pages under `content` (and of the
    rubric in the guide folder beside it), as lines of text. `parts` limits
    the check to the sheets or to the documents."""
    found = sheets(content)
    if not found:
        return ["%s: no data sheets (sheet-*.html)" % content]
    problems = []
    with tempfile.TemporaryDirectory() as work:
        for paper in PAPERS:
            for page in found if "sheets" in parts else []:
                pdf, count, trouble = render(page, paper, work)
                problems += trouble
                if pdf and count != 1:
                    problems.append("%s on %s: prints on %d pages, not one" % (os.path.basename(page), paper, count))
                if pdf:
                    problems += broken_formulas(page, pdf, paper)
            for page in documents(content) if "documents" in parts else []:
                name = os.path.basename(page)
                if not os.path.isfile(page):
                    problems.append("%s: missing" % page)
                    continue
                pdf, count, trouble = render(page, paper, work)
                problems += trouble
                if not pdf:
                    continue
                fills = page_fill(run([TOOLS["pdftotext"], "-bbox", "-enc", "UTF-8", pdf, "-"]).stdout)
                for number, fill in enumerate(fills[:-1], 1):
                    if fill < MIN_FILL:
                        problems.append("%s on %s: page %d of %d is only %d %% full"
                                        % (name, paper, number, len(fills), round(fill * 100)))
                problems += broken_formulas(page, pdf, paper)
    return problems


def broken_formulas(page, pdf, paper):
    """A problem for each formula of class "nowrap" of the page that the PDF
    does not have on one line."""
    lines = [squeeze(line) for line in
             run([TOOLS["pdftotext"], "-enc", "UTF-8", pdf, "-"]).stdout.splitlines()]
    formulas = _Nowrap()
    with open(page, encoding="ascii") as f:
        formulas.feed(f.read())
    return ["%s on %s: the formula %r is broken across lines"
            % (os.path.basename(page), paper, formula.replace("\u00a0", " "))
            for formula in formulas.texts if not any(squeeze(formula) in line for line in lines)]


# ----------------------------------------------------------------------------
# Self-test: each break must be reported, and the intact copy must pass.

def _longer(d):
    """Triples the blank rows of the temperature series sheet."""
    path = os.path.join(d, "sheet-series.html")
    with open(path, encoding="ascii") as f:
        text = f.read()
    row = "<tr>" + "<td></td>" * 11 + "</tr>\n"
    if row not in text:
        raise AssertionError("self-test: no blank row in sheet-series.html")
    with open(path, "w", encoding="ascii", newline="\n") as f:
        f.write(text.replace(row, row * 3))


def _nav_printed(d):
    """Takes the navigation bars out of the print style's hidden elements."""
    path = os.path.join(d, "tesmor.css")
    with open(path, encoding="ascii") as f:
        text = f.read()
    new = text.replace("p.nav, .noprint {", ".noprint {", 1)
    if new == text:
        raise AssertionError("self-test: the print style does not hide p.nav")
    with open(path, "w", encoding="ascii", newline="\n") as f:
        f.write(new)


def _no_sheets(d):
    for page in sheets(d):
        os.remove(page)


def _rubric_kept_whole(d):
    """Takes out the print style's rule that lets the rubric break between
    criteria: kept whole, it no longer fits under the heading of page 1."""
    path = os.path.join(d, "tesmor.css")
    with open(path, encoding="ascii") as f:
        text = f.read()
    new = re.sub(r"table\.grid\.rubric \{\s*page-break-inside: auto;", "table.grid.rubric {", text)
    if new == text:
        raise AssertionError("self-test: the print style does not let the rubric break")
    with open(path, "w", encoding="ascii", newline="\n") as f:
        f.write(new)


def _formula_broken(d):
    """Squeezes the report's formula into a box one character wide."""
    path = os.path.join(d, "lab-report.html")
    with open(path, encoding="ascii") as f:
        text = f.read()
    new = text.replace('<span class="nowrap">', '<span class="nowrap" style="display: inline-block; '
                       'width: 1em; white-space: normal">', 1)
    if new == text:
        raise AssertionError("self-test: no formula of class nowrap in lab-report.html")
    with open(path, "w", encoding="ascii", newline="\n") as f:
        f.write(new)


# (description, breaker, expected problem, the part of the check that must
# catch it: the other part need not be printed again).
BREAKS = [
    ("a sheet too long for one page", _longer, "sheet-series.html on A4: prints on", "sheets"),
    ("the navigation bars printed", _nav_printed, "the navigation bar is printed", "sheets"),
    ("no data sheets", _no_sheets, "no data sheets", "sheets"),
    ("the rubric kept whole", _rubric_kept_whole, "guide-rubric.html on A4: page 1 of", "documents"),
    ("a formula broken", _formula_broken, "lab-report.html on A4: the formula", "documents"),
]


def self_test(content):
    """Each break on a copy of the content folder with the guide folder
    beside it, as in the source tree (the rubric takes its style sheet from
    ../content)."""
    guide = os.path.join(os.path.dirname(os.path.normpath(os.path.abspath(content))), "guide")
    def copy(work, name):
        root = os.path.join(work, name)
        shutil.copytree(content, os.path.join(root, "content"))
        shutil.copytree(guide, os.path.join(root, "guide"))
        return os.path.join(root, "content")

    return helpsite.run_breaks(copy, lambda folder, brk: check(folder) if brk is None else check(folder, (brk[3],)),
                               BREAKS, "printable pages")


def main(argv):
    for tool, program in TOOLS.items():
        if not shutil.which(program):
            print("check-print: %s not found (apt-get install weasyprint poppler-utils)" % program)
            return 2
    if argv[1:2] == ["--self-test"] and len(argv) == 3:
        return self_test(argv[2])
    if len(argv) != 2 or argv[1].startswith("-"):
        print("usage: check-print.py CONTENT_DIR | --self-test CONTENT_DIR")
        return 2
    problems = check(argv[1])
    for p in problems:
        print(p)
    if problems:
        print("check-print: %d problem(s)" % len(problems))
        return 1
    names = ", ".join(os.path.basename(p) for p in sheets(argv[1]))
    print("check-print: %s each print on one page, on A4 and on Letter" % names)
    names = ", ".join(os.path.basename(p) for p in documents(argv[1]))
    print("check-print: %s print without a page a third empty and without a broken formula" % names)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
