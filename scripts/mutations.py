#!/usr/bin/env python3
"""Plants each fault of tests/mutations*.txt in the product code, runs the tests that should
catch it, and puts the code back.

    scripts/mutations.py [BUILD_DIR] [--only TEXT] [--table FILE]

BUILD_DIR is a configured build of this tree (default: build). Each fault is a small edit of
one source file: `find` must occur there exactly once and becomes `replace`. The script then
builds the fault's `targets` and runs the CTest entries matching its `tests` pattern; the fault
is caught when one of them fails. The file is put back byte for byte after every fault, also
when the script is interrupted, and the targets are built again from it.

Prints a table of fault, tests and whether they caught it (Markdown, also written to --table),
and exits 1 when a fault was missed or could not be planted.
"""

import argparse
import os
import pathlib
import subprocess
import sys

ROOT = pathlib.Path(__file__).resolve().parent.parent
FIELDS = ("fault", "file", "find", "replace", "targets", "tests")


def unescape(text):
    return text.replace("\\n", "\n")


def read_list(path):
    """The faults: blocks of `field: value` lines, separated by blank lines; # starts a remark."""
    faults, block = [], {}
    lines = path.read_text(encoding="utf-8").splitlines() + [""]
    for number, line in enumerate(lines, 1):
        if line.startswith("#"):
            continue
        if not line.strip():
            if block:
                missing = [f for f in FIELDS if f not in block]
                if missing:
                    sys.exit(f"{path}:{number}: the fault lacks {', '.join(missing)}")
                faults.append(block)
                block = {}
            continue
        field, sep, value = line.partition(":")
        if not sep or field.strip() not in FIELDS:
            sys.exit(f"{path}:{number}: expected one of {', '.join(FIELDS)}, then a colon")
        block[field.strip()] = value.strip() if field.strip() != "replace" else value[1:]
    return faults


def run(command, log, planted=False):
    env = dict(os.environ)
    # A compiler cache would keep the planted objects, and one cut short as the source is put
    # back could be stored under the planted source's key: planted code is compiled afresh.
    if planted:
        env["CCACHE_DISABLE"] = "1"
    with open(log, "a", encoding="utf-8") as out:
        out.write("$ " + " ".join(command) + "\n")
        out.flush()
        return subprocess.run(command, cwd=ROOT, env=env, stdout=out,
                              stderr=subprocess.STDOUT).returncode


def plant(fault, build, log):
    """'caught', 'MISSED' or why the fault could not be tried."""
    source = ROOT / fault["file"]
    original = source.read_bytes()
    text = original.decode("utf-8")
    find = unescape(fault["find"])
    if text.count(find) != 1:
        return f"NOT PLANTED: the text occurs {text.count(find)} times in {fault['file']}"
    try:
        source.write_text(text.replace(find, unescape(fault["replace"])), encoding="utf-8")
        targets = fault["targets"].split()
        if run(["cmake", "--build", str(build), "--target", *targets], log, planted=True) != 0:
            return "NOT PLANTED: the planted code does not build"
        tests = ["ctest", "--test-dir", str(build), "-R", fault["tests"]]
        # A pattern no test matches any longer catches nothing, whatever ctest's status says.
        listed = subprocess.run(tests + ["-N"], cwd=ROOT, capture_output=True, text=True)
        if "Total Tests: 0" in listed.stdout or listed.returncode != 0:
            return f"NOT PLANTED: no test matches {fault['tests']}"
        return "caught" if run(tests + ["--timeout", "600"], log) != 0 else "MISSED"
    finally:
        source.write_bytes(original)
        # Back to the product code's programs (from the cache, as they were built before).
        run(["cmake", "--build", str(build), "--target", *fault["targets"].split()], log)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("build", nargs="?", default="build")
    parser.add_argument("--only", help="plant only the faults whose text holds this")
    parser.add_argument("--table", help="also write the table to this file")
    parser.add_argument("--list", action="append",
                        help="a list of faults (default: every tests/mutations*.txt)")
    args = parser.parse_args()
    build = (ROOT / args.build).resolve()
    log = build / "mutations.log"
    log.write_text("")
    lists = [pathlib.Path(p) for p in args.list] if args.list else sorted(
        (ROOT / "tests").glob("mutations*.txt"))
    faults = [f for path in lists for f in read_list(path)
              if not args.only or args.only in f["fault"]]
    rows = []
    for n, fault in enumerate(faults, 1):
        print(f"[{n}/{len(faults)}] {fault['fault']}", flush=True)
        outcome = plant(fault, build, log)
        print(f"    {outcome}", flush=True)
        tests = fault["tests"].replace("|", "\\|")
        rows.append(f"| {fault['fault']} | `{tests}` | {outcome} |")
    table = "\n".join(["| Fault | Tests | Caught |", "|---|---|---|", *rows])
    print(table)
    if args.table:
        pathlib.Path(args.table).write_text(table + "\n", encoding="utf-8")
    missed = [r for r in rows if not r.endswith("| caught |")]
    print(f"{len(rows) - len(missed)} of {len(rows)} faults caught; the log: {log}")
    return 1 if missed else 0


if __name__ == "__main__":
    sys.exit(main())
