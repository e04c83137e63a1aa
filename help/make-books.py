#!/usr/bin/env python3
"""Makes the two printed books of the help, as PDF files:

    help/make-books.py [--paper A4|letter] [--version V] [--book NAME] OUT_DIR
        writes OUT_DIR/Tesmor-V-lab-manual.pdf (what a student prints and
        brings to the lab) and OUT_DIR/Tesmor-V-teachers-guide.pdf (what the
        teacher keeps), each from the pages listed in help/books/NAME.txt
    ... --html
        writes the HTML document each PDF is made from beside it, to look at

A book is one HTML document: a title page, a table of contents, then the body
of each listed page in the order of its list, each starting a new printed
page; a data sheet (sheet-*.html) also ends its page, so that it prints on a
page of its own. The navigation bars are left out. Each page's ids are made its
own (a page's "why" does not meet another's), links between pages of the book
become links inside the PDF, and links to pages that are not in the book
become plain text: a printed book has nothing to follow them to. WeasyPrint
(Debian package weasyprint, the program from the environment variable
WEASYPRINT or the PATH) makes the PDF; its outline holds the headings h1 to
h3, so every page's title and sections.

The same sources give the same bytes. The book's date is SOURCE_DATE_EPOCH's
(tools/package.sh sets it to the last commit's time), or none without it.
WeasyPrint itself writes no time, but the fonts it embeds are cut down by
fontTools, which stamps each with the time of the run unless
SOURCE_DATE_EPOCH says otherwise: without it they get the time 0. V is
tools/version.sh's by default.
"""

import argparse
import datetime
import html
import os
import re
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.dont_write_bytecode = True
sys.path.insert(0, HERE)
import helpsite  # noqa: E402

# name: (the file name's part, the book's title, whom it is for)
BOOKS = {
    "lab-manual": ("lab-manual", "Lab manual",
                   "For students: the objectives, the pre-lab questions, the procedure, the data "
                   "sheets, the uncertainties and the report template. Print it and bring it to the lab."),
    "teachers-guide": ("teachers-guide", "Teacher\u2019s guide",
                       "For teachers only: the answers, the marking, the parameter table and its "
                       "password. Keep it away from the students\u2019 computers."),
}
PAPERS = ("A4", "letter")

_BODY = re.compile(r"<body[^>]*>(.*)</body>", re.S | re.I)
_TITLE = re.compile(r"<title>(.*?)</title>", re.S | re.I)
_H1 = re.compile(r"<h1[^>]*>(.*?)</h1>", re.S | re.I)
_ID = re.compile(r'(\sid=")([^"]*)(")')
_LINK = re.compile(r'<a\s+href="([^"]*)"([^>]*)>(.*?)</a>', re.S | re.I)
_SRC = re.compile(r'(\ssrc=")([^"]*)(")')
_TAG = re.compile(r"<[^>]+>")

# What only a book needs: page breaks, the title page, the contents with page
# numbers, the page numbers at the foot. The pages' own print style
# (tesmor.css, @media print) does the rest.
BOOK_CSS = """
@page { @bottom-center { content: "%(footer)s \\00b7  page " counter(page) " of " counter(pages);
                         font-family: Verdana, Tahoma, Arial, sans-serif; font-size: 7.5pt; } }
@page :first { @bottom-center { content: none; } }
section.page { page-break-before: always; }
section.sheet { page-break-after: always; }
section.title { text-align: center; padding-top: 70mm; }
section.title p.book { font-size: 24pt; margin: 0 0 6mm 0; }
section.title p.version { font-size: 12pt; margin: 0 0 14mm 0; }
section.title p.whom { font-size: 11pt; margin: 0 25mm; }
section.contents { page-break-before: always; }
section.contents ol { list-style: none; padding: 0; margin: 0; }
section.contents li { margin: 0 0 4pt 0; }
section.contents li a::after { content: leader(".") target-counter(attr(href), page); }
h4, h5, h6 { bookmark-level: none; }
span.offbook { font-style: normal; }
"""


def version_of_tools():
    script = os.path.join(HERE, "..", "tools", "version.sh")
    return subprocess.run(["bash", script], stdout=subprocess.PIPE, check=True, text=True).stdout.strip()


def book_pages(help_dir, name):
    """The pages of book `name`, paths relative to help_dir, in reading order."""
    pages = []
    with open(os.path.join(help_dir, "books", name + ".txt"), encoding="utf-8") as f:
        for line in f:
            line = line.split("#", 1)[0].strip()
            if line:
                pages.append(os.path.normpath(line).replace(os.sep, "/"))
    return pages


def page_key(path):
    """The id a page's section gets, and the prefix of the ids inside it."""
    return re.sub(r"\W+", "-", os.path.splitext(os.path.basename(path))[0])


def plain(text):
    return html.unescape(_TAG.sub("", text)).strip()


def page_title(help_dir, page):
    """The h1 of a page as plain text (the outline's entry for it)."""
    with open(os.path.join(help_dir, page), encoding="utf-8") as f:
        found = _H1.search(f.read())
    return re.sub(r"\s+", " ", plain(found.group(1))) if found else ""


def _section(help_dir, page, keys):
    """The body of `page` (relative to help_dir) as a section of the book;
    `keys` maps each page of the book to its key."""
    with open(os.path.join(help_dir, page), encoding="utf-8") as f:
        text = f.read()
    body = _BODY.search(text)
    if not body:
        raise ValueError("%s: no <body>" % page)
    body = helpsite.NAV_PATTERN.sub("", body.group(1))
    key = keys[page]
    folder = os.path.dirname(page)

    body = _ID.sub(lambda m: m.group(1) + key + "--" + m.group(2) + m.group(3), body)

    def link(m):
        href, rest, inner = m.group(1), m.group(2), m.group(3)
        if re.match(r"[a-z]+:", href):
            return m.group(0)
        target, _, fragment = href.partition("#")
        if not target:
            return '<a href="#%s--%s"%s>%s</a>' % (key, fragment, rest, inner)
        target = os.path.normpath(os.path.join(folder, target)).replace(os.sep, "/")
        if target not in keys:
            return '<span class="offbook">%s</span>' % inner
        anchor = keys[target] + ("--" + fragment if fragment else "")
        return '<a href="#%s"%s>%s</a>' % (anchor, rest, inner)

    body = _LINK.sub(link, body)
    # Images relative to help/, the document's base.
    body = _SRC.sub(lambda m: m.group(1) + os.path.normpath(os.path.join(folder, m.group(2))).replace(
        os.sep, "/") + m.group(3), body)
    kind = "page sheet" if os.path.basename(page).startswith("sheet-") else "page"
    return '<section class="%s" id="%s">\n%s\n</section>\n' % (kind, key, body.strip())


def book_html(help_dir, name, version, date=None):
    """The HTML document of book `name`; `date` (a datetime in UTC, or None)
    is written as the document's date."""
    part, title, whom = BOOKS[name]
    pages = book_pages(help_dir, name)
    keys = {}
    for page in pages:
        if not os.path.isfile(os.path.join(help_dir, page)):
            raise ValueError("%s lists %s, which does not exist" % (name + ".txt", page))
        key = page_key(page)
        if key in keys.values() or page in keys:
            raise ValueError("%s lists two pages named %s" % (name + ".txt", key))
        keys[page] = key
    full_title = "Tesmor %s: %s" % (version, title)
    css = BOOK_CSS % {"footer": "Tesmor %s \\00b7  %s" % (version, title)}
    out = ['<!DOCTYPE html>\n<html lang="en">\n<head>\n<meta charset="utf-8">\n',
           "<title>%s</title>\n" % html.escape(full_title),
           '<meta name="author" content="Tesmor Project">\n']
    if date is not None:
        stamp = date.strftime("%Y-%m-%dT%H:%M:%SZ")
        out.append('<meta name="dcterms.created" content="%s">\n' % stamp)
        out.append('<meta name="dcterms.modified" content="%s">\n' % stamp)
    out.append('<link rel="stylesheet" href="content/tesmor.css">\n')
    out.append("<style>%s</style>\n</head>\n<body>\n" % css)
    out.append('<section class="title">\n<p class="book">Tesmor: %s</p>\n' % html.escape(title))
    out.append('<p class="version">Version %s</p>\n<p class="whom">%s</p>\n</section>\n'
               % (html.escape(version), html.escape(whom)))
    out.append('<section class="contents">\n<h1>Contents</h1>\n<ol>\n')
    for page in pages:
        out.append('<li><a href="#%s">%s</a></li>\n' % (keys[page], html.escape(page_title(help_dir, page))))
    out.append("</ol>\n</section>\n")
    for page in pages:
        out.append(_section(help_dir, page, keys))
    out.append("</body>\n</html>\n")
    return "".join(out)


def pdf_name(name, version):
    return "Tesmor-%s-%s.pdf" % (version, BOOKS[name][0])


def source_date():
    epoch = os.environ.get("SOURCE_DATE_EPOCH")
    if not epoch:
        return None
    return datetime.datetime.fromtimestamp(int(epoch), datetime.timezone.utc)


def make(help_dir, name, version, out_dir, paper="A4", keep_html=False, weasyprint=None):
    """Writes the PDF of book `name` into out_dir and returns its path;
    raises RuntimeError when WeasyPrint fails."""
    weasyprint = weasyprint or os.environ.get("WEASYPRINT", "weasyprint")
    document = book_html(help_dir, name, version, source_date())
    pdf = os.path.join(out_dir, pdf_name(name, version))
    with tempfile.TemporaryDirectory() as work:
        source = os.path.join(work, name + ".html")
        with open(source, "w", encoding="utf-8", newline="\n") as f:
            f.write(document)
        size_css = os.path.join(work, "paper.css")
        with open(size_css, "w", encoding="ascii") as f:
            f.write("@page { size: %s portrait; }\n" % paper)
        environment = dict(os.environ)
        environment.setdefault("SOURCE_DATE_EPOCH", "0")
        result = subprocess.run([weasyprint, "--quiet", "--media-type", "print", "--base-url",
                                 os.path.abspath(help_dir) + os.sep, "--stylesheet", size_css,
                                 source, pdf],
                                stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True, check=False,
                                env=environment)
        if result.returncode != 0 or not os.path.isfile(pdf):
            raise RuntimeError("weasyprint failed on %s: %s" % (name, result.stderr.strip()))
    if keep_html:
        with open(pdf[:-4] + ".html", "w", encoding="utf-8", newline="\n") as f:
            f.write(document)
    return pdf


def main(argv):
    parser = argparse.ArgumentParser(description="Makes the lab manual and the teacher's guide as PDF files.")
    parser.add_argument("--paper", choices=PAPERS, default="A4")
    parser.add_argument("--version", help="the version in the names and on the title pages "
                                          "(default: tools/version.sh's)")
    parser.add_argument("--book", choices=sorted(BOOKS), action="append",
                        help="only this book (may be given twice; default: both)")
    parser.add_argument("--html", action="store_true", help="keep the HTML document beside each PDF")
    parser.add_argument("--help-dir", default=HERE, help="the help's folder (default: this script's)")
    parser.add_argument("out_dir")
    args = parser.parse_args(argv[1:])
    version = args.version or version_of_tools()
    os.makedirs(args.out_dir, exist_ok=True)
    for name in args.book or sorted(BOOKS, key=lambda n: n != "lab-manual"):
        try:
            pdf = make(args.help_dir, name, version, args.out_dir, args.paper, args.html)
        except (RuntimeError, ValueError, OSError) as error:
            print("make-books: %s" % error, file=sys.stderr)
            return 1
        print("make-books: %s" % pdf)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
