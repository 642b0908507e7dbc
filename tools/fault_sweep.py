#!/usr/bin/env python3
"""Plants small faults in the product code one at a time and runs the test program of the
faulty file's folder against each, to show which faults the tests catch.

Each fault in the list (tools/fault_sweep.txt) names a file, a text that occurs exactly once in
it and its replacement. A file that moved is looked for by name under the source folders; a
fault whose text is not found exactly once is reported as not applicable. The original file is
written back after every fault, also when the sweep is interrupted; a sweep killed outright
leaves a journal that the next run restores first.

    python3 tools/fault_sweep.py [--build build/release] [--only TEXT]... [--list FILE] [--check]

Prints one line per fault and a table at the end; exits 1 when a fault survived that the list
does not explain (a third field in its header says why it cannot change behaviour).
"""
import argparse
import json
import os
import re
import signal
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SOURCE_FOLDERS = ["app", "data", "math", "scene", "mesh", "fx", "platform", "tools/demotool",
                  "tools/make_show"]


def parse_faults(path):
    """Reads the list: '@ file | description [| why it cannot change behaviour]', then '<<<',
    the original lines, '===', the replacement lines, '>>>'. Other lines outside a fault are
    comments."""
    faults = []
    lines = open(path, encoding="utf-8").read().split("\n")
    i = 0
    while i < len(lines):
        line = lines[i]
        i += 1
        if not line.startswith("@ "):
            continue
        header = line[2:]
        file, _, rest = header.partition("|")
        description, _, note = rest.partition("|")
        if i >= len(lines) or lines[i] != "<<<":
            raise SystemExit(f"{path}: '<<<' expected after line {i}")
        i += 1
        original, replacement, part = [], [], None
        part = original
        while i < len(lines) and lines[i] != ">>>":
            if lines[i] == "===":
                part = replacement
            else:
                part.append(lines[i])
            i += 1
        if i >= len(lines):
            raise SystemExit(f"{path}: fault '{header}' has no '>>>'")
        i += 1
        faults.append({"file": file.strip(), "description": description.strip(), "note": note.strip(),
                       "original": "\n".join(original), "replacement": "\n".join(replacement)})
    return faults


def locate(relative):
    """The file's current path relative to the root: as listed, or the one file of that name
    under the source folders when it moved; None when not found or not one."""
    if os.path.isfile(os.path.join(ROOT, relative)):
        return relative
    name = os.path.basename(relative)
    found = []
    for folder in SOURCE_FOLDERS:
        for dirpath, _, filenames in os.walk(os.path.join(ROOT, folder)):
            if name in filenames:
                found.append(os.path.relpath(os.path.join(dirpath, name), ROOT))
    return found[0] if len(found) == 1 else None


def test_program(relative):
    """The test program of the file's folder: tools/demotool -> test_demotool, fx -> test_fx."""
    parts = relative.split("/")
    folder = parts[1] if parts[0] == "tools" else parts[0]
    return "test_" + folder


class Restorer:
    """Keeps the original of the file under test, on disk too, and writes it back."""

    def __init__(self, journal):
        self.journal = journal
        self.path = None
        self.text = None

    def recover(self):
        if not os.path.exists(self.journal):
            return
        with open(self.journal, encoding="utf-8") as f:
            saved = json.load(f)
        with open(saved["path"], "w", encoding="utf-8", newline="") as f:
            f.write(saved["text"])
        os.remove(self.journal)
        print(f"restored {saved['path']} from an interrupted sweep")

    def hold(self, path, text):
        with open(self.journal + ".tmp", "w", encoding="utf-8") as f:
            json.dump({"path": path, "text": text}, f)
        os.replace(self.journal + ".tmp", self.journal)
        self.path, self.text = path, text

    def release(self):
        if self.path is None:
            return
        with open(self.path, "w", encoding="utf-8", newline="") as f:
            f.write(self.text)
        self.path = self.text = None
        if os.path.exists(self.journal):
            os.remove(self.journal)


def run(command, timeout, log):
    try:
        result = subprocess.run(command, cwd=ROOT, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                                timeout=timeout, text=True, errors="replace")
        log.write(result.stdout)
        return result.returncode, result.stdout
    except subprocess.TimeoutExpired as e:
        out = e.stdout.decode(errors="replace") if isinstance(e.stdout, bytes) else (e.stdout or "")
        log.write(out)
        return None, out


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--build", default="build/release", help="configured build folder")
    parser.add_argument("--list", default=os.path.join(ROOT, "tools", "fault_sweep.txt"))
    parser.add_argument("--only", action="append", default=[],
                        help="only faults whose file or description contain this (repeatable)")
    parser.add_argument("--timeout", type=int, default=600, help="seconds for one test program")
    parser.add_argument("--jobs", default="2")
    parser.add_argument("--check", action="store_true", help="only report where each fault applies")
    args = parser.parse_args()

    build = os.path.join(ROOT, args.build)
    if not os.path.isfile(os.path.join(build, "CMakeCache.txt")):
        raise SystemExit(f"{args.build} is not a configured build folder")
    faults = [f for f in parse_faults(args.list)
              if not args.only or any(o in f["file"] or o in f["description"] for o in args.only)]
    # One sweep at a time per build folder: a second one would restore the first one's fault.
    lock = os.path.join(build, "fault_sweep.lock")
    if os.path.exists(lock):
        try:
            other = int(open(lock).read().strip() or "0")
            if other > 0 and other != os.getpid():
                os.kill(other, 0)
                raise SystemExit(f"a sweep (process {other}) is running on {args.build}")
        except (ValueError, ProcessLookupError):
            pass  # left by a sweep that is no longer running
    with open(lock, "w") as f:
        f.write(str(os.getpid()))
    restorer = Restorer(os.path.join(build, "fault_sweep.journal"))
    restorer.recover()

    def on_signal(signum, _frame):
        restorer.release()
        print(f"\ninterrupted: {restorer.path or 'the tree'} is as it was")
        sys.exit(128 + signum)

    for s in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP):
        signal.signal(s, on_signal)

    results = []
    log = open(os.path.join(build, "fault_sweep.log"), "w", encoding="utf-8")
    try:
        for n, fault in enumerate(faults, 1):
            path = locate(fault["file"])
            line = 0
            verdict, caught_by = "not applicable", ""
            if path:
                full = os.path.join(ROOT, path)
                text = open(full, encoding="utf-8").read()
                if text.count(fault["original"]) == 1:
                    line = text[:text.index(fault["original"])].count("\n") + 1
                    if args.check:
                        print(f"{path}:{line}  {fault['description']}")
                        continue
                    program = test_program(path)
                    log.write(f"\n===== {path}:{line} {fault['description']}\n")
                    restorer.hold(full, text)
                    with open(full, "w", encoding="utf-8", newline="") as f:
                        f.write(text.replace(fault["original"], fault["replacement"]))
                    code, out = run(["cmake", "--build", build, "-j", args.jobs, "--target", program],
                                    1800, log)
                    if code != 0:
                        verdict = "does not build"
                    else:
                        binary = os.path.join(build, "tests", program)
                        code, out = run([binary, "--gtest_fail_fast", "--gtest_brief=1"], args.timeout, log)
                        failed = re.findall(r"\[  FAILED  \] (\S+)", out)
                        if code is None:
                            verdict, caught_by = "caught", "(timed out)"
                        elif code != 0:
                            verdict = "caught"
                            if failed:
                                caught_by = failed[0]
                            elif code < 0:
                                caught_by = f"(crashed: signal {-code})"
                            else:
                                caught_by = f"(exit {code})"
                        elif fault["note"]:
                            verdict = "survived, as expected"
                        else:
                            verdict = "SURVIVED"
                    restorer.release()
            where = f"{path or fault['file']}:{line}" if line else (path or fault["file"])
            results.append((where, fault["description"], verdict, caught_by))
            print(f"[{n}/{len(faults)}] {where}  {fault['description']}: {verdict} {caught_by}", flush=True)
    finally:
        restorer.release()
        log.close()
        os.remove(lock)

    applied = [r for r in results if r[2] in ("caught", "SURVIVED", "survived, as expected")]
    caught = [r for r in applied if r[2] == "caught"]
    unexplained = [r for r in applied if r[2] == "SURVIVED"]
    print("\n| file:line | change | caught by |\n|---|---|---|")
    for where, description, verdict, caught_by in results:
        shown = caught_by if verdict == "caught" else verdict
        print(f"| {where} | {description} | {shown} |")
    share = 100.0 * len(caught) / len(applied) if applied else 0.0
    print(f"\n{len(caught)} of {len(applied)} planted faults caught ({share:.1f}%); "
          f"{len(applied) - len(caught) - len(unexplained)} survived as the list expects; "
          f"{len(unexplained)} survived unexplained; {len(results) - len(applied)} not applicable or not built")
    return 1 if unexplained else 0


if __name__ == "__main__":
    sys.exit(main())
