#!/usr/bin/env python3
"""Mutation run: random one-line faults in the code, each built and tested.

Draws N mutations over the C++ sources of modules/ and imgforge/ (a flipped
comparison or logical operator, an arithmetic operator swapped, an integer
constant plus or minus one, a dropped '!', a dropped statement, a boolean
flipped), builds each in a build folder of its own and runs ctest. A mutant
that fails to build is not counted; one that every test passes survives.
Prints the score and every survivor with its place, and writes them as JSON.

    tools/mutants.py [--count N] [--seed S] [--build DIR] [--jobs J] [--report FILE]
    tools/mutants.py --replay FILE   # the survivors of a run, on the code as it is now
    tools/mutants.py --replay FILE --all [--only PREFIX...]   # every built mutant, as after a cut
"""
import argparse
import json
import os
import random
import re
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
# Code this build does not compile, and the Python module (its tests are
# pytest's, left out of the run for speed).
SKIP = ("platform_windows.cpp",)
SKIP_FOLDERS = ("imgforge/python",)

# Each operator: a pattern and what a match becomes. A match inside a string
# or a comment is never taken.
SWAPS = {
    "==": "!=", "!=": "==", "<=": "<", ">=": ">", "<": "<=", ">": ">=",
    "&&": "||", "||": "&&", "+": "-", "-": "+", "*": "/", "true": "false", "false": "true",
}
OPERATORS = [
    ("comparison", re.compile(r"(?<![<>=!&|+\-*/%^])(==|!=|<=|>=)(?![=])")),
    ("comparison", re.compile(r"(?<![<>\-])(<|>)(?![<>=])")),
    ("logical", re.compile(r"(&&|\|\|)")),
    ("arithmetic", re.compile(r"(?<=[\w)\]] )([+\-*])(?= [\w(])")),
    ("boolean", re.compile(r"\b(true|false)\b")),
    ("constant", re.compile(r"(?<![\w.])(\d+)(?![\w.'])")),
    ("negation", re.compile(r"(!)(?=[\w(*])")),
    ("statement", None),
]


def code_part(line):
    """The line with string and char literals and comments blanked out."""
    out, i, quote = [], 0, None
    while i < len(line):
        c = line[i]
        if quote:
            if c == "\\":
                out.append("  ")
                i += 2
                continue
            out.append(" " if c != quote else c)
            if c == quote:
                quote = None
        elif c in "\"'":
            quote = c
            out.append(c)
        elif line.startswith("//", i):
            break
        else:
            out.append(c)
        i += 1
    return "".join(out).ljust(len(line))


def candidate(line):
    s = line.strip()
    return s and not s.startswith(("#", "//", "*", "/*", "static_assert", "namespace", "using "))


def statement(line):
    s = line.strip()
    return (s.endswith(";") and not re.match(r"^(return|break|continue|case|default)\b", s)
            and "(" in s and not re.match(r"^[\w:<>,\s*&]+\s+\w+\s*[({=]", s))


def mutations_of(line):
    """Every mutation of one line: (kind, new line)."""
    code = code_part(line)
    found = []
    for kind, pattern in OPERATORS:
        if pattern is None:
            if statement(line):
                found.append((kind, re.sub(r"\S.*", "{}", line, count=1)))
            continue
        for m in pattern.finditer(code):
            text = m.group(1)
            if kind == "constant":
                value = int(text)
                for new in {value + 1, max(value - 1, 0)} - {value}:
                    found.append((kind, line[:m.start(1)] + str(new) + line[m.end(1):]))
            elif kind == "negation":
                found.append((kind, line[:m.start(1)] + line[m.end(1):]))
            else:
                found.append((kind, line[:m.start(1)] + SWAPS[text] + line[m.end(1):]))
    return found


def sources():
    for top in ("modules", "imgforge"):
        for folder, _, files in os.walk(os.path.join(ROOT, top)):
            if os.path.relpath(folder, ROOT).startswith(SKIP_FOLDERS):
                continue
            for name in sorted(files):
                if name.endswith(".cpp") and name not in SKIP:
                    yield os.path.relpath(os.path.join(folder, name), ROOT)


def draw(count, rng):
    places = []
    for path in sorted(sources()):
        with open(os.path.join(ROOT, path), encoding="utf-8") as f:
            for number, line in enumerate(f.read().split("\n"), 1):
                if candidate(line):
                    places.append((path, number, line))
    chosen, seen = [], set()
    while len(chosen) < count:
        path, number, line = rng.choice(places)
        options = mutations_of(line)
        if not options:
            continue
        kind, new = rng.choice(options)
        if (path, number, new) in seen:
            continue
        seen.add((path, number, new))
        chosen.append({"file": path, "line": number, "kind": kind, "from": line.strip(),
                       "to": new.strip()})
    return chosen


def run(cmd, cwd, timeout):
    try:
        return subprocess.run(cmd, cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                              timeout=timeout).returncode
    except subprocess.TimeoutExpired:
        return -1


def place_of(m, lines):
    """The line of the mutant in the file as it is now: the line that reads
    as it did, nearest to where it was (code may have moved since)."""
    same = [i for i, line in enumerate(lines) if line.strip() == m["from"]]
    return min(same, key=lambda i: abs(i + 1 - m["line"]), default=None)


def try_mutant(m, build, jobs):
    path = os.path.join(ROOT, m["file"])
    if not os.path.exists(path):
        return "gone"
    with open(path, encoding="utf-8") as f:
        original = f.read()
    lines = original.split("\n")
    at = place_of(m, lines)
    if at is None:
        return "gone"
    lines[at] = lines[at].replace(m["from"], m["to"], 1)
    try:
        with open(path, "w", encoding="utf-8") as f:
            f.write("\n".join(lines))
        if run(["cmake", "--build", build, "-j", str(jobs)], ROOT, 1200) != 0:
            return "not built"
        code = run(["ctest", "-j", str(jobs), "--timeout", "120", "--stop-on-failure",
                    "-E", "python"], build, 3600)
        return "survived" if code == 0 else "killed"
    finally:
        with open(path, "w", encoding="utf-8") as f:
            f.write(original)
        os.utime(path)


def main():
    p = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    p.add_argument("--count", type=int, default=150)
    p.add_argument("--seed", type=int, default=int(time.time()))
    p.add_argument("--build", default=os.path.join(ROOT, "build-mutants"))
    p.add_argument("--jobs", type=int, default=os.cpu_count() or 2)
    p.add_argument("--report", default=None, help="JSON file of every mutant and its fate")
    p.add_argument("--sanitize", action="store_true",
                   help="build with AddressSanitizer and UndefinedBehaviorSanitizer, as make test")
    p.add_argument("--replay", default=None,
                   help="a report: try its survivors again on the code as it is now")
    p.add_argument("--all", action="store_true",
                   help="with --replay: every mutant of the report that was built, killed ones too")
    p.add_argument("--only", nargs="+", default=None, metavar="PREFIX",
                   help="with --replay: only mutants in files under these paths")
    a = p.parse_args()
    subprocess.run(["cmake", "-S", ROOT, "-B", a.build, "-DCMAKE_BUILD_TYPE=Release",
                    "-DIMGFORGE_TESTS_REQUIRED=ON", "-DIMGFORGE_PYTHON=OFF",
                    f"-DIMGFORGE_SANITIZE={'ON' if a.sanitize else 'OFF'}"],
                   check=True, stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--build", a.build, "-j", str(a.jobs)], check=True,
                   stdout=subprocess.DEVNULL)
    if run(["ctest", "-j", str(a.jobs), "-E", "python"], a.build, 3600) != 0:
        sys.exit("the tests fail without a mutation")
    if a.replay:
        with open(a.replay, encoding="utf-8") as f:
            wanted = ("survived", "killed") if a.all else ("survived",)
            mutants = [m for m in json.load(f)["mutants"]
                       if m["fate"] in wanted and not m["file"].startswith(SKIP_FOLDERS)
                       and (not a.only or m["file"].startswith(tuple(a.only)))]
        print(f"{len(mutants)} survivors of {a.replay}", flush=True)
    else:
        mutants = draw(a.count, random.Random(a.seed))
        print(f"seed {a.seed}: {len(mutants)} mutants", flush=True)
    for i, m in enumerate(mutants, 1):
        m["fate"] = try_mutant(m, a.build, a.jobs)
        print(f"[{i}/{len(mutants)}] {m['fate']:9} {m['file']}:{m['line']} {m['kind']}: "
              f"{m['from']}  =>  {m['to']}", flush=True)
    # Leave the build as the sources are.
    subprocess.run(["cmake", "--build", a.build, "-j", str(a.jobs)], stdout=subprocess.DEVNULL)
    killed = sum(m["fate"] == "killed" for m in mutants)
    survived = [m for m in mutants if m["fate"] == "survived"]
    built = killed + len(survived)
    print(f"\n{killed} of {built} built mutants killed ({100 * killed / max(built, 1):.1f}%), "
          f"{len(mutants) - built} not built or gone")
    for m in survived:
        print(f"survived: {m['file']}:{m['line']}: {m['from']}  =>  {m['to']}")
    if a.report:
        with open(a.report, "w", encoding="utf-8") as f:
            json.dump({"seed": a.seed, "mutants": mutants}, f, indent=1)


if __name__ == "__main__":
    main()
