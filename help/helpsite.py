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


def run_self_test(content_dir, check, breaks, what):
    """Breaks copies of the help's sources in known ways and sees each caught.

    `check(folder)` returns a list of problems; `breaks` holds (description,
    breaker(folder), expected text of a problem). The intact copy must pass and
    every broken one must fail with a problem that contains its expected text.
    `what` names the sources in the messages ("pages", "sheets"). Returns the
    exit status."""
    import shutil
    import tempfile

    failures = 0
    with tempfile.TemporaryDirectory() as work:
        intact = os.path.join(work, "intact")
        shutil.copytree(content_dir, intact)
        problems = check(intact)
        if problems:
            print("self-test: the intact %s fail:\n  %s" % (what, "\n  ".join(problems)))
            failures += 1
        else:
            print("self-test: the intact %s pass" % what)
        for description, breaker, expected in breaks:
            copy = os.path.join(work, re.sub(r"\W+", "-", description))
            shutil.copytree(content_dir, copy)
            breaker(copy)
            found = check(copy)
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
