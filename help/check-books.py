#!/usr/bin/env python3
"""Checks the two printed books and that the teacher's material stays the
teacher's:

    help/check-books.py HELP_DIR [--chm FILE.chm]
        makes both books with help/make-books.py, on A4 paper, and the lab
        manual on Letter paper too, and checks each PDF with poppler's tools: the paper size; the number of
        pages (at least one per listed page plus the title and contents pages,
        at most three per listed page plus those two); an outline entry for
        every listed page, by its title, in the order of the list; every data
        sheet (sheet-*.html) on exactly one page; no navigation bar printed; no
        link in the book's document that leads nowhere or out of the book; the same sources
        giving the same bytes twice. Then the teacher-only
        pages (every page under HELP_DIR/guide/): all of them in the teacher's
        guide, none in the lab manual (neither listed nor their titles or first
        sentences in its text); none reachable from the help file's sources in
        HELP_DIR/content (not in tesmor.hhp, .hhc or .hhk, no link to them, no
        page of the same title); and the password of the built-in parameter
        table written in none of those sources nor in the lab manual. With
        --chm, the compiled help file too: no teacher-only page inside, and no
        file in it that holds the password.
    help/check-books.py --self-test HELP_DIR
        the negative controls: copies of HELP_DIR with a sheet too long for one
        page, a teacher-only page listed in the lab manual, a teacher-only
        sentence in a student page, a teacher-only page in the contents and
        linked from a student page, the password on a student page, the outline
        switched off, and a page far too long; each must fail for its own
        reason, and the intact copy must pass
    help/check-books.py --pdf BOOK FILE.pdf [HELP_DIR]
        checks a book already made (BOOK is lab-manual or teachers-guide, on
        A4), as above, from the pages HELP_DIR (default: this folder) lists
    help/check-books.py --files FOLDER...
        what a package holds (unpacked into FOLDER): no teacher's guide (by its
        file name or by its title page) and the password written in no file,
        read as ASCII and UTF-16 text, PDF files through pdftotext and help
        files through chmls; the executables (*.exe) are left out, whose own
        check is tests/no_password.cmake

The programs are taken from the environment variables WEASYPRINT, PDFINFO,
PDFTOTEXT, PDFTOHTML and CHMLS, or from the PATH (Debian packages weasyprint,
poppler-utils and fp-utils).
"""

import glob
import html
import os
import re
import shutil
import subprocess
import sys
import tempfile
import unicodedata

HERE = os.path.dirname(os.path.abspath(__file__))
sys.dont_write_bytecode = True
sys.path.insert(0, HERE)
import helpsite  # noqa: E402

make_books = helpsite.load_tool("make-books.py")

TOOLS = {name: os.environ.get(name.upper(), name)
         for name in ("weasyprint", "pdfinfo", "pdftotext", "pdftohtml", "chmls")}
# Paper sizes in PostScript points, as pdfinfo prints them (rounded).
PAPERS = {"A4": (595, 842), "letter": (612, 792)}
# The password of the built-in parameter table: only the teacher's guide
# prints it.
PASSWORD = "479 zkp"
# The text of a navigation bar: every bar starts with the link to the contents
# followed by a middle dot.
NAV_TEXT = re.compile(r"Contents\s*\u00b7")
VERSION = "0.0.0.0"
STUDENT_BOOK = "lab-manual"
TEACHER_BOOK = "teachers-guide"


def run(args):
    return subprocess.run(args, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True, check=False)


def normal(text):
    """Text as compared here: ligatures and non-breaking spaces undone, every
    run of white space one space."""
    return re.sub(r"\s+", " ", unicodedata.normalize("NFKC", text)).strip()


def pdf_text(pdf, first=None, last=None):
    args = [TOOLS["pdftotext"], "-enc", "UTF-8"]
    if first:
        args += ["-f", str(first), "-l", str(last or first)]
    return run(args + [pdf, "-"]).stdout


def outline(pdf):
    """The top-level entries of a PDF's outline: a list of (title, page)."""
    xml = run([TOOLS["pdftohtml"], "-xml", "-i", "-q", "-stdout", pdf]).stdout
    start = xml.find("<outline>")
    if start < 0:
        return []
    entries = []
    depth = 0
    for m in re.finditer(r'<outline>|</outline>|<item page="(\d+)">(.*?)</item>', xml[start:], re.S):
        if m.group(0) == "<outline>":
            depth += 1
        elif m.group(0) == "</outline>":
            depth -= 1
            if depth == 0:
                break
        elif depth == 1:
            entries.append((normal(html.unescape(m.group(2))), int(m.group(1))))
    return entries


def read(path):
    with open(path, encoding="utf-8", errors="replace") as f:
        return f.read()


def teacher_pages(help_dir):
    """Every teacher-only page: (path relative to help_dir, title, first
    sentence of its text)."""
    found = []
    for path in sorted(glob.glob(os.path.join(help_dir, "guide", "*.html"))):
        text = read(path)
        title = re.search(r"<title>(.*?)</title>", text, re.S)
        body = re.search(r"</h1>(.*)", text, re.S)
        sentence = ""
        if body:
            for para in re.findall(r"<p\b[^>]*>(.*?)</p>", body.group(1), re.S):
                words = normal(make_books.plain(para))
                words = re.split(r"(?<=[.:;!?])\s", words)[0]
                if len(words) >= 30:
                    sentence = words
                    break
        found.append(("guide/" + os.path.basename(path),
                      normal(make_books.plain(title.group(1))) if title else "", sentence))
    return found


def check_pdf(help_dir, name, pdf, paper, document):
    """The problems of one book's PDF."""
    problems = []
    label = "%s on %s" % (name, paper)
    pages = make_books.book_pages(help_dir, name)
    info = run([TOOLS["pdfinfo"], pdf]).stdout
    count = re.search(r"^Pages:\s+(\d+)", info, re.M)
    size = re.search(r"^Page size:\s+([\d.]+) x ([\d.]+) pts", info, re.M)
    if not count or not size:
        return ["%s: pdfinfo cannot read the PDF" % label]
    count = int(count.group(1))
    got = (round(float(size.group(1))), round(float(size.group(2))))
    if got != PAPERS[paper]:
        problems.append("%s: printed on %dx%d pt paper, not %dx%d" % (label, got[0], got[1], *PAPERS[paper]))
    low, high = 2 + len(pages), 2 + 3 * len(pages)
    if not low <= count <= high:
        problems.append("%s: %d pages, not between %d and %d for %d listed pages"
                        % (label, count, low, high, len(pages)))

    # The outline: every listed page by its title, in order.
    entries = outline(pdf)
    titles = [normal(make_books.page_title(help_dir, page)) for page in pages]
    starts = {}
    at = 0
    for page, title in zip(pages, titles):
        for i in range(at, len(entries)):
            if entries[i][0] == title:
                starts[page] = entries[i][1]
                at = i + 1
                break
        else:
            problems.append('%s: the outline has no entry "%s" (%s) in its place' % (label, title, page))

    # Each sheet on exactly one page: from its own start to the next page's.
    ends = sorted(set(starts.values()) | {count + 1})
    for page in pages:
        if os.path.basename(page).startswith("sheet-") and page in starts:
            first = starts[page]
            following = min(p for p in ends if p > first)
            if following - first != 1:
                problems.append("%s: %s prints on %d pages, not one" % (label, page, following - first))
            elif normal(make_books.page_title(help_dir, page)) not in normal(pdf_text(pdf, first)):
                problems.append("%s: %s is not on page %d, where the outline points" % (label, page, first))

    text = normal(pdf_text(pdf))
    if NAV_TEXT.search(text):
        problems.append("%s: a navigation bar is printed" % label)
    if name == STUDENT_BOOK:
        if PASSWORD in text:
            problems.append('%s: the lab manual prints the password "%s"' % (label, PASSWORD))
        for path, title, sentence in teacher_pages(help_dir):
            if title and title in text:
                problems.append('%s: the lab manual holds the teacher-only title "%s" (%s)' % (label, title, path))
            if sentence and sentence in text:
                problems.append('%s: the lab manual holds teacher-only text from %s: "%s"'
                                % (label, path, sentence))

    # Links inside the document lead to an id of it.
    ids = set(re.findall(r'\sid="([^"]*)"', document))
    for target in sorted(set(re.findall(r'\shref="#([^"]*)"', document)) - ids):
        problems.append("%s: a link leads to #%s, which is not in the book" % (label, target))
    for target in sorted(set(re.findall(r'<a\s[^>]*href="([^"#][^"]*)"', document))):
        problems.append("%s: a link leads out of the book, to %s" % (label, target))
    return problems


def check_lists(help_dir):
    problems = []
    manual = make_books.book_pages(help_dir, STUDENT_BOOK)
    guide = make_books.book_pages(help_dir, TEACHER_BOOK)
    for path, _title, _sentence in teacher_pages(help_dir):
        if path in manual:
            problems.append("books/%s.txt lists the teacher-only page %s" % (STUDENT_BOOK, path))
        if path not in guide:
            problems.append("books/%s.txt does not list the teacher-only page %s" % (TEACHER_BOOK, path))
    return problems


def check_chm_sources(help_dir):
    """The teacher-only pages kept out of the help file's sources, and the
    password written in none of them."""
    problems = []
    content = os.path.join(help_dir, "content")
    sources = sorted(glob.glob(os.path.join(content, "*.html")))
    titles = {}
    for page in sources:
        found = re.search(r"<title>(.*?)</title>", read(page), re.S)
        if found:
            titles[normal(make_books.plain(found.group(1)))] = os.path.basename(page)
    for path, title, _sentence in teacher_pages(help_dir):
        name = os.path.basename(path)
        for project in ("tesmor.hhp", "tesmor.hhc", "tesmor.hhk"):
            if name in read(os.path.join(content, project)):
                problems.append("content/%s names the teacher-only page %s" % (project, path))
        for page in sources:
            for href in re.findall(r'\shref="([^"#]*)', read(page)):
                if os.path.basename(href) == name:
                    problems.append("content/%s links to the teacher-only page %s" % (os.path.basename(page), path))
        if title in titles:
            problems.append('content/%s has the title of the teacher-only page %s, "%s"'
                            % (titles[title], path, title))
    for source in sorted(glob.glob(os.path.join(content, "*"))):
        if os.path.isfile(source) and PASSWORD.encode() in open(source, "rb").read():
            problems.append('content/%s holds the password "%s"' % (os.path.basename(source), PASSWORD))
    return problems


def chm_problems(chm, help_dir):
    problems = []
    with tempfile.TemporaryDirectory() as work:
        result = run([TOOLS["chmls"], "extractall", chm, work])
        inside = [os.path.relpath(os.path.join(d, f), work) for d, _, fs in os.walk(work) for f in fs]
        if result.returncode != 0 or not any(f.endswith(".html") for f in inside):
            return ["%s: chmls cannot extract its pages" % chm]
        names = {os.path.basename(f) for f in inside}
        for path, _title, _sentence in teacher_pages(help_dir):
            if os.path.basename(path) in names:
                problems.append("%s holds the teacher-only page %s" % (chm, path))
        for f in inside:
            if holds_password(os.path.join(work, f)):
                problems.append('%s: %s holds the password "%s"' % (chm, f, PASSWORD))
    return problems


def holds_password(path):
    data = open(path, "rb").read()
    return PASSWORD.encode("ascii") in data or PASSWORD.encode("utf-16-le") in data


def check(help_dir, chm=None, papers=tuple(PAPERS)):
    """The problems of the books and of the teacher's material under help_dir,
    as lines of text. The teacher's guide is printed on the first paper only:
    only a student's sheets must fit both."""
    problems = check_lists(help_dir) + check_chm_sources(help_dir)
    if chm:
        problems += chm_problems(chm, help_dir)
    with tempfile.TemporaryDirectory() as work:
        for paper in papers:
            out = os.path.join(work, paper)
            os.makedirs(out)
            for name in (STUDENT_BOOK, TEACHER_BOOK) if paper == papers[0] else (STUDENT_BOOK,):
                try:
                    document = make_books.book_html(help_dir, name, VERSION)
                    pdf = make_books.make(help_dir, name, VERSION, out, paper, weasyprint=TOOLS["weasyprint"])
                except (RuntimeError, ValueError, OSError) as error:
                    problems.append("%s on %s: %s" % (name, paper, error))
                    continue
                problems += check_pdf(help_dir, name, pdf, paper, document)
        # Made again, a book must come out the same, byte for byte.
        again = os.path.join(work, "again")
        os.makedirs(again)
        first = os.path.join(work, papers[0], make_books.pdf_name(STUDENT_BOOK, VERSION))
        try:
            second = make_books.make(help_dir, STUDENT_BOOK, VERSION, again, papers[0],
                                     weasyprint=TOOLS["weasyprint"])
            if os.path.isfile(first) and open(first, "rb").read() != open(second, "rb").read():
                problems.append("%s: made twice from the same sources, the PDFs differ" % STUDENT_BOOK)
        except (RuntimeError, ValueError, OSError) as error:
            problems.append("%s made again: %s" % (STUDENT_BOOK, error))
    return problems


def check_files(folders):
    """The problems of what packages hold (unpacked into `folders`)."""
    problems = []
    for folder in folders:
        files = sorted(os.path.join(d, f) for d, _, fs in os.walk(folder) for f in fs)
        if not files:
            problems.append("%s: no files" % folder)
        for path in files:
            lower = path.lower()
            if lower.endswith(".exe"):
                continue
            if "teachers-guide" in os.path.basename(lower):
                problems.append("%s: the teacher's guide" % path)
            if lower.endswith(".pdf"):
                text = normal(pdf_text(path))
                if not text:
                    problems.append("%s: pdftotext reads no text" % path)
                if "Teacher\u2019s guide" in normal(pdf_text(path, 1)):
                    problems.append("%s: its title page is the teacher's guide's" % path)
                if PASSWORD in text:
                    problems.append('%s: prints the password "%s"' % (path, PASSWORD))
            elif lower.endswith(".chm"):
                problems += chm_problems(path, HERE)
            elif holds_password(path):
                problems.append('%s: holds the password "%s"' % (path, PASSWORD))
    return problems


# ----------------------------------------------------------------------------
# Self-test: each break must be reported, and the intact copy must pass.

_SECRET = """<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<title>Secret marking notes</title>
<link rel="stylesheet" href="../content/tesmor.css">
</head>
<body>
<h1>Secret marking notes</h1>
<p>Give full marks only when the carrier type follows from the sign of the Hall voltage.</p>
</body>
</html>
"""


def _edit(path, old, new, count=1):
    with open(path, encoding="utf-8") as f:
        text = f.read()
    if old not in text:
        raise AssertionError("self-test: %r not found in %s" % (old, path))
    with open(path, "w", encoding="utf-8", newline="\n") as f:
        f.write(text.replace(old, new, count))


def _add_secret(d):
    """A teacher-only page, listed in the teacher's guide."""
    os.makedirs(os.path.join(d, "guide"), exist_ok=True)
    with open(os.path.join(d, "guide", "guide-secret.html"), "w", encoding="utf-8", newline="\n") as f:
        f.write(_SECRET)
    with open(os.path.join(d, "books", TEACHER_BOOK + ".txt"), "a", encoding="utf-8") as f:
        f.write("guide/guide-secret.html\n")


def _first_manual_page(d):
    return os.path.join(d, make_books.book_pages(d, STUDENT_BOOK)[0])


def _secret_in_manual(d):
    _add_secret(d)
    with open(os.path.join(d, "books", STUDENT_BOOK + ".txt"), "a", encoding="utf-8") as f:
        f.write("guide/guide-secret.html\n")


def _secret_sentence_in_student_page(d):
    _add_secret(d)
    _edit(_first_manual_page(d), "</h1>", "</h1>\n<p>Give full marks only when the carrier type follows "
                                          "from the sign of the Hall voltage.</p>")


def _secret_in_contents(d):
    _add_secret(d)
    _edit(os.path.join(d, "content", "tesmor.hhc"), "</UL>",
          '<LI> <OBJECT type="text/sitemap">\n<param name="Name" value="Secret marking notes">\n'
          '<param name="Local" value="../guide/guide-secret.html">\n</OBJECT>\n</UL>')


def _secret_linked(d):
    _add_secret(d)
    _edit(_first_manual_page(d), "</h1>", '</h1>\n<p><a href="../guide/guide-secret.html">Notes</a></p>')


def _password_on_student_page(d):
    _edit(_first_manual_page(d), "</h1>", "</h1>\n<p>The table opens with %s.</p>" % PASSWORD)


def _longer_sheet(d):
    """Triples the blank rows of the temperature series sheet."""
    path = os.path.join(d, "content", "sheet-series.html")
    row = re.search(r"<tr>(<td></td>)+</tr>\n", read(path)).group(0)
    _edit(path, row, row * 3, -1)


def _no_outline(d):
    with open(os.path.join(d, "content", "tesmor.css"), "a", encoding="utf-8") as f:
        f.write("\nh1, h2, h3 { bookmark-level: none; }\n")


def _long_page(d):
    para = "<p>" + "A sentence that fills the page to make it far too long. " * 12 + "</p>\n"
    _edit(_first_manual_page(d), "</h1>", "</h1>\n" + para * 300)


BREAKS = [
    ("a sheet too long for one page", _longer_sheet, "content/sheet-series.html prints on"),
    ("a teacher-only page in the lab manual", _secret_in_manual,
     "lab-manual.txt lists the teacher-only page guide/guide-secret.html"),
    ("a teacher-only sentence on a student page", _secret_sentence_in_student_page,
     "the lab manual holds teacher-only text from guide/guide-secret.html"),
    ("a teacher-only page in the help's contents", _secret_in_contents,
     "content/tesmor.hhc names the teacher-only page"),
    ("a link to a teacher-only page", _secret_linked, "links to the teacher-only page guide/guide-secret.html"),
    ("the password on a student page", _password_on_student_page, 'holds the password "479 zkp"'),
    ("the password printed in the lab manual", _password_on_student_page, 'the lab manual prints the password'),
    ("no outline", _no_outline, "the outline has no entry"),
    ("a page far too long", _long_page, "pages, not between"),
]


def self_test(help_dir):
    # Only what the books are made of: the pictures' sources are not needed.
    with tempfile.TemporaryDirectory() as work:
        slim = os.path.join(work, "help")
        shutil.copytree(help_dir, slim, ignore=shutil.ignore_patterns("art", "__pycache__"))
        # Every break shows on A4; the full check runs both papers.
        return helpsite.run_self_test(slim, lambda d: check(d, papers=("A4",)), BREAKS, "books")


def main(argv):
    needed = ["weasyprint", "pdfinfo", "pdftotext", "pdftohtml"]
    if "--chm" in argv or "--files" in argv:
        needed.append("chmls")
    for tool in needed:
        if not shutil.which(TOOLS[tool]):
            print("check-books: %s not found (apt-get install weasyprint poppler-utils fp-utils)" % TOOLS[tool])
            return 2
    if argv[1:2] == ["--self-test"] and len(argv) == 3:
        return self_test(argv[2])
    if argv[1:2] == ["--files"] and len(argv) >= 3:
        problems = check_files(argv[2:])
        for p in problems:
            print(p)
        if problems:
            print("check-books: %d problem(s)" % len(problems))
            return 1
        print("check-books: no teacher's guide and no password in %s" % " ".join(argv[2:]))
        return 0
    if argv[1:2] == ["--pdf"] and len(argv) in (4, 5) and argv[2] in make_books.BOOKS:
        help_dir = argv[4] if len(argv) == 5 else HERE
        problems = check_pdf(help_dir, argv[2], argv[3], "A4", make_books.book_html(help_dir, argv[2], VERSION))
        for p in problems:
            print(p)
        if problems:
            print("check-books: %d problem(s)" % len(problems))
            return 1
        print("check-books: %s is the %s: its pages, outline and sheets as they should be" % (argv[3], argv[2]))
        return 0
    chm = None
    if len(argv) == 4 and argv[2] == "--chm":
        chm = argv[3]
        argv = argv[:2]
    if len(argv) != 2 or argv[1].startswith("-"):
        print("usage: check-books.py HELP_DIR [--chm FILE.chm] | --self-test HELP_DIR | "
              "--pdf BOOK FILE.pdf [HELP_DIR] | --files FOLDER...")
        return 2
    problems = check(argv[1], chm)
    for p in problems:
        print(p)
    if problems:
        print("check-books: %d problem(s)" % len(problems))
        return 1
    teacher = len(teacher_pages(argv[1]))
    print("check-books: the lab manual (A4 and Letter) and the teacher's guide (A4) print with their outlines, "
          "each sheet on one page; %d teacher-only page(s) kept out of the lab manual and the help file" % teacher)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
