#!/usr/bin/env python3
"""Checks the help's page of fields against the program's own fields.

    help/check-fields.py --fields HELP_FIELDS [CONTENT_DIR]
        check panel-fields.html (default: help/content)
    help/check-fields.py --fields HELP_FIELDS --self-test [CONTENT_DIR]
        break copies of the page in known ways; each break must be caught

HELP_FIELDS is the native program help_fields (tests/help/help_fields.cpp): it
writes, for every measured quantity the panel shows in a box or a meter, its
symbol, unit, label, kind of field, value at the start and range, as the
program has them (the table of measured quantities, the panel's fields and
ExperimentSettings's defaults).

The page holds two tables of class "grid". In the first, each row after the
header is an input: Field, Meaning, Unit, At start, Valid range. In the
second, each row is a meter: Meter, Shows, Unit. A field is named by its
symbol as the page writes it (<var>I</var><sub>m</sub> is "I_m", &delta; is
the program's "\u03B4"); the material's row is the one whose field names the
material. The check asks of the page:
  - every box and meter of the program has exactly one row, and every row is
    a box or a meter of the program;
  - the unit is the program's ("1" for a pure number, "&ndash;" for the
    material's number);
  - the first number "At start" is the value the box has at the start;
  - the first two numbers of "Valid range" are the box's lower and upper
    ends (a slider's: those of its range boxes at the start).
"""

import argparse
import html
import os
import re
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
PAGE = "panel-fields.html"
NUMBER = re.compile(r"-?\d+(?:\.\d+)?(?:e[-+]?\d+)?")


class Field:
    def __init__(self, line):
        symbol, unit, label, kind, start, lower, upper = line.split("\t")
        self.symbol, self.unit, self.label, self.kind = symbol, unit, label, kind
        self.start, self.lower, self.upper = (None if v == "-" else float(v) for v in (start, lower, upper))

    def name(self):
        return self.symbol or self.label


def program_fields(program):
    out = subprocess.run([program], check=True, capture_output=True).stdout.decode("utf-8")
    return [Field(line) for line in out.splitlines() if line]


def cell_text(cell):
    """The cell as the reader sees it, a subscript written after "_"."""
    text = re.sub(r"<sub>", "_", cell)
    text = re.sub(r"<[^>]+>", "", text)
    text = html.unescape(text).replace("\u2212", "-").replace("\u00A0", " ")
    return " ".join(text.split())


def grid_tables(page):
    """The rows of each grid table, each row its cells' texts, header left out."""
    tables = []
    for table in re.findall(r'<table class="grid"[^>]*>(.*?)</table>', page, re.S):
        rows = []
        for row in re.findall(r"<tr[^>]*>(.*?)</tr>", table, re.S):
            cells = re.findall(r"<td[^>]*>(.*?)</td>", row, re.S)
            if cells:
                rows.append([cell_text(c) for c in cells])
        tables.append(rows)
    return tables


def numbers(text):
    return [float(n) for n in NUMBER.findall(text)]


def check_unit(field, shown, problems):
    wanted = field.unit if field.unit else ("\u2013" if field.kind == "material" else "1")
    if shown != wanted:
        problems.append("%s: unit %r, the program's is %r" % (field.name(), shown, wanted))


def row_of(field, rows):
    if field.kind == "material":
        found = [r for r in rows if "material" in r[0].lower()]
    else:
        found = [r for r in rows if r[0] == field.symbol]
    return found


def check_input(field, row, problems):
    if len(row) != 5:
        problems.append("%s: %d cells, not 5" % (field.name(), len(row)))
        return
    check_unit(field, row[2], problems)
    start = numbers(row[3])
    if not start or start[0] != field.start:
        problems.append("%s: at start %r, the program's is %g" % (field.name(), row[3], field.start))
    ends = numbers(row[4])
    if len(ends) < 2 or ends[0] != field.lower or ends[1] != field.upper:
        problems.append("%s: range %r, the program's is %g to %g" %
                        (field.name(), row[4], field.lower, field.upper))


def check(program, content):
    fields = program_fields(program)
    with open(os.path.join(content, PAGE), encoding="ascii") as f:
        tables = grid_tables(f.read())
    if len(tables) < 2:
        return ["%s: %d grid tables, not 2" % (PAGE, len(tables))], 0
    inputs, meters = tables[0], tables[1]
    problems, seen = [], set()
    for field in fields:
        rows = row_of(field, meters if field.kind == "reading" else inputs)
        if len(rows) != 1:
            problems.append("%s: %d rows on the page, not 1" % (field.name(), len(rows)))
            continue
        seen.add(id(rows[0]))
        if field.kind == "reading":
            check_unit(field, rows[0][2] if len(rows[0]) > 2 else "", problems)
        else:
            check_input(field, rows[0], problems)
    for row in inputs + meters:
        if id(row) not in seen:
            problems.append("%r: no field of the program" % row[0])
    return [PAGE + ": " + p for p in problems], len(fields)


# --- negative controls -------------------------------------------------------

BREAKS = [
    ("a wrong unit", r"(<var>T</var></td><td>[^<]*</td><td>)K(<)", r"\1mK\2"),
    ("a wrong upper end", r"77 to 1680", "77 to 1690"),
    ("a wrong lower end", r"<td>1 to 25000</td>", "<td>10 to 25000</td>"),
    ("a wrong value at the start", r"(<td>1</td><td>)1\.15(<)", r"\g<1>1.5\2"),
    ("a wrong slider range", r"at first\s+&minus;25 to 25", "at first -20 to 20"),
    ("a pure number given a unit", r"(</sub></td><td>Hall factor of the sample</td><td>)1(<)", r"\1K\2"),
    ("a wrong largest material", r"\(100\s+unless", "(99 unless"),
    ("a meter in the wrong unit", r"(</a>\)</td><td>)mV(</td></tr>\s*<tr><td><var>V</var><sub>&sigma;)",
     r"\1V\2"),
    ("a field left out", r"<tr><td><var>w</var>.*?</tr>\n", ""),
    ("a field renamed", r"<tr><td><var>d</var>", "<tr><td><var>t</var>"),
]


def problems_after(program, content, pattern, replacement):
    """What the check says of a copy of the page with the first match of
    pattern replaced; None when the page holds no match."""
    with open(os.path.join(content, PAGE), encoding="ascii") as f:
        broken, n = re.subn(pattern, replacement, f.read(), count=1, flags=re.S)
    if n == 0:
        return None
    with tempfile.TemporaryDirectory() as work:
        copy = os.path.join(work, "content")
        shutil.copytree(content, copy)
        with open(os.path.join(copy, PAGE), "w", encoding="ascii") as f:
            f.write(broken)
        return check(program, copy)[0]


def self_test(program, content):
    problems, count = check(program, content)
    failures = ["the page itself fails: " + "; ".join(problems[:3])] if problems else []
    if count < 10:
        failures.append("only %d fields from the program: too few to test the check" % count)
    for label, pattern, replacement in BREAKS:
        problems = problems_after(program, content, pattern, replacement)
        if problems is None:
            failures.append("%s: nothing in the page to break" % label)
        elif not problems:
            failures.append("%s: not caught" % label)
        else:
            print("caught: %s: %s" % (label, problems[0]))
    return failures


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--fields", required=True, help="the program help_fields")
    parser.add_argument("--self-test", action="store_true", help="break copies of the page; each must be caught")
    parser.add_argument("content", nargs="?", default=os.path.join(HERE, "content"))
    options = parser.parse_args(argv[1:])
    if options.self_test:
        failures = self_test(options.fields, options.content)
        for failure in failures:
            print("FAILED: " + failure)
        verdict = "all caught" if not failures else "%d failures" % len(failures)
        print("self-test: %d breaks, %s" % (len(BREAKS), verdict))
        return 1 if failures else 0
    problems, count = check(options.fields, options.content)
    for problem in problems:
        print(problem)
    print("%d fields checked, %d problems" % (count, len(problems)))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
