#!/usr/bin/env python3
"""Checks the shape of the production sources.

    tools/check-structure.py layers [ROOT]
        every #include "folder/..." names a folder at the same level as the
        including file's folder or a lower one, and no file reaches itself
        through its includes
    tools/check-structure.py length [ROOT]
        no .cpp or .h file over 400 lines
    tools/check-structure.py methods [ROOT]
        no class or struct of a header declares more than 30 member functions
        (constructors, operators and overloads each count; a nested class
        counts on its own)
    tools/check-structure.py --self-test
        breaks a small tree in known ways; each break must be caught, and the
        unbroken tree must pass

The production sources are the .cpp, .h and .rc files of every folder of ROOT
(default: the repository) but tests/, build/, tools/ and hidden ones. The
folders, top to bottom:

    app > panel > measurements > plot, help, editor > storage, ui
        > base, model, res, numtext

A folder that holds sources and is not in that list is reported: a new folder
must be given its place. Prints each problem on a line of its own and returns
1 when there is any.
"""

import os
import re
import sys
import tempfile

LEVELS = {
    "app": 5,
    "panel": 4,
    "measurements": 3,
    "plot": 2, "help": 2, "editor": 2,
    "storage": 1, "ui": 1,
    "base": 0, "model": 0, "res": 0, "numtext": 0,
}
SKIPPED = {"tests", "build", "tools"}
SOURCE_ENDINGS = (".cpp", ".h", ".rc")
MEASURED_ENDINGS = (".cpp", ".h")
MAX_LINES = 400
MAX_METHODS = 30
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')


def sources(root):
    """The production sources, as paths relative to root with / separators."""
    found = []
    for entry in sorted(os.listdir(root)):
        if entry in SKIPPED or entry.startswith("."):
            continue
        top = os.path.join(root, entry)
        if not os.path.isdir(top):
            continue
        for folder, dirs, files in os.walk(top):
            dirs[:] = sorted(d for d in dirs if not d.startswith("."))
            for name in sorted(files):
                if name.endswith(SOURCE_ENDINGS):
                    path = os.path.join(folder, name)
                    found.append(os.path.relpath(path, root).replace(os.sep, "/"))
    return found


def read_lines(root, path):
    with open(os.path.join(root, path), encoding="utf-8", errors="replace") as f:
        return f.read().splitlines()


def includes(root, path, known):
    """(line number, written name, resolved path or None) of each quoted include."""
    result = []
    folder = os.path.dirname(path)
    for number, line in enumerate(read_lines(root, path), 1):
        match = INCLUDE.match(line)
        if not match:
            continue
        name = match.group(1)
        # Written from the repository root ("ui/window.h"), or beside the file
        # ("resource.h" in res/tesmor.rc).
        resolved = None
        for candidate in (name, folder + "/" + name if folder else name):
            if candidate in known:
                resolved = candidate
                break
        result.append((number, name, resolved))
    return result


def check_layers(root):
    problems = []
    files = sources(root)
    known = set(files)
    for folder in sorted({f.split("/")[0] for f in files} - set(LEVELS)):
        problems.append("%s/: a folder with sources and no place among the levels" % folder)
    graph = {}
    for path in files:
        own = path.split("/")[0]
        edges = []
        for number, name, resolved in includes(root, path, known):
            target = (resolved or name).split("/")[0] if "/" in (resolved or name) else own
            if own in LEVELS and target in LEVELS and LEVELS[target] > LEVELS[own]:
                problems.append('%s:%d: includes "%s": %s/ is above %s/' % (path, number, name, target, own))
            if resolved:
                edges.append(resolved)
        graph[path] = edges
    problems += cycles(graph)
    return problems


def cycles(graph):
    """Each include cycle once, as the files around it."""
    problems = []
    state = {}  # absent: not seen; 1: on the current path; 2: done
    stack = []
    seen = set()

    def visit(node):
        state[node] = 1
        stack.append(node)
        for nxt in graph.get(node, []):
            if state.get(nxt) == 1:
                loop = stack[stack.index(nxt):]
                # The same cycle found from another of its files is one cycle.
                start = loop.index(min(loop))
                key = tuple(loop[start:] + loop[:start])
                if key not in seen:
                    seen.add(key)
                    problems.append("include cycle: " + " -> ".join(key + (key[0],)))
            elif nxt not in state:
                visit(nxt)
        stack.pop()
        state[node] = 2

    sys.setrecursionlimit(max(1000, 4 * len(graph) + 100))
    for node in sorted(graph):
        if node not in state:
            visit(node)
    return problems


def check_length(root):
    problems = []
    for path in sources(root):
        if not path.endswith(MEASURED_ENDINGS):
            continue
        count = len(read_lines(root, path))
        if count > MAX_LINES:
            problems.append("%s: %d lines, over %d" % (path, count, MAX_LINES))
    return problems


def code_only(text):
    """The text with comments, literals and preprocessor lines blanked out;
    the line breaks stay, so that offsets still give line numbers."""
    blank = lambda m: re.sub(r"[^\n]", " ", m.group(0))
    text = re.sub(r"""//[^\n]*|/\*.*?\*/|R"(\w*)\(.*?\)\1"|"(?:\\.|[^"\\\n])*"|'(?:\\.|[^'\\\n])*'""",
                  blank, text, flags=re.S)
    return re.sub(r"^[ \t]*#(?:[^\n]*\\\n)*[^\n]*", blank, text, flags=re.M)


def without_template_arguments(text):
    previous = None
    while previous != text:
        previous = text
        text = re.sub(r"<[^<>{};]*>", " ", text)
    return text


CLASS_HEAD = re.compile(r"\b(class|struct|union)\s+([A-Za-z_]\w*)")
FUNCTION = re.compile(r"^[^=]*?(?:\boperator\s*(?:\(\)|[^\s(]+)|~?\b[A-Za-z_]\w*)\s*\((?!\s*[*&])")
NOT_MEMBERS = re.compile(r"^\s*(?:using|typedef|friend|static_assert|enum|class|struct|union)\b")
ACCESS = re.compile(r"^\s*(?:(?:public|protected|private)\s*:\s*)+")


def skip_braces(code, at):
    """The offset just after the brace that closes the one at `at`."""
    depth = 0
    for index in range(at, len(code)):
        if code[index] == "{":
            depth += 1
        elif code[index] == "}":
            depth -= 1
            if depth == 0:
                return index + 1
    return len(code)


def count_methods(code, body):
    """Member functions declared at the top level of the body starting at `body`
    (just after its opening brace)."""
    count = 0
    statement = ""
    index = body
    while index < len(code):
        char = code[index]
        if char == "}":
            break
        if char in ";{":
            text = ACCESS.sub("", without_template_arguments(statement))
            is_function = not NOT_MEMBERS.match(text) and FUNCTION.match(text.strip())
            if is_function:
                count += 1
            if char == "{":
                # A body: a function's, a nested type's or a brace initialiser's.
                index = skip_braces(code, index)
                statement = "" if is_function or NOT_MEMBERS.match(text) else statement + " {}"
                continue
            statement = ""
        else:
            statement += char
        index += 1
    return count


def classes(code):
    """(name, offset of the body) of every class, struct and union defined."""
    found = []
    for match in CLASS_HEAD.finditer(code):
        if re.search(r"\benum\s*$", code[:match.start()]):
            continue
        rest = re.match(r"[^;{]*", code[match.end():]).group(0)
        end = match.end() + len(rest)
        if end >= len(code) or code[end] != "{":
            continue  # declared only, or a type named in passing
        if re.search(r"[()]", without_template_arguments(rest)):
            continue
        found.append((match.group(2), end + 1))
    return found


def check_methods(root):
    problems = []
    for path in sources(root):
        if not path.endswith(".h"):
            continue
        code = code_only("\n".join(read_lines(root, path)))
        for name, body in classes(code):
            count = count_methods(code, body)
            if count > MAX_METHODS:
                line = code.count("\n", 0, body) + 1
                problems.append("%s:%d: %s has %d member functions, over %d" % (path, line, name, count, MAX_METHODS))
    return problems


CHECKS = {"layers": check_layers, "length": check_length, "methods": check_methods}


# --- negative controls -------------------------------------------------------

def write(root, path, text):
    full = os.path.join(root, path)
    os.makedirs(os.path.dirname(full), exist_ok=True)
    with open(full, "w", encoding="utf-8") as f:
        f.write(text)


def clean_tree(root):
    """A small tree that keeps every rule, reaching across all the levels."""
    write(root, "app/main.cpp", '#include "panel/panel.h"\n#include "base/owned.h"\n')
    write(root, "panel/panel.h", '#include "measurements/log.h"\n#include "plot/view.h"\n')
    write(root, "panel/panel.cpp", '#include "panel/panel.h"\n#include "help/about.h"\n')
    write(root, "measurements/log.h", '#include "editor/table.h"\n#include "storage/file.h"\n')
    write(root, "plot/view.h", '#include "help/about.h"\n#include "ui/window.h"\n')
    write(root, "help/about.h", '#include "ui/window.h"\n')
    write(root, "editor/table.h", '#include "ui/window.h"\n#include "numtext/text.h"\n')
    write(root, "storage/file.h", '#include "ui/window.h"\n#include "model/model.h"\n')
    write(root, "ui/window.h", '#include <windows.h>\n#include "base/owned.h"\n#include "res/resource.h"\n')
    write(root, "base/owned.h", "#pragma once\n")
    write(root, "model/model.h", '#include "numtext/text.h"\n')
    write(root, "numtext/text.h", "#pragma once\n")
    write(root, "res/resource.h", "#define IDD_PANEL 100\n")
    write(root, "res/tesmor.rc", '#include "resource.h"\n')
    write(root, "ui/long.cpp", "// line\n" * MAX_LINES)
    write(root, "ui/wide.h", class_text("Wide", MAX_METHODS))
    # Outside the production sources: neither looked at nor measured.
    write(root, "tests/test.cpp", '#include "app/main.h"\n' + "// line\n" * (MAX_LINES + 10))
    write(root, "tools/tool.cpp", '#include "tools/tool.cpp"\n')


# Each break: what it does to the clean tree, the check that must catch it,
# and a piece of the line that must report it.
BREAKS = [
    ("a lower folder includes a higher one", "layers",
     lambda r: write(r, "ui/window.h", '#include "panel/panel.h"\n'), 'ui/window.h:1: includes "panel/panel.h"'),
    ("a folder includes one of its level (allowed) and one above (not)", "layers",
     lambda r: write(r, "storage/file.h", '#include "ui/window.h"\n#include "editor/table.h"\n'),
     "storage/file.h:2:"),
    ("the lowest level reaches up to the top", "layers",
     lambda r: write(r, "numtext/text.h", '#include "app/main.cpp"\n'), "app/ is above numtext/"),
    ("two files include each other", "layers",
     lambda r: write(r, "base/owned.h", '#include "base/other.h"\n') or write(r, "base/other.h", '#include "base/owned.h"\n'),
     "include cycle: base/other.h -> base/owned.h -> base/other.h"),
    ("a longer cycle within one folder", "layers",
     lambda r: write(r, "help/about.h", '#include "help/a.h"\n') or write(r, "help/a.h", '#include "help/b.h"\n')
     or write(r, "help/b.h", '#include "help/about.h"\n'),
     "include cycle: help/a.h -> help/b.h -> help/about.h -> help/a.h"),
    ("a cycle through an include written beside the file", "layers",
     lambda r: write(r, "res/resource.h", '#include "res/tesmor.rc"\n'),
     "include cycle: res/resource.h -> res/tesmor.rc -> res/resource.h"),
    ("a file includes itself", "layers",
     lambda r: write(r, "model/model.h", '#include "model/model.h"\n'), "include cycle: model/model.h -> model/model.h"),
    ("a folder with no level", "layers",
     lambda r: write(r, "widgets/w.h", "#pragma once\n"), "widgets/: a folder with sources and no place"),
    ("a .cpp one line too long", "length",
     lambda r: write(r, "ui/long.cpp", "// line\n" * (MAX_LINES + 1)), "ui/long.cpp: 401 lines"),
    ("a class with one member function too many", "methods",
     lambda r: write(r, "ui/wide.h", class_text("Wide", MAX_METHODS + 1)), "ui/wide.h:1: Wide has 31 member functions"),
    ("a nested class with too many, its outer one few", "methods",
     lambda r: write(r, "help/outer.h", "struct Outer {\n    void A();\n" + class_text("Inner", MAX_METHODS + 2) + "};\n"),
     "Inner has 32 member functions"),
    ("a header too long, deep in a folder", "length",
     lambda r: write(r, "help/art/deep.h", "\n" * (MAX_LINES + 50)), "help/art/deep.h: 450 lines"),
]


def class_text(name, methods):
    """A class of `methods` member functions in the shapes headers use, with
    members and nested types that are not member functions around them."""
    shapes = [
        "    explicit {n}(int value) : value_(value) {{}}\n",
        "    ~{n}();\n",
        "    {n}& operator=(const {n}&) = delete;\n",
        "    bool operator()(int x) const {{ return x > 0; }}\n",
        "    template <class F>\n    void Each(F f) const {{ if (value_ < 2) f(value_); }}\n",
        "    std::map<int, std::vector<int>> Lookup(const wchar_t* key = L\"a;b{{\") const;\n",
    ]
    body = ["class {n} final : public Base<{n}, int(*)()> {{\npublic:\n"]
    for index in range(methods):
        shape = shapes[index] if index < len(shapes) else "    int Get%d() const;  // f(%d);\n" % (index, index)
        body.append(shape)
    body.append(
        "private:\n"
        "    struct Part {{ int a(); int b(); }};\n"
        "    enum class Kind {{ one, two }};\n"
        "    using Callback = void (*)(int);\n"
        "    void (*callback_)(int) = nullptr;\n"
        "    std::array<double, 3> values_{{}};\n"
        "    int value_ = Compute(1, 2);\n"
        "    static constexpr const wchar_t* kText = L\"Go(now)\";\n"
        "    friend class Other;\n"
        "#define NOT_A_METHOD(x) x()\n"
        "}};\n")
    return "".join(body).format(n=name)


def self_test():
    failures = []
    with tempfile.TemporaryDirectory() as scratch:
        clean = os.path.join(scratch, "clean")
        clean_tree(clean)
        for name, check in CHECKS.items():
            problems = check(clean)
            if problems:
                failures.append("the clean tree fails %s: %s" % (name, "; ".join(problems)))
        for index, (what, name, breaker, expected) in enumerate(BREAKS):
            root = os.path.join(scratch, "break%d" % index)
            clean_tree(root)
            breaker(root)
            problems = CHECKS[name](root)
            if not any(expected in p for p in problems):
                failures.append("not caught: %s (wanted %r, got %r)" % (what, expected, problems))
    for failure in failures:
        print(failure)
    print("self-test: %d breaks, %s" % (len(BREAKS), "all caught" if not failures else "%d failures" % len(failures)))
    return 1 if failures else 0


def main(args):
    if args == ["--self-test"]:
        return self_test()
    if not args or args[0] not in CHECKS or len(args) > 2:
        print(__doc__.split("\n\n")[1], file=sys.stderr)
        return 2
    root = args[1] if len(args) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
    problems = CHECKS[args[0]](root)
    for problem in problems:
        print(problem)
    print("%s: %d problems" % (args[0], len(problems)))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
