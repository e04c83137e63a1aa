#!/usr/bin/env python3
"""Checks that the help can be read with assistive technology:

    help/check-a11y.py [--axe AXE_JS] [HELP_DIR]
        every page of HELP_DIR/content and HELP_DIR/guide, and the HTML of both
        printed books (make-books.py's), against the WCAG 2.0 and 2.1 rules of
        levels A and AA
    help/check-a11y.py --self-test [--axe AXE_JS]
        pages made to break those rules must fail, each for its own rule, and a
        clean page must pass, so that the check cannot pass vacuously

Each page is opened as a file (file://; nothing is served, nothing is fetched)
in headless Chromium driven through Selenium, axe-core's axe.min.js is put into
it and axe.run reports what breaks the rules; any violation fails with the
page, the rule and the elements. A rule of our own on top: every picture's text
says what the picture shows (a reader hears it instead of seeing it), so it is
no file name, not the picture's own name and at least four words long.

AXE_JS is the axe.min.js that tools/install-deps.sh --a11y installs into
build/a11y (the default, or the environment variable AXE_JS); Chromium and its
driver are Debian's (chromium, chromium-driver; CHROMIUM and CHROMEDRIVER say
otherwise).
"""

import argparse
import importlib.util
import os
import posixpath
import re
import shutil
import sys
import tempfile
import urllib.parse
import urllib.request

HERE = os.path.dirname(os.path.abspath(__file__))
# The tools leave nothing behind in the source tree.
sys.dont_write_bytecode = True

DEFAULT_AXE = os.path.join(HERE, "..", "build", "a11y", "node_modules", "axe-core", "axe.min.js")
TAGS = ["wcag2a", "wcag2aa", "wcag21a", "wcag21aa"]
CHROMIUM_FLAGS = ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                  "--disable-background-networking", "--disable-component-update", "--disable-sync",
                  "--disable-dev-shm-usage", "--window-size=1024,768"]
MIN_ALT_WORDS = 4
_IMAGE_FILE = re.compile(r"\.(png|jpe?g|gif|bmp|svg|webp|ico)\b", re.I)

# The pictures of a page, as the browser has them.
_IMAGES_SCRIPT = """
return Array.from(document.images).map(function (i) {
    return [i.getAttribute('src') || '', i.getAttribute('alt')];
});
"""
_RUN_SCRIPT = """
var done = arguments[arguments.length - 1];
axe.run(document, {runOnly: {type: 'tag', values: arguments[0]}, resultTypes: ['violations']})
    .then(function (r) {
        done(r.violations.map(function (v) {
            return {id: v.id, impact: v.impact, help: v.help,
                    nodes: v.nodes.map(function (n) { return n.target.join(' '); })};
        }));
    })
    .catch(function (e) { done('axe.run failed: ' + e); });
"""


def alt_problems(images):
    """What our own rule finds in a page's pictures, given as (src, alt) pairs."""
    problems = []
    for src, alt in images:
        name = posixpath.basename(urllib.parse.urlparse(src).path) if not src.startswith("data:") else ""
        base = posixpath.splitext(name)[0]
        text = (alt or "").strip()
        where = name or "an inline picture"
        if not text:
            problems.append("%s: no text says what the picture shows" % where)
        elif _IMAGE_FILE.search(text):
            problems.append("%s: its text %r is a file name" % (where, text))
        elif base and text.lower() in (base.lower(), base.replace("-", " ").replace("_", " ").lower()):
            problems.append("%s: its text %r is the picture's own name" % (where, text))
        elif len(text.split()) < MIN_ALT_WORDS:
            problems.append("%s: its text %r has fewer than %d words" % (where, text, MIN_ALT_WORDS))
    return problems


class Browser:
    """Headless Chromium with axe-core put into every page it opens."""

    def __init__(self, axe_js):
        try:
            from selenium import webdriver
            from selenium.webdriver.chrome.service import Service
        except ImportError:
            raise RuntimeError("needs Selenium: install the Debian package python3-selenium "
                               "(tools/install-deps.sh --a11y)")
        chromium = os.environ.get("CHROMIUM") or shutil.which("chromium")
        driver = os.environ.get("CHROMEDRIVER") or shutil.which("chromedriver")
        if not chromium or not driver:
            raise RuntimeError("needs Chromium and its driver: install the Debian packages chromium and "
                               "chromium-driver (tools/install-deps.sh --a11y)")
        if not os.path.isfile(axe_js):
            raise RuntimeError("no axe-core at %s: run tools/install-deps.sh --a11y" % axe_js)
        with open(axe_js, encoding="utf-8") as f:
            self.axe = f.read()
        self.profile = tempfile.mkdtemp(prefix="tesmor-a11y-profile-")
        options = webdriver.ChromeOptions()
        options.binary_location = chromium
        for flag in CHROMIUM_FLAGS + ["--user-data-dir=" + self.profile]:
            options.add_argument(flag)
        self.driver = webdriver.Chrome(service=Service(executable_path=driver), options=options)
        self.driver.set_script_timeout(120)
        self.driver.set_page_load_timeout(60)

    def close(self):
        try:
            self.driver.quit()
        finally:
            shutil.rmtree(self.profile, ignore_errors=True)

    def check(self, path):
        """The problems of the page at `path`, each as (rule, text)."""
        self.driver.get(urllib.parse.urljoin("file:", urllib.request.pathname2url(os.path.abspath(path))))
        self.driver.execute_script(self.axe)
        violations = self.driver.execute_async_script(_RUN_SCRIPT, TAGS)
        if isinstance(violations, str):
            raise RuntimeError("%s: %s" % (path, violations))
        problems = [(v["id"], "%s (%s): %s" % (v["help"], v["impact"], ", ".join(v["nodes"])))
                    for v in violations]
        images = self.driver.execute_script(_IMAGES_SCRIPT)
        problems += [("alt-says-what", text) for text in alt_problems(images)]
        return problems


def load_make_books():
    sys.path.insert(0, HERE)
    import helpsite  # noqa: E402

    return helpsite.load_tool("make-books.py")


def help_pages(help_dir, work):
    """Every page to check: the help's, the teacher's guide's, and each book
    written into `work` beside links to the help's folders, so that its style
    sheet and pictures are found as they are in the printed book."""
    pages = []
    for folder in ("content", "guide"):
        directory = os.path.join(help_dir, folder)
        pages += sorted(os.path.join(directory, name) for name in os.listdir(directory) if name.endswith(".html"))
    make_books = load_make_books()
    for folder in ("content", "guide"):
        os.symlink(os.path.abspath(os.path.join(help_dir, folder)), os.path.join(work, folder))
    for name in sorted(make_books.BOOKS):
        book = os.path.join(work, name + ".html")
        with open(book, "w", encoding="utf-8", newline="\n") as f:
            f.write(make_books.book_html(help_dir, name, "check"))
        pages.append(book)
    return pages


def check(help_dir, axe_js):
    with tempfile.TemporaryDirectory(prefix="tesmor-a11y-") as work:
        pages = help_pages(help_dir, work)
        browser = Browser(axe_js)
        failures = 0
        try:
            for page in pages:
                shown = os.path.relpath(page, help_dir) if not page.startswith(work) else \
                    "book " + os.path.basename(page)
                problems = browser.check(page)
                for rule, text in problems:
                    print("check-a11y: %s: %s: %s" % (shown, rule, text))
                if not problems:
                    print("check-a11y: %s: ok" % shown)
                failures += bool(problems)
        finally:
            browser.close()
    print("check-a11y: %d pages, %d with violations" % (len(pages), failures))
    return 1 if failures else 0


# Pages each made to break one rule, with the rule that must catch it; the
# last is clean and must pass. The picture is a one-pixel PNG in the page.
_PIXEL = ("data:image/png;base64,iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAADUlEQVR42mNk+M9Q"
          "DwADhgGAWjR9awAAAABJRU5ErkJggg==")
_PAGE = ('<!DOCTYPE html>\n<html lang="en">\n<head>\n<meta charset="utf-8">\n<title>%s</title>\n'
         '</head>\n<body>\n<main>\n<h1>%s</h1>\n%s\n</main>\n</body>\n</html>\n')
SELF_TESTS = [
    ("missing-alt", "image-alt", '<p>The panel:</p>\n<img src="%s" width="1" height="1">' % _PIXEL),
    ("low-contrast", "color-contrast",
     '<p style="color: #999999; background: #ffffff">Grey text on white is hard to read.</p>'),
    ("alt-file-name", "alt-says-what", '<img src="panel.png" width="1" height="1" alt="panel.png">'),
    ("alt-own-name", "alt-says-what", '<img src="sample-geometry.png" width="1" height="1" '
                                      'alt="sample geometry">'),
    ("alt-too-short", "alt-says-what", '<img src="%s" width="1" height="1" alt="The panel">' % _PIXEL),
    ("clean", None, '<p>The experiment panel:</p>\n<img src="%s" width="1" height="1" '
                    'alt="The experiment panel as it opens, with material 1">' % _PIXEL),
]


def self_test(axe_js):
    failures = 0
    with tempfile.TemporaryDirectory(prefix="tesmor-a11y-self-") as work:
        browser = Browser(axe_js)
        try:
            for name, rule, body in SELF_TESTS:
                page = os.path.join(work, name + ".html")
                with open(page, "w", encoding="utf-8") as f:
                    f.write(_PAGE % (name, name, body))
                rules = sorted({found for found, _ in browser.check(page)})
                if rule is None:
                    ok = not rules
                    expected = "no violation"
                else:
                    ok = rule in rules
                    expected = rule
                print("check-a11y self-test: %s: %s (expected %s, found %s)"
                      % (name, "ok" if ok else "FAILED", expected, ", ".join(rules) or "none"))
                failures += not ok
        finally:
            browser.close()
    print("check-a11y self-test: %d of %d cases as expected" % (len(SELF_TESTS) - failures, len(SELF_TESTS)))
    return 1 if failures else 0


def main(argv):
    # Debian's Selenium is in the system's Python; another Python first on the
    # PATH (a per-user one) does not see it, so the system's runs the check.
    system = "/usr/bin/python3"
    if importlib.util.find_spec("selenium") is None and os.path.isfile(system) \
            and os.path.realpath(sys.executable) != os.path.realpath(system):
        os.execv(system, [system, os.path.abspath(__file__)] + argv[1:])
    parser = argparse.ArgumentParser(description="Checks the help's pages against WCAG 2.1 A and AA.")
    parser.add_argument("--axe", default=os.environ.get("AXE_JS", DEFAULT_AXE), help="axe-core's axe.min.js")
    parser.add_argument("--self-test", action="store_true", help="check that broken pages fail")
    parser.add_argument("help_dir", nargs="?", default=HERE)
    args = parser.parse_args(argv[1:])
    try:
        return self_test(args.axe) if args.self_test else check(args.help_dir, args.axe)
    except RuntimeError as error:
        print("check-a11y: %s" % error, file=sys.stderr)
        return 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
