#!/usr/bin/env python3
"""Rewrites the navigation bars (Contents, previous and next topic) of every
page of the help from the order of the topics in help/content/tesmor.hhc.

    help/update-nav.py

Run it after adding, removing or moving a topic in the contents file;
help/check-pages.py fails while a bar is out of date.
"""

import os
import sys

# The tools leave nothing behind in the source tree.
sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import helpsite  # noqa: E402


def main():
    content = os.path.join(os.path.dirname(os.path.abspath(__file__)), "content")
    order = helpsite.topics(content)
    changed = 0
    for index, (_, page) in enumerate(order):
        path = os.path.join(content, page)
        with open(path, encoding="ascii") as f:
            text = f.read()
        new = helpsite.with_nav_bars(text, order, index)
        if new is None:
            sys.exit("update-nav: %s needs two pairs of %s %s markers"
                     % (page, helpsite.NAV_OPEN, helpsite.NAV_CLOSE))
        if new != text:
            with open(path, "w", encoding="ascii", newline="\n") as f:
                f.write(new)
            changed += 1
    print("update-nav: %d of %d pages rewritten" % (changed, len(order)))


if __name__ == "__main__":
    main()
