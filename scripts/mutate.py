#!/usr/bin/env python3
"""Mutation runs: plant one real fault at a time in the product code, rebuild only the tests
that should catch it, run them, and tell whether they did.

    scripts/mutate.py --build-dir build/mut --list scripts/mutants/analysis.txt [--whole]

The build dir must already be configured (Ninja, Release, tests on) and built once.

A mutant list holds blocks of "key: value" lines; '#' starts a comment line, a blank line
ends nothing (a block ends at the next "id:"):

    tests: ^analysis_            (once, at the top: the ctest names that count, unless --tests)
    id: analysis-03
    file: src/analysis/verdict.cpp
    desc: warn threshold compared with >= instead of >
    find: if (value > limit)
    replace: if (value >= limit)

In find/replace, "\\n" stands for a line break, "\\t" for a tab, "\\\\" for a backslash. The find snippet must
occur exactly once in the file, or the mutant is refused and reported as such.

Results: KILLED (a test failed), SURVIVED, TIMEOUT (a test hung; only timeouts), STILLBORN
(the mutant does not build; it does not count), REFUSED (the snippet is not found once).
--whole also runs the whole non-slow suite on mutants that the chosen tests did not kill
with a non-slow test, and reports it in a second column.
"""
import argparse
import json
import os
import re
import signal
import subprocess
import sys
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent


def unescape(text):
    return re.sub(r"\\(.)", lambda m: {"n": "\n", "t": "\t"}.get(m[1], m[1]), text)


def parse_list(path):
    header, mutants, cur = {}, [], None
    for lineno, line in enumerate(Path(path).read_text(encoding="utf-8").splitlines(), 1):
        if not line.strip() or line.lstrip().startswith("#"):
            continue
        key, sep, value = line.partition(":")
        if not sep:
            sys.exit(f"{path}:{lineno}: expected 'key: value'")
        key, value = key.strip(), value[1:] if value.startswith(" ") else value
        if key == "id":
            cur = {"id": value.strip()}
            mutants.append(cur)
        elif cur is None:
            header[key] = value.strip()
        elif key in ("file", "desc"):
            cur[key] = value.strip()
        elif key in ("find", "replace"):
            cur[key] = unescape(value)
        else:
            sys.exit(f"{path}:{lineno}: unknown key '{key}'")
    for m in mutants:
        missing = {"file", "desc", "find", "replace"} - m.keys()
        if missing:
            sys.exit(f"{path}: mutant {m['id']} lacks {', '.join(sorted(missing))}")
    return header, mutants


def select_tests(build_dir, regex, include_slow):
    """The ctest names matching regex and the ninja targets that build them."""
    cmd = ["ctest", "--show-only=json-v1", "-R", regex] + ([] if include_slow else ["-LE", "slow"])
    info = json.loads(subprocess.run(cmd, cwd=build_dir, capture_output=True, text=True,
                                     check=True).stdout)
    tests = {t["name"]: Path(t["command"][0]).name for t in info["tests"]}
    slow = {t["name"] for t in info["tests"]
            if any(p["name"] == "LABELS" and "slow" in p["value"] for p in t.get("properties", []))}
    return tests, slow


def build(build_dir, targets):
    r = subprocess.run(["ninja", "-j2", "-C", str(build_dir)] + sorted(set(targets)),
                       capture_output=True, text=True)
    return r.returncode == 0, r.stdout[-3000:] + r.stderr[-2000:]


def run_tests(build_dir, names, timeout):
    """Returns (failed, timed_out): the names of the tests that failed or hung."""
    regex = "^(" + "|".join(re.escape(n) for n in sorted(names)) + ")$"
    r = subprocess.run(["ctest", "-R", regex, "--timeout", str(timeout), "-j1"],
                       cwd=build_dir, capture_output=True, text=True)
    failed, timed_out = [], []
    for name, why in re.findall(r"^\s*\d+ - (\S+) \(([^)]*)\)", r.stdout, re.M):
        (timed_out if why == "Timeout" else failed).append(name)
    if r.returncode != 0 and not failed and not timed_out:
        failed.append("ctest exit %d" % r.returncode)
    return failed, timed_out


def verdict(failed, timed_out):
    if failed:
        return "KILLED", failed
    return ("TIMEOUT", timed_out) if timed_out else ("SURVIVED", [])


def apply_and_test(m, build_dir, tests, slow, whole, timeout):
    path = ROOT / m["file"]
    if not path.is_file():
        return {"result": "REFUSED", "by": ["no such file"]}
    # Bytes, so that the file comes back exactly as it was (encoding, line ends).
    original = path.read_bytes().decode("utf-8")
    count = original.count(m["find"])
    if count != 1 or m["find"] == m["replace"]:
        return {"result": "REFUSED", "by": [f"snippet found {count} times"]}
    try:
        path.write_bytes(original.replace(m["find"], m["replace"]).encode("utf-8"))
        ok, log = build(build_dir, tests.values())
        if not ok:
            return {"result": "STILLBORN", "by": [], "log": log}
        result, by = verdict(*run_tests(build_dir, tests, timeout))
        out = {"result": result, "by": by}
        if whole is not None and not (result == "KILLED" and set(by) - slow):
            ok, log = build(build_dir, whole.values())
            out["whole"], out["whole_by"] = (verdict(*run_tests(build_dir, whole, timeout))
                                             if ok else ("STILLBORN", []))
        elif whole is not None:
            out["whole"], out["whole_by"] = "KILLED", ["(own tests)"]
        return out
    finally:
        path.write_bytes(original.encode("utf-8"))


def table(rows, whole):
    head = ["id", "file", "fault", "own tests", "killed by"]
    head += ["whole non-slow suite", "killed by (whole)"] if whole else []
    lines = ["| " + " | ".join(head) + " |", "|" + "---|" * len(head)]
    for m, r in rows:
        cells = [m["id"], m["file"], m["desc"], r["result"], ", ".join(r["by"])]
        if whole:
            cells += [r.get("whole", ""), ", ".join(r.get("whole_by", []))]
        lines.append("| " + " | ".join(c.replace("|", "\\|") for c in cells) + " |")
    counts = {}
    for _, r in rows:
        counts[r["result"]] = counts.get(r["result"], 0) + 1
    scored = sum(counts.get(k, 0) for k in ("KILLED", "SURVIVED", "TIMEOUT"))
    summary = ", ".join(f"{v} {k.lower()}" for k, v in sorted(counts.items()))
    lines.append(f"\n{counts.get('KILLED', 0) + counts.get('TIMEOUT', 0)} of {scored} caught "
                 f"by the own tests ({summary}).")
    return "\n".join(lines)


def on_sigterm(*_):
    # A kill unwinds like Ctrl-C, through the finally that restores the file.
    raise KeyboardInterrupt


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("--build-dir", required=True, type=Path)
    ap.add_argument("--list", required=True, type=Path)
    ap.add_argument("--tests", help="ctest name regex that counts (default: the list's 'tests:')")
    ap.add_argument("--only", nargs="+", metavar="ID", help="run just these mutants")
    ap.add_argument("--include-slow", action="store_true", help="also run tests labelled slow")
    ap.add_argument("--whole", action="store_true", help="also try the whole non-slow suite")
    ap.add_argument("--timeout", type=int, default=300, help="seconds per test (default 300)")
    ap.add_argument("--markdown", type=Path, help="also write the table to this file")
    args = ap.parse_args()
    signal.signal(signal.SIGTERM, on_sigterm)

    build_dir = args.build_dir.resolve()
    header, mutants = parse_list(args.list)
    regex = args.tests or header.get("tests")
    if not regex:
        sys.exit("no tests: give --tests or a 'tests:' line in the list")
    if args.only:
        unknown = set(args.only) - {m["id"] for m in mutants}
        if unknown:
            sys.exit("unknown mutant ids: " + ", ".join(sorted(unknown)))
        mutants = [m for m in mutants if m["id"] in args.only]
    tests, slow = select_tests(build_dir, regex, args.include_slow)
    if not tests:
        sys.exit(f"no ctest test matches {regex!r}")
    whole = select_tests(build_dir, ".", False)[0] if args.whole else None

    # A suite that already fails would "kill" every mutant.
    ok, log = build(build_dir, list(tests.values()) + list((whole or {}).values()))
    failed, timed_out = run_tests(build_dir, tests, args.timeout) if ok else (["build"], [])
    if failed or timed_out:
        sys.exit(f"unmutated tree does not pass: {failed + timed_out}\n{log if not ok else ''}")
    print(f"tests: {', '.join(sorted(tests))}", flush=True)

    rows = []
    try:
        for m in mutants:
            r = apply_and_test(m, build_dir, tests, slow, whole, args.timeout)
            rows.append((m, r))
            extra = f" | whole: {r['whole']}" if "whole" in r else ""
            print(f"{m['id']:<14} {r['result']:<9} {', '.join(r['by'])}{extra}", flush=True)
            if r["result"] == "STILLBORN":
                print(r["log"][-1500:], flush=True)
    except KeyboardInterrupt:
        print("interrupted; file restored", file=sys.stderr)
    finally:
        build(build_dir, list(tests.values()) + list((whole or {}).values()))

    text = table(rows, args.whole)
    print("\n" + text)
    if args.markdown:
        # The last commit that changed what is measured: the product and its tests.
        commit = subprocess.run(["git", "log", "-1", "--format=%h", "--", "src", "tests"],
                                cwd=ROOT, capture_output=True, text=True).stdout.strip()
        args.markdown.write_text(f"src/ and tests/ at commit {commit}; tests `{regex}`"
                                 f"{' with slow ones' if args.include_slow else ''}.\n\n"
                                 + text + "\n")
    return 0 if len(rows) == len(mutants) else 130


if __name__ == "__main__":
    sys.exit(main())
