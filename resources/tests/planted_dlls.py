#!/usr/bin/env python3
"""No DLL planted beside the updater is ever loaded.

A copy of BrindlewickUpdater.exe is put in a folder together with a fake DLL
under every name it imports or loads at run time. The fake exports nothing
and, when loaded, leaves "<name>.loaded" beside itself. Wine prefers its own
DLLs, unlike Windows, which looks in the program's folder first for any DLL
that is not a KnownDLL; WINEDLLOVERRIDES "NAME=n,b" makes Wine look there
first too, as Windows does. KnownDLLs (kernel32, user32, msvcrt, ...) get a
fake beside the exe but no override: Windows maps them from System32 whatever
the search order, while Wine, overridden, would load them from the folder
where Windows never does.

A probe program in the same folder first shows that each overridden name is
picked up from there by an ordinary LoadLibraryW, so a marker would appear if
the updater let it. Then a silent run (no instructions) and a successful
update (answered by notice_answerer) must leave no marker, and the update
must still work.

    planted_dlls.py --updater EXE --planted DLL --probe EXE --answerer EXE
                    --application EXE --new-application EXE
                    --scripts DIR --work DIR
"""
import argparse
import os
import pathlib
import shutil
import subprocess
import sys
import time
import unittest

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent))
from check_image import KNOWN_DLLS, Image  # noqa: E402

CAPTION = "Brindlewick Updater"
SUCCESS = "Brindlewick wurde erfolgreich aktualisiert!"
# Loaded by name while the updater runs, besides its static imports.
RUN_TIME_DLLS = ["winmm.dll", "kernel32.dll"]

ARGS = None


def windows(path):
    """The Windows name of a Linux path under Wine: Z:\\ is the Linux root."""
    return "Z:" + str(path).replace("/", "\\")


def planted_names():
    """Every DLL name the updater imports or loads, in lower case."""
    imports = Image(pathlib.Path(ARGS.updater).read_bytes()).imports()
    return sorted({name.lower() for name in imports + RUN_TIME_DLLS})


class PlantedDlls(unittest.TestCase):
    def setUp(self):
        self.root = pathlib.Path(ARGS.work).resolve()
        shutil.rmtree(self.root, ignore_errors=True)
        self.app = self.root / "app"
        self.temp = self.root / "temp"
        self.target_folder = self.root / "Brindlewick App"
        for folder in (self.app, self.temp, self.target_folder):
            folder.mkdir(parents=True)
        self.updater = self.app / "BrindlewickUpdater.exe"
        shutil.copyfile(ARGS.updater, self.updater)
        shutil.copyfile(ARGS.probe, self.app / "load_probe.exe")
        self.names = planted_names()
        for name in self.names:
            shutil.copyfile(ARGS.planted, self.app / name)
        self.overridden = [name for name in self.names if name not in KNOWN_DLLS]
        print("planted:", ", ".join(self.names), file=sys.stderr)
        print("searched beside the program first:", ", ".join(self.overridden), file=sys.stderr)

    def environment(self):
        env = dict(os.environ)
        env["WINETMP"] = env["WINETEMP"] = windows(self.temp) + "\\"
        # winedbg off: a program that loaded a fake and crashed ends at once
        # instead of waiting in Wine's debugger.
        env["WINEDLLOVERRIDES"] = ";".join(
            [name[:-4] + "=n,b" for name in self.overridden] + ["winedbg.exe=d"])
        return env

    def wine(self, *arguments):
        return [str(pathlib.Path(ARGS.scripts) / "wine-run"), *map(str, arguments)]

    def markers(self):
        return sorted(path.name for path in self.app.glob("*.loaded"))

    def run_updater(self):
        command = self.wine(ARGS.answerer, "--timeout", "60000", "--", windows(self.updater))
        done = subprocess.run(command, env=self.environment(), capture_output=True, timeout=120)
        output = done.stdout.decode("utf-8", "replace")
        print(output, file=sys.stderr)
        self.assertEqual(done.returncode, 0, f"answerer failed: {done.stderr!r}")
        return dict(line.partition(": ")[::2] for line in output.splitlines())

    def test_probe_sees_a_planted_dll(self):
        # Without this the test below could pass because the overrides or
        # the fake did not work, rather than because the updater is safe.
        self.assertIn("winmm.dll", self.overridden)
        self.assertIn("comctl32.dll", self.overridden)
        done = subprocess.run(self.wine(self.app / "load_probe.exe", *self.overridden),
                              env=self.environment(), capture_output=True, timeout=120)
        output = done.stdout.decode("utf-8", "replace")
        for name in self.overridden:
            with self.subTest(name):
                self.assertIn(f"{name}: {windows(self.app / name)}", output)
        self.assertEqual(self.markers(), [name + ".loaded" for name in self.overridden])

    def test_silent_run_loads_none(self):
        report = self.run_updater()
        self.assertEqual(self.markers(), [])
        self.assertEqual(report.get("box"), "none")
        self.assertEqual(report.get("exit-code"), "0")

    def test_successful_update_loads_none(self):
        target = self.target_folder / "Brindlewick.exe"
        shutil.copyfile(ARGS.application, target)
        shutil.copyfile(ARGS.new_application, self.temp / "QTV.exe")
        (self.temp / "QTV.dat").write_bytes(b"companion")
        (self.temp / "QTV_Update.ini").write_bytes(
            f"[FullPathName]\r\nExecutable={windows(target)}\r\n".encode("latin-1"))
        report = self.run_updater()
        self.assertEqual(self.markers(), [])
        self.assertEqual(report.get("box"), "shown")
        self.assertEqual(report.get("text"), SUCCESS)
        self.assertEqual(report.get("caption"), CAPTION)
        self.assertEqual(report.get("exit-code"), "0")
        self.assertEqual(target.read_bytes(), pathlib.Path(ARGS.new_application).read_bytes())
        self.assertEqual(sorted(self.temp.iterdir()), [])
        # The updated program is started last; once it has run, every
        # library the updater would ever load has been loaded.
        ran = self.target_folder / "Brindlewick.exe.ran"
        deadline = time.monotonic() + 30
        while not ran.exists() and time.monotonic() < deadline:
            time.sleep(0.1)
        self.assertTrue(ran.exists(), "the updated program was not started")
        self.assertEqual(self.markers(), [])


def main():
    global ARGS
    parser = argparse.ArgumentParser()
    for option in ("updater", "planted", "probe", "answerer", "application", "new-application",
                   "scripts", "work"):
        parser.add_argument("--" + option, required=True)
    ARGS, rest = parser.parse_known_args()
    if not os.environ.get("DISPLAY"):
        print("planted_dlls.py needs an X display: run under xvfb-run -a", file=sys.stderr)
        return 1
    result = unittest.main(argv=[sys.argv[0], "-v", *rest], exit=False).result
    return 0 if result.wasSuccessful() else 1


if __name__ == "__main__":
    sys.exit(main())
