#!/usr/bin/env python3
"""Times whole Windows programs under Wine, alternated run by run.

Two sets, both written as seconds per run to one JSON file:
  overhead: the updater's silent run (no instruction file) against the floor
            programs, each in a fresh, empty temporary folder;
  copy:     a successful update of a large QTV.exe (the box answered at once)
            against cp of the same file on the same file system, and the same
            update with a small QTV.exe, which separates the copy from the box,
            the deletions and the start.

Must run with DISPLAY set (the box needs one). One persistent wineserver
serves every run, so no run pays for starting it and none for waiting on its
shutdown; the first run of each program is a warm-up and is not counted.
"""
import argparse
import json
import os
import shutil
import subprocess
import sys
import time

WINE = "/usr/lib/wine/wine64"
WINESERVER = "/usr/lib/wine/wineserver64"


def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


class Runner:
    def __init__(self, prefix, work):
        self.work = work
        self.env = dict(os.environ, WINEPREFIX=prefix, WINEDEBUG="-all")
        self.serial = 0

    def fresh_folder(self, name):
        self.serial += 1
        path = os.path.join(self.work, "%04d-%s" % (self.serial, name))
        shutil.rmtree(path, ignore_errors=True)
        os.makedirs(path)
        return path

    def environment(self, temp):
        # Wine hands WINETMP/WINETEMP to the program as TMP/TEMP once the
        # prefix has no TEMP/TMP values of its own (scripts/wine-prefix).
        folder = windows_path(temp) + "\\"
        return dict(self.env, WINETMP=folder, WINETEMP=folder)

    def timed(self, command, env, cwd):
        start = time.perf_counter()
        result = subprocess.run(command, env=env, cwd=cwd, stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL)
        elapsed = time.perf_counter() - start
        if result.returncode != 0:
            sys.exit("%s ended with %d" % (command[-1], result.returncode))
        return elapsed

    def program(self, exe):
        """Starts `exe` with an empty temporary folder of its own."""
        run = self.fresh_folder(os.path.basename(exe))
        temp = os.path.join(run, "tmp")
        os.makedirs(temp)
        elapsed = self.timed([WINE, exe], self.environment(temp), run)
        shutil.rmtree(run, ignore_errors=True)
        return elapsed

    def update(self, updater, answerer, answerer_args, source, old_target):
        """One successful update of `source`; returns its time and checks the outcome."""
        run = self.fresh_folder("update")
        temp = os.path.join(run, "tmp")
        app = os.path.join(run, "app")
        os.makedirs(temp)
        os.makedirs(app)
        target = os.path.join(app, "QTV.exe")
        shutil.copyfile(old_target, target)
        # A hard link gives every run the same cached bytes without writing
        # them again; the updater's deletion removes only the link.
        os.link(source, os.path.join(temp, "QTV.exe"))
        with open(os.path.join(temp, "QTV.dat"), "wb") as dat:
            dat.write(b"companion")
        with open(os.path.join(temp, "QTV_Update.ini"), "wb") as ini:
            ini.write(b"[FullPathName]\r\nExecutable=" + windows_path(target).encode() + b"\r\n")
        env = self.environment(temp)
        os.sync()
        helper = subprocess.Popen([WINE, answerer] + answerer_args, env=env, cwd=run,
                                  stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        elapsed = self.timed([WINE, updater], env, run)
        try:
            helper.wait(timeout=30)
        except subprocess.TimeoutExpired:
            helper.kill()
            sys.exit("the message box was not answered")
        if os.path.getsize(target) != os.path.getsize(source):
            sys.exit("the update did not replace the target")
        left = sorted(os.listdir(temp))
        if left:
            sys.exit("update files left behind: %s" % left)
        # The started target ends at once; let it go before the next run.
        time.sleep(0.3)
        shutil.rmtree(run, ignore_errors=True)
        os.sync()
        return elapsed

    def cp(self, source, old_target):
        run = self.fresh_folder("cp")
        target = os.path.join(run, "QTV.exe")
        shutil.copyfile(old_target, target)
        os.sync()
        elapsed = self.timed(["cp", source, target], self.env, run)
        if os.path.getsize(target) != os.path.getsize(source):
            sys.exit("cp did not copy")
        shutil.rmtree(run, ignore_errors=True)
        os.sync()
        return elapsed


def alternate(runs, programs):
    """Runs each (name, thunk) `runs` times, the order rotated every round."""
    times = {name: [] for name, _ in programs}
    for name, thunk in programs:
        thunk()  # warm-up, not counted
    for round_ in range(runs):
        k = round_ % len(programs)
        for name, thunk in programs[k:] + programs[:k]:
            times[name].append(thunk())
        print("  round %d/%d" % (round_ + 1, runs), file=sys.stderr, flush=True)
    return times


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--prefix", required=True)
    parser.add_argument("--work", required=True)
    parser.add_argument("--updater", required=True)
    parser.add_argument("--floor", required=True)
    parser.add_argument("--floor-plain", required=True)
    parser.add_argument("--sleep", required=True)
    parser.add_argument("--answerer", required=True)
    parser.add_argument("--answerer-arg", action="append", default=[])
    parser.add_argument("--target", required=True, help="small program that ends at once")
    parser.add_argument("--copy-mib", type=int, default=256)
    parser.add_argument("--runs", type=int, default=10)
    parser.add_argument("--sets", default="overhead,copy")
    parser.add_argument("--out", required=True)
    args = parser.parse_args()
    for name in ("prefix", "work", "updater", "floor", "floor_plain", "sleep", "answerer",
                 "target", "out"):
        setattr(args, name, os.path.abspath(getattr(args, name)))
    if not os.environ.get("DISPLAY"):
        sys.exit("no DISPLAY: run under xvfb-run")

    shutil.rmtree(args.work, ignore_errors=True)
    os.makedirs(args.work)
    runner = Runner(args.prefix, args.work)
    results = {"runs": args.runs, "copy_bytes": args.copy_mib << 20}
    subprocess.run([WINESERVER, "-p"], env=runner.env, check=True)
    try:
        sets = args.sets.split(",")
        if "overhead" in sets:
            print("overhead: updater, floor, plain floor, bare sleep", file=sys.stderr)
            results["overhead"] = alternate(args.runs, [
                ("updater", lambda: runner.program(args.updater)),
                ("floor", lambda: runner.program(args.floor)),
                ("floor_plain", lambda: runner.program(args.floor_plain)),
                ("sleep", lambda: runner.program(args.sleep)),
            ])
        if "copy" in sets:
            # The new QTV.exe is the quick-exit program followed by data, so
            # the updater can start it at the end like a real one. The data is
            # written out, not left as a hole: cp would skip a hole.
            big = os.path.join(args.work, "QTV-big.exe")
            small = os.path.join(args.work, "QTV-small.exe")
            old = os.path.join(args.work, "QTV-old.exe")
            for path in (big, small, old):
                shutil.copyfile(args.target, path)
            block = os.urandom(1 << 20)
            with open(big, "ab") as f:
                f.write(block[:(1 << 20) - os.path.getsize(args.target)])
                for _ in range(args.copy_mib - 1):
                    f.write(block)
            os.sync()
            print("copy: %d MiB update, small update, cp" % args.copy_mib, file=sys.stderr)
            results["copy"] = alternate(args.runs, [
                ("update_big", lambda: runner.update(args.updater, args.answerer,
                                                     args.answerer_arg, big, old)),
                ("update_small", lambda: runner.update(args.updater, args.answerer,
                                                       args.answerer_arg, small, old)),
                ("cp", lambda: runner.cp(big, old)),
            ])
            for path in (big, small, old):
                os.remove(path)
    finally:
        subprocess.run([WINESERVER, "-k"], env=runner.env)
    with open(args.out, "w") as out:
        json.dump(results, out, indent=1)


if __name__ == "__main__":
    main()
