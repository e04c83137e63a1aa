#!/usr/bin/env python3
"""Checks that every data sheet of the help prints on one page:

    help/check-print.py CONTENT_DIR
        renders each data sheet (sheet-*.html) for print with WeasyPrint, on A4
        and on Letter paper, and checks with poppler's pdfinfo that the PDF has
        the paper size asked for and exactly one page, and with pdftotext that
        the navigation bars are not printed
    help/check-print.py --self-test CONTENT_DIR
        the negative controls: copies of the pages with a sheet made too long,
        with the print style's rule that hides the navigation bars taken out,
        and with no sheet at all; each must fail for its own reason, and the
        intact copy must pass

The programs are taken from the environment variables WEASYPRINT, PDFINFO and
PDFTOTEXT, or from the PATH (Debian packages weasyprint and poppler-utils).
"""

import glob
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


def sheets(content):
    return sorted(glob.glob(os.path.join(content, "sheet-*.html")))


def run(args):
    return subprocess.run(args, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True, check=False)


def check(content):
    """The problems of the data sheets under `content`, as lines of text."""
    found = sheets(content)
    if not found:
        return ["%s: no data sheets (sheet-*.html)" % content]
    problems = []
    with tempfile.TemporaryDirectory() as work:
        for paper, (width, height) in PAPERS.items():
            size_css = os.path.join(work, paper + ".css")
            with open(size_css, "w", encoding="ascii") as f:
                f.write("@page { size: %s portrait; }\n" % paper)
            for page in found:
                name = os.path.basename(page)
                pdf = os.path.join(work, "%s-%s.pdf" % (name, paper))
                result = run([TOOLS["weasyprint"], "--quiet", "--media-type", "print",
                              "--stylesheet", size_css, page, pdf])
                if result.returncode != 0 or not os.path.isfile(pdf):
                    problems.append("%s on %s: weasyprint failed: %s" % (name, paper, result.stderr.strip()))
                    continue
                info = run([TOOLS["pdfinfo"], pdf]).stdout
                pages = re.search(r"^Pages:\s+(\d+)", info, re.M)
                size = re.search(r"^Page size:\s+([\d.]+) x ([\d.]+) pts", info, re.M)
                if not pages or not size:
                    problems.append("%s on %s: pdfinfo cannot read the PDF" % (name, paper))
                    continue
                got = (round(float(size.group(1))), round(float(size.group(2))))
                if got != (width, height):
                    problems.append("%s on %s: printed on %dx%d pt paper, not %dx%d"
                                    % (name, paper, got[0], got[1], width, height))
                if int(pages.group(1)) != 1:
                    problems.append("%s on %s: prints on %s pages, not one" % (name, paper, pages.group(1)))
                text = run([TOOLS["pdftotext"], "-enc", "UTF-8", pdf, "-"]).stdout
                if NAV_TEXT.search(text):
                    problems.append("%s on %s: the navigation bar is printed" % (name, paper))
    return problems


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


BREAKS = [
    ("a sheet too long for one page", _longer, "sheet-series.html on A4: prints on"),
    ("the navigation bars printed", _nav_printed, "the navigation bar is printed"),
    ("no data sheets", _no_sheets, "no data sheets"),
]


def self_test(content):
    return helpsite.run_self_test(content, check, BREAKS, "sheets")


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
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
