#!/usr/bin/env python3
"""Times whole Windows programs under Wine, alternated run by run.

Two sets, both written as seconds per run to one JSON file:
  overhead: the updater's silent run (no instruction file) against the floor
            programs, each in a fresh, empty temporary folder;
  copy:     a successful update of a large QTV.exe (the box answered at once)
            against cp of the same file on the same file system (plain, and
            followed by sync of the copy), the same update with a small QTV.exe,
            which separates the copy from everything else, and the floor with
            the box.

Must run with DISPLAY set (the box needs one). One persistent wineserver
serves every run, so no run pays for starting it and none for waiting on its
shutdown, and a keeper program holds Wine's desktop throughout; the first run
of each program is a warm-up and is not counted.
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


class RunFailed(Exception):
    """A program under test ended with a code other than 0."""


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

    def timed(self, command, env, cwd, helper=None):
        """Seconds until `command` ends; with a `helper` process, also the
        seconds until that one ended (None if it outlived the command)."""
        errors = open(os.path.join(cwd, "stderr.txt"), "w+b")
        start = time.perf_counter()
        process = subprocess.Popen(command, env=env, cwd=cwd, stdout=subprocess.DEVNULL,
                                   stderr=errors)
        helper_end = None
        # The same polling loop times every program, helper or not.
        while process.poll() is None:
            if helper is not None and helper_end is None and helper.poll() is not None:
                helper_end = time.perf_counter() - start
            time.sleep(0.002)
        elapsed = time.perf_counter() - start
        if process.returncode != 0:
            errors.seek(0)
            text = errors.read()[-600:].decode(errors="replace")
            errors.close()
            raise RunFailed("%s ended with %d after %.3f s; in %s; stderr: %r" % (
                os.path.basename(command[-1]), process.returncode, elapsed, cwd, text))
        errors.close()
        return elapsed, helper_end

    def program(self, exe):
        """Starts `exe` with an empty temporary folder of its own."""
        run = self.fresh_folder(os.path.basename(exe))
        temp = os.path.join(run, "tmp")
        os.makedirs(temp)
        elapsed, _ = self.timed([WINE, exe], self.environment(temp), run)
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
        try:
            elapsed, answered = self.timed([WINE, updater], env, run, helper)
        except RunFailed:
            # Its box will not come; it must not answer the next run's.
            helper.kill()
            helper.wait()
            raise
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
        return elapsed, answered

    def notice_floor(self, exe, answerer, answerer_args):
        """The floor program that also shows the box, answered like the updater's."""
        run = self.fresh_folder("floor-notice")
        temp = os.path.join(run, "tmp")
        os.makedirs(temp)
        env = self.environment(temp)
        helper = subprocess.Popen([WINE, answerer] + answerer_args, env=env, cwd=run,
                                  stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            elapsed, answered = self.timed([WINE, exe], env, run, helper)
        except RunFailed:
            helper.kill()
            helper.wait()
            raise
        helper.wait(timeout=30)
        time.sleep(0.3)
        shutil.rmtree(run, ignore_errors=True)
        return elapsed, answered

    def cp(self, source, old_target, durable=False):
        """cp over an old file; `durable` adds `sync FILE`, which waits until the
        copy is on the disk, as the updater's flush before its rename does."""
        run = self.fresh_folder("cp")
        target = os.path.join(run, "QTV.exe")
        shutil.copyfile(old_target, target)
        os.sync()
        command = ["cp", source, target]
        if durable:
            command = ["sh", "-c", 'cp "$1" "$2" && sync "$2"', "sh", source, target]
        elapsed, _ = self.timed(command, self.env, run)
        if os.path.getsize(target) != os.path.getsize(source):
            sys.exit("cp did not copy")
        shutil.rmtree(run, ignore_errors=True)
        os.sync()
        return elapsed


def attempt(thunk, failures):
    """Runs `thunk`; a run whose program fails is recorded and made again, at
    most twice, so that one stray failure does not cost the whole set."""
    for _ in range(3):
        try:
            return thunk()
        except RunFailed as failure:
            print("  failed: %s" % failure, file=sys.stderr, flush=True)
            failures.append(str(failure))
    sys.exit("giving up after three failures in a row")


def alternate(runs, programs, failures):
    """Runs each (name, thunk) `runs` times, the order rotated every round.
    A thunk returns seconds, or seconds and the moment its box was answered."""
    times = {}
    for name, thunk in programs:
        attempt(thunk, failures)  # warm-up, not counted
    for round_ in range(runs):
        k = round_ % len(programs)
        for name, thunk in programs[k:] + programs[:k]:
            result = attempt(thunk, failures)
            if isinstance(result, tuple):
                times.setdefault(name + "_answered", []).append(result[1])
                result = result[0]
            times.setdefault(name, []).append(result)
        print("  round %d/%d" % (round_ + 1, runs), file=sys.stderr, flush=True)
    return times


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--prefix", required=True)
    parser.add_argument("--work", required=True)
    parser.add_argument("--updater", required=True)
    parser.add_argument("--floor", required=True)
    parser.add_argument("--floor-plain", required=True)
    parser.add_argument("--floor-notice", required=True)
    parser.add_argument("--sleep", required=True)
    parser.add_argument("--answerer", required=True)
    parser.add_argument("--answerer-arg", action="append", default=[])
    parser.add_argument("--target", required=True, help="small program that ends at once")
    parser.add_argument("--keeper", required=True, help="program that holds the desktop")
    parser.add_argument("--copy-mib", type=int, default=256)
    parser.add_argument("--runs", type=int, default=10)
    parser.add_argument("--sets", default="overhead,copy")
    parser.add_argument("--out", required=True)
    args = parser.parse_args()
    for name in ("prefix", "work", "updater", "floor", "floor_plain", "floor_notice", "sleep",
                 "answerer",
                 "target", "keeper", "out"):
        setattr(args, name, os.path.abspath(getattr(args, name)))
    if not os.environ.get("DISPLAY"):
        sys.exit("no DISPLAY: run under xvfb-run")

    shutil.rmtree(args.work, ignore_errors=True)
    os.makedirs(args.work)
    runner = Runner(args.prefix, args.work)
    results = {"runs": args.runs, "copy_bytes": args.copy_mib << 20, "failures": []}
    # Without a window manager (Xvfb has none) Wine waits 2 s for one to
    # withdraw every window that is hidden, the box included. Unmanaged
    # windows skip that wait; Windows has no such wait at all.
    subprocess.run([WINE, "reg", "add", "HKCU\\Software\\Wine\\X11 Driver", "/v", "Managed",
                    "/d", "N", "/f"], env=runner.env, check=True, stdout=subprocess.DEVNULL)
    subprocess.run([WINESERVER, "-w"], env=runner.env)
    subprocess.run([WINESERVER, "-p"], env=runner.env, check=True)
    keeper = subprocess.Popen([WINE, args.keeper], env=runner.env, stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL)
    time.sleep(1)
    try:
        sets = args.sets.split(",")
        if "overhead" in sets:
            print("overhead: updater, floor, plain floor, bare sleep", file=sys.stderr)
            results["overhead"] = alternate(args.runs, [
                ("updater", lambda: runner.program(args.updater)),
                ("floor", lambda: runner.program(args.floor)),
                ("floor_plain", lambda: runner.program(args.floor_plain)),
                ("sleep", lambda: runner.program(args.sleep)),
            ], results["failures"])
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
            print("copy: %d MiB update, small update, floor with box, cp" % args.copy_mib, file=sys.stderr)
            results["copy"] = alternate(args.runs, [
                ("update_big", lambda: runner.update(args.updater, args.answerer,
                                                     args.answerer_arg, big, old)),
                ("update_small", lambda: runner.update(args.updater, args.answerer,
                                                       args.answerer_arg, small, old)),
                ("floor_notice", lambda: runner.notice_floor(args.floor_notice, args.answerer,
                                                             args.answerer_arg)),
                ("cp", lambda: runner.cp(big, old)),
                ("cp_sync", lambda: runner.cp(big, old, durable=True)),
            ], results["failures"])
            for path in (big, small, old):
                os.remove(path)
    finally:
        keeper.kill()
        subprocess.run([WINESERVER, "-k"], env=runner.env)
    with open(args.out, "w") as out:
        json.dump(results, out, indent=1)


if __name__ == "__main__":
    main()
