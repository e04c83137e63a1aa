#!/usr/bin/env python3
"""Checks the sources of the help in help/content:

    help/check-pages.py [CONTENT_DIR]      check the pages (default: help/content)
    help/check-pages.py --self-test        break copies of the pages in known ways
                                            and check that each break is caught
    help/check-pages.py --browser-copy CONTENT_DIR FOLDER
                                            check the plain copy for a web browser:
                                            index.html first, the same pages, style
                                            sheet and images, and nothing else

Every page must be well-formed HTML (every element that needs an end tag has
one, in the right place), plain ASCII (other characters are written as
entities, which every viewer reads alike), with a title, the UTF-8 meta tag and
the style sheet. Every link and image must lead to a file of the help (and an
anchor to an id of its page); nothing may point outside: no web addresses, no
scripts. Every image must state its real size and have a text. The project file
must list every page, the style sheet and every image; the contents file must
hold every page; the index must point only to existing pages and anchors; the
navigation bars must follow the order of the contents, and so must the contents
list of the first page. The contents names each page by its title. The index
must lead to every page of the contents and hold the terms of
help/index-terms.txt; a keyword with several topics lists them as sub-entries
(helpsite.index_problems says how). No page of the teacher's guide (help/guide)
may be in the project, the contents or the index, or be linked to.
"""

import html.parser
import os
import re
import struct
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
# The tools leave nothing behind in the source tree.
sys.dont_write_bytecode = True
sys.path.insert(0, HERE)
import helpsite  # noqa: E402

VOID = {"area", "base", "br", "col", "embed", "hr", "img", "input", "link", "meta", "param",
        "source", "track", "wbr"}
TERMS = os.path.join(HERE, "index-terms.txt")
EXTERNAL = re.compile(r"^(?:[a-z][a-z0-9+.-]*:|//)", re.I)


class Page(html.parser.HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.stack = []
        self.problems = []
        self.ids = set()
        self.links = []      # (attribute, value, line)
        self.images = []     # (attributes, line)
        self.title = None
        self._in_title = False
        self.charset = False
        self.stylesheet = False
        self.scripts = 0
        self.anchors_in_order = []

    def handle_starttag(self, tag, attrs):
        a = dict(attrs)
        line = self.getpos()[0]
        if "id" in a:
            if a["id"] in self.ids:
                self.problems.append("line %d: id %r used twice" % (line, a["id"]))
            self.ids.add(a["id"])
        if tag == "a" and "name" in a:
            self.ids.add(a["name"])
        if tag == "meta" and a.get("charset", "").lower() == "utf-8":
            self.charset = True
        if tag == "link" and a.get("rel") == "stylesheet":
            self.stylesheet = a.get("href") == "tesmor.css"
        if tag == "script" or tag in ("iframe", "object", "embed", "applet"):
            self.scripts += 1
        for key in ("href", "src"):
            if key in a:
                self.links.append((key, a[key], line))
        for key, value in a.items():
            if key.startswith("on") or (value and "javascript:" in value.lower()):
                self.problems.append("line %d: script in attribute %s" % (line, key))
            if key == "style" and value and "url(" in value:
                self.links.append(("style", value, line))
        if tag == "a" and "href" in a:
            self.anchors_in_order.append(a["href"])
        if tag == "img":
            self.images.append((a, line))
        if tag == "title":
            self._in_title = True
            self.title = ""
        if tag not in VOID:
            self.stack.append((tag, line))

    def handle_startendtag(self, tag, attrs):
        self.handle_starttag(tag, attrs)
        if tag not in VOID:
            self.stack.pop()

    def handle_endtag(self, tag):
        line = self.getpos()[0]
        if tag in VOID:
            self.problems.append("line %d: end tag for the empty element <%s>" % (line, tag))
            return
        if not any(t == tag for t, _ in self.stack):
            self.problems.append("line %d: </%s> without a start tag" % (line, tag))
            return
        while self.stack[-1][0] != tag:
            open_tag, open_line = self.stack.pop()
            self.problems.append("line %d: <%s> is never closed (</%s> of line %d comes first)"
                                 % (open_line, open_tag, tag, line))
        self.stack.pop()
        if tag == "title":
            self._in_title = False

    def handle_data(self, data):
        if self._in_title:
            self.title += data

    def close(self):
        super().close()
        for tag, line in self.stack:
            self.problems.append("line %d: <%s> is never closed" % (line, tag))


def png_size(path):
    with open(path, "rb") as f:
        head = f.read(24)
    if len(head) < 24 or head[:8] != b"\x89PNG\r\n\x1a\n" or head[12:16] != b"IHDR":
        return None
    return struct.unpack(">II", head[16:24])


def project_files(content):
    """The [FILES] section of the project file, with / as separator."""
    files, section = [], None
    with open(os.path.join(content, "tesmor.hhp"), encoding="ascii") as f:
        for raw in f:
            line = raw.strip()
            if not line or line.startswith(";"):
                continue
            if line.startswith("[") and line.endswith("]"):
                section = line[1:-1].upper()
            elif section == "FILES":
                files.append(line.replace("\\", "/"))
    return files


def guide_pages(guide):
    """The pages of the teacher's guide in the folder `guide`, if there is one."""
    if not guide or not os.path.isdir(guide):
        return set()
    return {f for f in os.listdir(guide) if f.endswith(".html")}


def check(content, terms=TERMS, guide=None):
    """The problems found in the help sources under `content`, as lines of text.

    `terms` names the file of the keywords the index must hold; `guide` is the
    teacher's guide's folder (by default help/guide beside `content`)."""
    if guide is None:
        guide = os.path.join(os.path.dirname(os.path.abspath(content)), "guide")
    problems = []

    def fail(where, what):
        problems.append("%s: %s" % (where, what))

    pages = sorted(f for f in os.listdir(content) if f.endswith(".html"))
    parsed = {}
    for name in pages:
        path = os.path.join(content, name)
        with open(path, "rb") as f:
            raw = f.read()
        try:
            text = raw.decode("ascii")
        except UnicodeDecodeError as e:
            fail(name, "byte %d is not ASCII; write such characters as entities" % e.start)
            text = raw.decode("utf-8", "replace")
        if not text.lstrip().lower().startswith("<!doctype html>"):
            fail(name, "does not begin with <!DOCTYPE html>")
        page = Page()
        page.feed(text)
        page.close()
        parsed[name] = page
        for p in page.problems:
            fail(name, p)
        if not page.title or not page.title.strip():
            fail(name, "has no title")
        if not page.charset:
            fail(name, 'has no <meta charset="utf-8">')
        if not page.stylesheet:
            fail(name, "does not use the style sheet tesmor.css")
        if page.scripts:
            fail(name, "holds scripts or embedded objects")

    # Links and images.
    referenced = set()
    for name, page in parsed.items():
        for key, value, line in page.links:
            if key == "style":
                fail(name, "line %d: style with url()" % line)
                continue
            if EXTERNAL.match(value):
                fail(name, "line %d: %s leads outside the help: %s" % (line, key, value))
                continue
            target, _, anchor = value.partition("#")
            target = target or name
            path = os.path.normpath(os.path.join(content, target))
            if not path.startswith(os.path.normpath(content) + os.sep) or not os.path.isfile(path):
                fail(name, "line %d: %s to a missing file: %s" % (line, key, value))
                continue
            referenced.add(os.path.relpath(path, content).replace(os.sep, "/"))
            if anchor and target.endswith(".html"):
                if target not in parsed or anchor not in parsed[target].ids:
                    fail(name, "line %d: no anchor %r in %s" % (line, anchor, target))
        for attrs, line in page.images:
            src = attrs.get("src", "")
            if not attrs.get("alt"):
                fail(name, "line %d: image %s has no alt text" % (line, src))
            path = os.path.join(content, src)
            size = png_size(path) if os.path.isfile(path) else None
            if size is None:
                if os.path.isfile(path):
                    fail(name, "line %d: image %s is not a PNG file" % (line, src))
                continue
            stated = (attrs.get("width"), attrs.get("height"))
            if stated != (str(size[0]), str(size[1])):
                fail(name, "line %d: image %s is %dx%d, the page says %sx%s"
                     % (line, src, size[0], size[1], stated[0], stated[1]))

    # The style sheet must not pull anything in from elsewhere.
    css = os.path.join(content, "tesmor.css")
    if not os.path.isfile(css):
        fail("tesmor.css", "missing")
    else:
        with open(css, encoding="ascii") as f:
            sheet = f.read()
        if re.search(r"@import|url\(", sheet):
            fail("tesmor.css", "imports or refers to other files")

    # The project file.
    listed = project_files(content)
    for entry in listed:
        if not os.path.isfile(os.path.join(content, entry)):
            fail("tesmor.hhp", "lists a missing file: %s" % entry)
    for needed in sorted(set(pages) | referenced | {"tesmor.css"}):
        if needed not in listed:
            fail("tesmor.hhp", "does not list %s" % needed)
    for entry in listed:
        if entry.endswith(".png") and entry not in referenced:
            fail("tesmor.hhp", "lists %s, which no page shows" % entry)

    # The contents and the index.
    order = helpsite.topics(content)
    in_contents = [page for _, page in order]
    for name in pages:
        if name not in in_contents:
            fail("tesmor.hhc", "does not hold %s" % name)
    if len(set(in_contents)) != len(in_contents):
        fail("tesmor.hhc", "holds a page twice")
    if not in_contents or in_contents[0] != "index.html":
        fail("tesmor.hhc", "does not begin with index.html, the default topic")
    for sitemap in ("tesmor.hhc", "tesmor.hhk"):
        entries = helpsite.sitemap_entries(os.path.join(content, sitemap))
        if not entries:
            fail(sitemap, "has no entries")
        for params in entries:
            for key, value in params:
                if key != "local":
                    continue
                target, _, anchor = value.partition("#")
                if target not in parsed:
                    fail(sitemap, "points to a missing page: %s" % value)
                elif anchor and anchor not in parsed[target].ids:
                    fail(sitemap, "points to a missing anchor: %s" % value)

    # The contents shows each page by its title, so that the contents, the
    # navigation bars and the page itself name it alike.
    titles = {name: " ".join(page.title.split()) for name, page in parsed.items() if page.title}
    for title, name in order:
        if name in titles and title != titles[name]:
            fail("tesmor.hhc", 'names %s "%s", but its title is "%s"' % (name, title, titles[name]))

    # Every topic reachable from the index in any reader, and the terms a
    # student looks up there.
    index_path = os.path.join(content, "tesmor.hhk")
    if os.path.isfile(index_path):
        required = helpsite.required_terms(terms) if terms and os.path.isfile(terms) else []
        for problem in helpsite.index_problems(helpsite.sitemap_tree(index_path), titles, in_contents,
                                               required):
            fail("tesmor.hhk", problem)

    # The teacher's guide stays out of the students' help: none of its pages in
    # the project, the contents or the index, no page of the help leading to
    # one, and no page of the help that is a copy of one.
    if guide and os.path.isdir(guide):
        guide_titles = {}
        for name in sorted(f for f in os.listdir(guide) if f.endswith(".html")):
            with open(os.path.join(guide, name), encoding="utf-8", errors="replace") as f:
                guide_titles[name] = helpsite.page_title(f.read())
        for entry in listed:
            if os.path.basename(entry) in guide_titles:
                fail("tesmor.hhp", "lists %s, a page of the teacher's guide" % entry)
        for sitemap in ("tesmor.hhc", "tesmor.hhk"):
            for params in helpsite.sitemap_entries(os.path.join(content, sitemap)):
                for key, value in params:
                    if key == "local" and os.path.basename(value.partition("#")[0]) in guide_titles:
                        fail(sitemap, "leads to %s, a page of the teacher's guide" % value)
        for name, title in sorted(titles.items()):
            for guide_name, guide_title in guide_titles.items():
                if title == guide_title or name == guide_name:
                    fail(name, "is the teacher's guide page %s (%s); it belongs in %s only"
                         % (guide_name, title, guide))
    for name, page in sorted(parsed.items()):
        for key, value, line in page.links:
            target = value.partition("#")[0].replace("\\", "/")
            if re.search(r"(^|/)guide/", target) or (guide and os.path.basename(target) in guide_pages(guide)):
                fail(name, "line %d: %s leads to the teacher's guide: %s" % (line, key, value))

    # The navigation bars and the contents list of the first page.
    for index, (_, name) in enumerate(order):
        path = os.path.join(content, name)
        if not os.path.isfile(path):
            continue
        with open(path, encoding="ascii", errors="replace") as f:
            text = f.read()
        expected = helpsite.with_nav_bars(text, order, index)
        if expected is None:
            fail(name, "does not have two navigation bars")
        elif expected != text:
            fail(name, "navigation bars do not follow tesmor.hhc (run help/update-nav.py)")
    if "index.html" in parsed:
        with open(os.path.join(content, "index.html"), encoding="ascii", errors="replace") as f:
            text = f.read()
        listing = re.search(r'<ul class="contents">(.*?)</ul>\s*\n\s*(?:<!--|</body>)', text, re.S)
        if not listing:
            fail("index.html", "has no contents list")
        else:
            shown = re.findall(r'href="([^"#]+)"', listing.group(1))
            if shown != in_contents:
                fail("index.html", "contents list does not follow tesmor.hhc")

    # The project's options the help file needs.
    with open(os.path.join(content, "tesmor.hhp"), encoding="ascii") as f:
        project = f.read()
    for option in ("Contents file=tesmor.hhc", "Index file=tesmor.hhk", "Default topic=index.html",
                   "Full-text search=Yes", "Compiled file=Tesmor.chm"):
        if not re.search(r"^" + re.escape(option) + r"\s*$", project, re.M):
            fail("tesmor.hhp", "lacks the option %s" % option)
    return problems


# ----------------------------------------------------------------------------
# Self-test: each break below must be reported, and the intact copy must pass.

def _edit(path, old, new):
    with open(path, encoding="utf-8") as f:
        text = f.read()
    if old not in text:
        raise AssertionError("self-test: %r not found in %s" % (old, path))
    with open(path, "w", encoding="utf-8", newline="\n") as f:
        f.write(text.replace(old, new, 1))


BREAKS = [
    ("an unclosed element", lambda d: _edit(os.path.join(d, "measure.html"), "</h1>", ""),
     "is never closed"),
    ("a misnested end tag", lambda d: _edit(os.path.join(d, "about.html"), "<b>OK</b>", "<b>OK</i>"),
     "</i> without a start tag"),
    ("a broken link", lambda d: _edit(os.path.join(d, "reversing.html"), 'href="model-geometry.html"',
                                      'href="model-geometrie.html"'), "missing file"),
    ("a broken anchor", lambda d: _edit(os.path.join(d, "band-gap.html"), 'href="temperature-series.html"',
                                        'href="temperature-series.html#nowhere"'), "no anchor"),
    ("a web address", lambda d: _edit(os.path.join(d, "about.html"), 'href="parameters-file.html"',
                                      'href="http://example.org/"'), "leads outside"),
    ("a script", lambda d: _edit(os.path.join(d, "about.html"), "</body>", "<script>x()</script></body>"),
     "scripts"),
    ("a non-ASCII character", lambda d: _edit(os.path.join(d, "model-mobility.html"), "&mu;", "\u03bc"),
     "not ASCII"),
    ("a wrong image size", lambda d: _edit(os.path.join(d, "model-magnet.html"), 'width="600" height="340"',
                                           'width="600" height="300"'), "the page says"),
    ("a missing image", lambda d: os.remove(os.path.join(d, "images", "magnet.png")), "missing"),
    ("a page left out of the project", lambda d: _edit(os.path.join(d, "tesmor.hhp"), "\nmessages.html\n", "\n"),
     "does not list messages.html"),
    ("a page left out of the contents",
     lambda d: _drop_contents_entry(d, "messages.html"), "does not hold messages.html"),
    ("an index entry to a missing anchor",
     lambda d: _edit(os.path.join(d, "tesmor.hhk"), 'value="messages.html#damaged"',
                     'value="messages.html#broken"'), "missing anchor"),
    ("a stale navigation bar", lambda d: _edit(os.path.join(d, "measure.html"), "Reversing the currents &raquo;",
                                               "Reversal &raquo;"), "navigation bars"),
    ("full-text search switched off",
     lambda d: _edit(os.path.join(d, "tesmor.hhp"), "Full-text search=Yes", "Full-text search=No"),
     "Full-text search=Yes"),
    ("no default topic", lambda d: _edit(os.path.join(d, "tesmor.hhp"), "Default topic=index.html\n", ""),
     "Default topic"),
]


def _edit_all(path, old, new):
    with open(path, encoding="ascii") as f:
        text = f.read()
    if old not in text:
        raise AssertionError("self-test: %r not found in %s" % (old, path))
    with open(path, "w", encoding="ascii", newline="\n") as f:
        f.write(text.replace(old, new))


def _guide_page(d, name, title):
    """A page of the teacher's guide in the folder the self-test gives the copy `d`."""
    folder = d + "-guide"
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "w", encoding="ascii", newline="\n") as f:
        f.write('<!DOCTYPE html>\n<html><head><meta charset="utf-8"><title>%s</title></head>'
                '<body><h1>%s</h1></body></html>\n' % (title, title))


def _teacher_page_in_project(d):
    _guide_page(d, "guide-rubric.html", "Marking rubric")
    _edit(os.path.join(d, "tesmor.hhp"), "\nabout.html\n", "\nabout.html\n../guide/guide-rubric.html\n")


def _teacher_page_in_index(d):
    _guide_page(d, "guide-rubric.html", "Marking rubric")
    _edit(os.path.join(d, "tesmor.hhk"), '<param name="Local" value="lab-report.html#rubric">',
          '<param name="Local" value="../guide/guide-rubric.html">')


INDEX_BREAKS = [
    ("a keyword with two topics and no sub-entries",
     lambda d: _edit(os.path.join(d, "tesmor.hhk"), '<param name="Local" value="using-help.html">',
                     '<param name="Local" value="using-help.html">\n        '
                     '<param name="Local" value="about.html">'), '"? button" has 2 topics'),
    ("a keyword with sub-entries and two topics of its own",
     lambda d: _edit(os.path.join(d, "tesmor.hhk"), '<param name="Local" value="panel-fields.html">',
                     '<param name="Local" value="panel-fields.html">\n        '
                     '<param name="Local" value="model-readings.html">'), "give it one at most"),
    ("a sub-entry with two topics",
     lambda d: _edit(os.path.join(d, "tesmor.hhk"), '<param name="Name" value="***** in the meters, The readings, '
                     'scatter and valid inputs">\n            <param name="Local" value="model-readings.html">',
                     '<param name="Name" value="***** in the meters, The readings, scatter and valid inputs">\n'
                     '            <param name="Local" value="model-readings.html">\n            '
                     '<param name="Local" value="panel-fields.html">'), "a sub-entry has exactly one"),
    ("a sub-entry named by its page's title alone",
     lambda d: _edit(os.path.join(d, "tesmor.hhk"), '<param name="Name" value="***** in the meters, Fields and meters">',
                     '<param name="Name" value="Fields and meters">'),
     '"Fields and meters" is not named "***** in the meters, Fields and meters"'),
    ("a sub-entry named by another page's title",
     lambda d: _edit(os.path.join(d, "tesmor.hhk"), '<param name="Name" value="***** in the meters, Fields and meters">',
                     '<param name="Name" value="***** in the meters, The magnet">'),
     'by its keyword and the title of panel-fields.html'),
    ("a keyword listed twice",
     lambda d: _edit(os.path.join(d, "tesmor.hhk"), '<param name="Name" value="About box">',
                     '<param name="Name" value="? button">'), 'lists "? button" 2 times'),
    ("a page of the contents no index entry leads to",
     lambda d: _edit_all(os.path.join(d, "tesmor.hhk"), 'value="about.html"', 'value="index.html"'),
     "no index entry leads to about.html"),
    ("a term a student looks up missing from the index",
     lambda d: _edit(os.path.join(d, "tesmor.hhk"), 'value="Lorentz force"', 'value="Lorentz"'),
     'lacks the term "Lorentz force"'),
    ("a contents name other than the page's title",
     lambda d: _edit(os.path.join(d, "tesmor.hhc"), 'value="The magnet"', 'value="Magnet"'),
     'names model-magnet.html "Magnet", but its title is "The magnet"'),
    ("a page linking to the teacher's guide",
     lambda d: _edit(os.path.join(d, "about.html"), 'href="parameters-file.html"',
                     'href="../guide/guide-password.html"'), "leads to the teacher's guide"),
    ("a page of the teacher's guide in the project", _teacher_page_in_project,
     "lists ../guide/guide-rubric.html, a page of the teacher's guide"),
    ("a page of the teacher's guide in the index", _teacher_page_in_index,
     "leads to ../guide/guide-rubric.html, a page of the teacher's guide"),
    ("a copy of a page of the teacher's guide left in the help",
     lambda d: _guide_page(d, "guide-magnet.html", "The magnet"),
     "is the teacher's guide page guide-magnet.html"),
]


def _drop_contents_entry(d, page):
    path = os.path.join(d, "tesmor.hhc")
    with open(path, encoding="ascii") as f:
        text = f.read()
    pattern = re.compile(r'\s*<LI><OBJECT type="text/sitemap">\s*<param name="Name" value="[^"]*">\s*'
                         r'<param name="Local" value="%s">\s*</OBJECT>' % re.escape(page))
    new, n = pattern.subn("", text)
    if n != 1:
        raise AssertionError("self-test: no contents entry for %s" % page)
    with open(path, "w", encoding="ascii", newline="\n") as f:
        f.write(new)


def self_test(content):
    # Each copy gets its own teacher's guide folder beside it, empty unless a
    # break puts a page there.
    pages = helpsite.run_self_test(content, lambda d: check(d, guide=d + "-guide"), BREAKS + INDEX_BREAKS,
                                   "pages")
    return pages


def browser_files(content):
    """The files of the browser's copy, relative to its folder."""
    files = sorted(f for f in os.listdir(content) if f.endswith(".html")) + ["tesmor.css"]
    images = os.path.join(content, "images")
    if os.path.isdir(images):
        files += sorted("images/" + f for f in os.listdir(images) if f.endswith(".png"))
    return files


def check_browser_copy(content, folder):
    problems = []
    if not os.path.isfile(os.path.join(folder, "index.html")):
        problems.append("%s: no index.html, the first page" % folder)
    wanted = browser_files(content)
    present = sorted(os.path.relpath(os.path.join(root, f), folder).replace(os.sep, "/")
                     for root, _, names in os.walk(folder) for f in names)
    for f in wanted:
        if f not in present:
            problems.append("%s: %s is missing" % (folder, f))
            continue
        with open(os.path.join(content, f), "rb") as a, open(os.path.join(folder, f), "rb") as b:
            if a.read() != b.read():
                problems.append("%s: %s differs from its source" % (folder, f))
    for f in present:
        if f not in wanted:
            problems.append("%s: %s does not belong there" % (folder, f))
    return problems


def main(argv):
    default = os.path.join(HERE, "content")
    if argv[1:2] == ["--browser-copy"]:
        if len(argv) != 4:
            print("usage: check-pages.py --browser-copy CONTENT_DIR FOLDER")
            return 2
        problems = check_browser_copy(argv[2], argv[3])
        for p in problems:
            print(p)
        if problems:
            return 1
        print("check-pages: %s holds the pages for a web browser, index.html first" % argv[3])
        return 0
    if argv[1:2] == ["--self-test"]:
        return self_test(argv[2] if len(argv) > 2 else default)
    content = argv[1] if len(argv) > 1 else default
    problems = check(content)
    for p in problems:
        print(p)
    if problems:
        print("check-pages: %d problem(s) in %s" % (len(problems), content))
        return 1
    print("check-pages: %s is in order" % content)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
