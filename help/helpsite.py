"""What the help's tools share: the topics in the order of the contents file,
and the navigation bar each page carries between its "<!-- nav -->" and
"<!-- /nav -->" markers (at the top and at the bottom of the page)."""

import html
import os
import re

NAV_OPEN = "<!-- nav -->"
NAV_CLOSE = "<!-- /nav -->"
NAV_PATTERN = re.compile(re.escape(NAV_OPEN) + r"(.*?)" + re.escape(NAV_CLOSE), re.S)

_SITEMAP_ENTRY = re.compile(r'<OBJECT\s+type="text/sitemap">(.*?)</OBJECT>', re.S | re.I)
_PARAM = re.compile(r'<param\s+name="(Name|Local)"\s+value="([^"]*)"\s*/?>', re.I)


def sitemap_entries(path):
    """The entries of a .hhc or .hhk file, in order: a list of lists of
    (param name, value) pairs, the values unescaped."""
    with open(path, encoding="ascii") as f:
        text = f.read()
    return [[(m.group(1).lower(), html.unescape(m.group(2))) for m in _PARAM.finditer(body)]
            for body in _SITEMAP_ENTRY.findall(text)]


def topics(content_dir):
    """(title, file) of every topic of the contents, in reading order."""
    result = []
    for params in sitemap_entries(os.path.join(content_dir, "tesmor.hhc")):
        names = [v for k, v in params if k == "name"]
        locals_ = [v for k, v in params if k == "local"]
        if names and locals_:
            result.append((names[0], locals_[0]))
    return result


def nav_bar(order, index, bottom):
    """The navigation bar of the topic at `index` of `order`."""
    links = ['<a href="index.html">Contents</a>']
    if index > 0:
        title, target = order[index - 1]
        links.append('<a href="%s">&laquo; %s</a>' % (target, html.escape(title, quote=False)))
    if index + 1 < len(order):
        title, target = order[index + 1]
        links.append('<a href="%s">%s &raquo;</a>' % (target, html.escape(title, quote=False)))
    css = "nav bottom" if bottom else "nav"
    return '<p class="%s">%s</p>' % (css, " &middot; ".join(links))


def with_nav_bars(text, order, index):
    """The page text with both navigation bars rewritten; None when the page
    does not have exactly two pairs of markers."""
    if len(NAV_PATTERN.findall(text)) != 2:
        return None
    bars = iter([nav_bar(order, index, False), nav_bar(order, index, True)])
    return NAV_PATTERN.sub(lambda m: NAV_OPEN + next(bars) + NAV_CLOSE, text)


def load_tool(file_name):
    """A tool of the help's folder as a module, for file names that are no
    module names ("make-books.py")."""
    import importlib.util

    found = importlib.util.spec_from_file_location(file_name[:-3].replace("-", "_"),
                                                    os.path.join(os.path.dirname(os.path.abspath(__file__)),
                                                                 file_name))
    module = importlib.util.module_from_spec(found)
    found.loader.exec_module(module)
    return module


def run_self_test(content_dir, check, breaks, what):
    """Breaks copies of the help's sources in known ways and sees each caught.

    `check(folder)` returns a list of problems; `breaks` holds (description,
    breaker(folder), expected text of a problem). The intact copy must pass and
    every broken one must fail with a problem that contains its expected text.
    `what` names the sources in the messages ("pages", "sheets"). Returns the
    exit status."""
    import shutil

    def copy(work, name):
        folder = os.path.join(work, name)
        shutil.copytree(content_dir, folder)
        return folder

    return run_breaks(copy, lambda folder, brk: check(folder), breaks, what)


def run_breaks(copy, check, breaks, what):
    """The loop of every self-test: `copy(work, name)` makes a fresh copy of the
    sources under the scratch folder `work` and returns the folder to check;
    `check(folder, brk)` returns its problems (`brk` is the break's tuple, or
    None for the intact copy); each break is (description, breaker(folder),
    expected text of a problem, ...). Returns the exit status."""
    import tempfile

    failures = 0
    with tempfile.TemporaryDirectory() as work:
        problems = check(copy(work, "intact"), None)
        if problems:
            print("self-test: the intact %s fail:\n  %s" % (what, "\n  ".join(problems)))
            failures += 1
        else:
            print("self-test: the intact %s pass" % what)
        for brk in breaks:
            description, breaker, expected = brk[:3]
            folder = copy(work, re.sub(r"\W+", "-", description))
            breaker(folder)
            found = check(folder, brk)
            if not any(expected in p for p in found):
                print("self-test: %s was not caught (wanted %r, got %s)" % (description, expected,
                                                                          found or "nothing"))
                failures += 1
            else:
                print("self-test: caught %s" % description)
    if failures:
        print("self-test: %d failure(s)" % failures)
        return 1
    print("self-test: all %d breaks caught, the intact %s pass" % (len(breaks), what))
    return 0


_SITEMAP_TOKEN = re.compile(r'<OBJECT\s+type="text/sitemap">(.*?)</OBJECT>|<(/?)UL\b[^>]*>', re.S | re.I)
_ANY_PARAM = re.compile(r'<param\s+name="([^"]*)"\s+value="([^"]*)"\s*/?>', re.I)


class SitemapEntry:
    """One entry of a .hhc or .hhk file: its names and targets (Local, without
    anything else) in order, and the entries of the list nested under it."""

    def __init__(self, params):
        self.names = [v for k, v in params if k == "name"]
        self.locals = [v for k, v in params if k == "local"]
        self.children = []

    @property
    def name(self):
        return self.names[0] if self.names else ""


def sitemap_tree(path):
    """The entries of a .hhc or .hhk file as a tree: the top-level entries, each
    with the entries of the <UL> that follows it as its children."""
    with open(path, encoding="ascii", errors="replace") as f:
        text = f.read()
    root = SitemapEntry([])
    # The first <UL> holds the top-level entries; a <UL> after an entry holds
    # that entry's sub-entries.
    stack, last = [], None
    for m in _SITEMAP_TOKEN.finditer(text):
        if m.group(1) is not None:
            entry = SitemapEntry([(k.lower(), html.unescape(v)) for k, v in _ANY_PARAM.findall(m.group(1))])
            (stack[-1] if stack else root).children.append(entry)
            last = entry
        elif not m.group(2):
            stack.append(last if last is not None else (stack[-1] if stack else root))
            last = None
        elif stack:
            stack.pop()
            last = None
    return root.children


def page_title(text):
    """The <title> of a page's text, its character references resolved, or None."""
    m = re.search(r"<title>(.*?)</title>", text, re.S | re.I)
    return " ".join(html.unescape(m.group(1)).split()) if m else None


def sub_entry_name(keyword, title):
    """The name of the sub-entry of `keyword` that leads to the page `title`."""
    return "%s, %s" % (keyword, title)


def index_problems(entries, titles, contents, required=()):
    """What keeps a student from reaching a topic through the index, one line each.

    Readers other than the platform's own open only the first topic of a keyword
    that has several, so a keyword with several topics must list them as
    sub-entries, each with one topic. Some of those readers also show the index
    as one flat list sorted by name, so a sub-entry is named by its keyword and
    its page's title ("band gap, Carrier concentrations"): it then stands right
    under its keyword and says where it leads in every reader. `entries` is the index as sitemap_tree gives it,
    `titles` maps each page of the help to its title, `contents` lists the pages
    of the contents (each must be in the index), `required` the keywords a
    student will look for."""
    problems = []
    reached = set()
    seen = {}
    for entry in entries:
        keyword = entry.name
        if not keyword:
            problems.append("an index entry has no name")
            continue
        seen[keyword] = seen.get(keyword, 0) + 1
        if entry.children:
            if len(entry.locals) > 1:
                problems.append('"%s" has sub-entries and %d topics of its own; give it one at most'
                                % (keyword, len(entry.locals)))
        elif len(entry.locals) != 1:
            problems.append('"%s" has %d topics; give it exactly one, or one sub-entry for each'
                            % (keyword, len(entry.locals)))
        reached.update(local.partition("#")[0] for local in entry.locals)
        pages_under = set()
        for sub in entry.children:
            if len(sub.locals) != 1:
                problems.append('"%s" / "%s" has %d topics; a sub-entry has exactly one'
                                % (keyword, sub.name, len(sub.locals)))
                continue
            if sub.children:
                problems.append('"%s" / "%s" has sub-entries of its own' % (keyword, sub.name))
            page = sub.locals[0].partition("#")[0]
            reached.add(page)
            if page in pages_under:
                problems.append('"%s" lists %s twice' % (keyword, page))
            pages_under.add(page)
            if page in titles and sub.name != sub_entry_name(keyword, titles[page]):
                problems.append('"%s" / "%s" is not named "%s", by its keyword and the title of %s'
                                % (keyword, sub.name, sub_entry_name(keyword, titles[page]), page))
    for keyword, count in seen.items():
        if count > 1:
            problems.append('the index lists "%s" %d times' % (keyword, count))
    for page in contents:
        if page not in reached:
            problems.append("no index entry leads to %s" % page)
    for term in required:
        if term not in seen:
            problems.append('the index lacks the term "%s"' % term)
    return problems


def required_terms(path):
    """The keywords listed in a terms file: one a line, "#" begins a comment."""
    with open(path, encoding="ascii") as f:
        return [line.split("#", 1)[0].strip() for line in f if line.split("#", 1)[0].strip()]
