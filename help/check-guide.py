#!/usr/bin/env python3
"""Checks that the teacher's pages stay apart from the students' help:

    help/check-guide.py HELP_DIR
        HELP_DIR holds content/ (the pages compiled into Tesmor.chm), guide/
        (the teacher's pages) and books/ (the page lists of the two printed
        books). Checks that
        - no file of content/ (page, project, contents or index) names a
          teacher's page, so none is reachable from Tesmor.chm, and no page of
          content/ carries a teacher's page's title or the table's password;
        - the lab manual lists only students' pages, and the teacher's guide
          lists every teacher's page; every listed page exists, once;
        - every grid table of the data sheets, the report template and the
          rubric carries border, cellspacing and cellpadding attributes, since
          some HTML Help readers draw no grid from the style sheet alone.
    help/check-guide.py --self-test HELP_DIR
        the negative controls: copies broken in known ways, each of which must
        fail for its own reason, and an intact copy that must pass
"""

import glob
import html.parser
import os
import re
import shutil
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
# The tools leave nothing behind in the source tree.
sys.dont_write_bytecode = True
sys.path.insert(0, HERE)
import helpsite  # noqa: E402

BOOKS = {"lab-manual": "lab-manual.txt", "teachers-guide": "teachers-guide.txt"}
# Pages printed to be written on: their grid must show in every reader.
GRID_PAGES = ["content/sheet-*.html", "content/lab-report.html", "guide/guide-rubric.html"]
GUIDE_NAME = re.compile(r"guide-[a-z0-9-]+\.html|guide/")


class _Tags(html.parser.HTMLParser):
    """The start tags of a page with their attributes and line numbers, the
    title, and the text of <code class="password">."""

    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.tags, self.title, self.password = [], "", None
        self._in = None

    def handle_starttag(self, tag, attrs):
        attrs = dict(attrs)
        self.tags.append((tag, attrs, self.getpos()[0]))
        if tag == "title":
            self._in = "title"
        elif tag == "code" and "password" in (attrs.get("class") or "").split():
            self._in, self.password = "password", ""

    def handle_endtag(self, tag):
        if tag in ("title", "code"):
            self._in = None

    def handle_data(self, data):
        if self._in == "title":
            self.title += data
        elif self._in == "password":
            self.password += data


def parse(path):
    parser = _Tags()
    with open(path, encoding="ascii") as f:
        parser.feed(f.read())
    parser.close()
    return parser


def read(path):
    with open(path, encoding="ascii") as f:
        return f.read()


def book_pages(help_dir, book):
    """The pages a book lists, as (line number, path relative to help/)."""
    result = []
    for number, line in enumerate(read(os.path.join(help_dir, "books", BOOKS[book])).splitlines(), 1):
        line = line.split("#", 1)[0].strip()
        if line:
            result.append((number, line))
    return result


def check(help_dir):
    """The problems found under `help_dir`, as lines of text."""
    content = os.path.join(help_dir, "content")
    guide = os.path.join(help_dir, "guide")
    guide_pages = sorted(glob.glob(os.path.join(guide, "*.html")))
    if not guide_pages:
        return ["%s: no teacher's pages" % guide]
    problems = []
    titles, password = {}, None
    for page in guide_pages:
        parsed = parse(page)
        titles[parsed.title.strip()] = os.path.basename(page)
        if parsed.password:
            password = parsed.password.strip()
    if not password:
        problems.append("guide: no page gives the table's password (<code class=\"password\">)")

    # Nothing of Tesmor.chm reaches a teacher's page or tells its secrets.
    sources = sorted(glob.glob(os.path.join(content, "*.html")) +
                     glob.glob(os.path.join(content, "tesmor.hh[pck]")))
    for path in sources:
        name = os.path.basename(path)
        for number, line in enumerate(read(path).splitlines(), 1):
            match = GUIDE_NAME.search(line)
            if match:
                problems.append("%s line %d: names the teacher's page %s" % (name, number, match.group()))
            if password and password in line:
                problems.append("%s line %d: prints the table's password" % (name, number))
        if name.endswith(".html"):
            title = parse(path).title.strip()
            if title in titles:
                problems.append("%s: has the title of the teacher's page %s (%s)" % (name, titles[title], title))

    # The books.
    listed = {}
    for book in BOOKS:
        seen = set()
        for number, page in book_pages(help_dir, book):
            where = "books/%s line %d" % (BOOKS[book], number)
            if not os.path.isfile(os.path.join(help_dir, page)):
                problems.append("%s: %s does not exist" % (where, page))
            if page in seen:
                problems.append("%s: %s listed twice" % (where, page))
            seen.add(page)
            if book == "lab-manual" and page.startswith("guide/"):
                problems.append("%s: the lab manual lists the teacher's page %s" % (where, page))
            if book == "lab-manual" and password and os.path.isfile(os.path.join(help_dir, page)) \
                    and password in read(os.path.join(help_dir, page)):
                problems.append("%s: %s prints the table's password" % (where, page))
        listed[book] = seen
    for page in guide_pages:
        relative = "guide/" + os.path.basename(page)
        if relative not in listed["teachers-guide"]:
            problems.append("books/%s: the teacher's page %s is missing" % (BOOKS["teachers-guide"], relative))

    # Grid lines that every reader draws.
    grid_pages = sorted(p for pattern in GRID_PAGES for p in glob.glob(os.path.join(help_dir, pattern)))
    if not grid_pages:
        problems.append("%s: no data sheets, report template or rubric" % help_dir)
    for page in grid_pages:
        name = os.path.relpath(page, help_dir)
        grids = [(a, n) for tag, a, n in parse(page).tags
                 if tag == "table" and "grid" in (a.get("class") or "").split()]
        if not grids:
            problems.append("%s: no grid table" % name)
        for attrs, number in grids:
            wrong = [k for k, ok in (("border", attrs.get("border") == "1"),
                                     ("cellspacing", attrs.get("cellspacing") == "0"),
                                     ("cellpadding", (attrs.get("cellpadding") or "").isdigit())) if not ok]
            if wrong:
                problems.append("%s line %d: grid table without %s" % (name, number, ", ".join(wrong)))
    return problems


# ----------------------------------------------------------------------------
# Self-test: each break must be reported, and the intact copy must pass.

def _edit(path, old, new):
    text = read(path)
    if old not in text:
        raise AssertionError("self-test: %r not found in %s" % (old, path))
    with open(path, "w", encoding="ascii", newline="\n") as f:
        f.write(text.replace(old, new, 1))


def _link_from_content(d):
    _edit(os.path.join(d, "content", "lab-course.html"), "</h1>",
          '</h1>\n<p><a href="../guide/guide-rubric.html">rubric</a></p>')


def _in_contents(d):
    _edit(os.path.join(d, "content", "tesmor.hhp"), "[FILES]\n", "[FILES]\nguide-answers.html\n")


def _copied_back(d):
    shutil.copy(os.path.join(d, "guide", "guide-prelab-answers.html"),
                os.path.join(d, "content", "lab-prelab-answers.html"))


def _password_in_help(d):
    password = parse(os.path.join(d, "guide", "guide-password.html")).password.strip()
    _edit(os.path.join(d, "content", "teachers.html"), "</h1>", "</h1>\n<p>%s</p>" % password)


def _guide_in_manual(d):
    with open(os.path.join(d, "books", BOOKS["lab-manual"]), "a", encoding="ascii") as f:
        f.write("guide/guide-answers.html\n")


def _left_out_of_guide(d):
    _edit(os.path.join(d, "books", BOOKS["teachers-guide"]), "guide/guide-rubric.html\n", "")


def _sheet_without_border(d):
    _edit(os.path.join(d, "content", "sheet-series.html"), ' border="1"', "")


def _rubric_without_padding(d):
    path = os.path.join(d, "guide", "guide-rubric.html")
    text = read(path)
    new = re.sub(r' cellpadding="\d+"', "", text)
    if new == text:
        raise AssertionError("self-test: no cellpadding in guide-rubric.html")
    with open(path, "w", encoding="ascii", newline="\n") as f:
        f.write(new)


BREAKS = [
    ("a students' page links to the rubric", _link_from_content, "names the teacher's page guide"),
    ("the help project lists a teacher's page", _in_contents, "tesmor.hhp line"),
    ("the pre-lab answers copied back into the help", _copied_back,
     "has the title of the teacher's page guide-prelab-answers.html"),
    ("the password printed in the help", _password_in_help, "teachers.html line"),
    ("the lab manual lists a teacher's page", _guide_in_manual, "the lab manual lists the teacher's page"),
    ("the rubric left out of the teacher's guide", _left_out_of_guide, "guide/guide-rubric.html is missing"),
    ("a sheet's grid without border", _sheet_without_border, "grid table without border"),
    ("the rubric's grid without cellpadding", _rubric_without_padding, "grid table without cellpadding"),
]


def self_test(help_dir):
    def copy(work, name):
        root = os.path.join(work, name)
        for part in ("content", "guide", "books"):
            shutil.copytree(os.path.join(help_dir, part), os.path.join(root, part))
        return root

    return helpsite.run_breaks(copy, lambda folder, brk: check(folder), BREAKS, "sources")


def main(argv):
    if argv[1:2] == ["--self-test"] and len(argv) == 3:
        return self_test(argv[2])
    if len(argv) != 2 or argv[1].startswith("-"):
        print("usage: check-guide.py HELP_DIR | --self-test HELP_DIR")
        return 2
    problems = check(argv[1])
    for p in problems:
        print(p)
    if problems:
        print("check-guide: %d problem(s)" % len(problems))
        return 1
    print("check-guide: the teacher's pages are apart from the students' help and the lab manual")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
