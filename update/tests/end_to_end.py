#!/usr/bin/env python3
"""The real BrindlewickUpdater.exe under Wine, with real files, processes and
message boxes. Each case stages the update files in its own temporary folder
(handed to Wine as WINETMP/WINETEMP, which the program sees as TMP/TEMP), and
notice_answerer starts the updater, plays the user in front of its box and
reports what the box showed and which files existed at that moment.

Run from CTest as: end_to_end.py --build BUILD_TREE --scripts SCRIPTS EndToEnd.test_NAME
Needs an X display (the Windows suite runs under xvfb-run -a).
"""
import argparse
import os
import pathlib
import pwd
import shutil
import stat
import subprocess
import sys
import tempfile
import time
import unittest

CAPTION = "Brindlewick Updater"
SUCCESS = "Brindlewick wurde erfolgreich aktualisiert!"
FAILURE = "Brindlewick konnte nicht aktualisiert werden!"
UPDATE_FILES = ("QTV_Update.ini", "QTV.dat", "QTV.exe")

BUILD = SCRIPTS = None


def windows(path):
    """The Windows name of a Linux path under Wine: Z:\\ is the Linux root."""
    return "Z:" + str(path).replace("/", "\\")


def instruction(value, group="FullPathName", key="Executable"):
    return f"[{group}]\r\n{key}={value}\r\n".encode("latin-1")


def snapshot(root):
    """Every file below root with its bytes and mode, to show nothing changed."""
    files = {}
    for path in sorted(pathlib.Path(root).rglob("*")):
        if path.is_file():
            files[str(path.relative_to(root))] = (path.read_bytes(), stat.S_IMODE(path.stat().st_mode))
        else:
            files[str(path.relative_to(root)) + "/"] = None
    return files


def wait_for(predicate, seconds):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if predicate():
            return True
        time.sleep(0.05)
    return predicate()


class Sandbox:
    """One case's folders: a temporary folder and an application folder whose
    name holds a blank, both fresh, owned by `user` when given."""

    def __init__(self, name, user=None):
        base = BUILD / "end-to-end"
        base.mkdir(exist_ok=True)
        self.root = pathlib.Path(tempfile.mkdtemp(prefix=name + "-", dir=base))
        self.user = user
        self.temp = self.root / "temp"
        self.app = self.root / "Brindlewick App"
        self.temp.mkdir()
        self.app.mkdir()
        self.target = self.app / "Brindlewick.exe"
        self.ran = self.app / "Brindlewick.exe.ran"

    def stage(self, ini=None, new_executable=True, companion=True, target=True):
        if ini is not None:
            (self.temp / "QTV_Update.ini").write_bytes(ini)
        if new_executable:
            shutil.copyfile(program("update/standin_application_v2.exe"), self.temp / "QTV.exe")
        if companion:
            (self.temp / "QTV.dat").write_bytes(b"companion data\x00\x01")
        if target:
            shutil.copyfile(program("update/standin_application_v1.exe"), self.target)
        if self.user:
            for path in [self.root, *self.root.rglob("*")]:
                os.chown(path, self.user.pw_uid, self.user.pw_gid)

    def environment(self):
        env = dict(os.environ)
        env["WINETMP"] = env["WINETEMP"] = windows(self.temp) + "\\"
        if self.user:
            env["WINEPREFIX"] = str(nobody_prefix())
            env["HOME"] = str(nobody_prefix().parent)
            if "XAUTHORITY" in os.environ:
                # xvfb-run keeps its cookie where only root may read it.
                cookie = self.root / "Xauthority"
                shutil.copyfile(os.environ["XAUTHORITY"], cookie)
                os.chown(cookie, self.user.pw_uid, self.user.pw_gid)
                env["XAUTHORITY"] = str(cookie)
        return env

    def wine(self, *arguments):
        command = [str(SCRIPTS / "wine-run"), *map(str, arguments)]
        if self.user:
            command = ["setpriv", f"--reuid={self.user.pw_uid}", f"--regid={self.user.pw_gid}",
                       "--clear-groups", *command]
        return command

    def run_updater(self, checks=()):
        """Runs the updater with the answerer; returns its report as a dict
        ('present'/'absent' as lists of Windows paths)."""
        command = self.wine(program("update/notice_answerer.exe"), "--timeout", "90000",
                            *[arg for path in checks for arg in ("--check", windows(path))],
                            "--", windows(BUILD / "BrindlewickUpdater.exe"))
        done = subprocess.run(command, env=self.environment(), capture_output=True, timeout=180)
        output = done.stdout.decode("utf-8", "replace")
        print(output, file=sys.stderr)
        assert done.returncode == 0, f"answerer failed ({done.returncode}): {done.stderr!r}"
        report = {"present": [], "absent": []}
        for line in output.splitlines():
            key, _, value = line.partition(": ")
            if key in ("present", "absent"):
                report[key].append(value)
            else:
                report[key] = value
        return report

    def remove(self):
        shutil.rmtree(self.root, ignore_errors=True)


def program(relative):
    return BUILD / relative


def nobody_prefix():
    """A Wine prefix that the unprivileged user owns, made once per tree."""
    home = BUILD / "end-to-end-nobody"
    prefix = home / "wineprefix"
    if not (prefix / ".brindlewick-ready").exists():
        home.mkdir(exist_ok=True)
        user = pwd.getpwnam("nobody")
        os.chown(home, user.pw_uid, user.pw_gid)
        env = dict(os.environ, HOME=str(home))
        subprocess.run(["setpriv", f"--reuid={user.pw_uid}", f"--regid={user.pw_gid}",
                        "--clear-groups", str(SCRIPTS / "wine-prefix"), str(prefix)],
                       env=env, check=True, timeout=300)
    return prefix


class EndToEnd(unittest.TestCase):
    def sandbox(self, user=None):
        box = Sandbox(self.id().rsplit(".", 1)[-1], user)
        self.addCleanup(box.remove)
        return box

    def assertBox(self, report, text, icon):
        self.assertEqual(report.get("box"), "shown", "no message box appeared")
        self.assertEqual(report["caption"], CAPTION)
        self.assertEqual(report["text"], text)
        self.assertEqual(report["icon"], icon)
        self.assertEqual(report["later-boxes"], "0")
        self.assertEqual(report["exit-code"], "0")

    def assertStarted(self, sandbox):
        self.assertTrue(wait_for(sandbox.ran.exists, 20), "the updated program did not start")
        lines = sandbox.ran.read_text("utf-8").splitlines()
        self.assertEqual(lines[0], "BRINDLEWICK STAND-IN VERSION 2")
        self.assertEqual(lines[1], 'command-line: "' + windows(sandbox.target) + '"')

    def assertUpdated(self, sandbox, report, companion=True):
        self.assertBox(report, SUCCESS, "information")
        staged = [sandbox.temp / name for name in UPDATE_FILES if companion or name != "QTV.dat"]
        self.assertEqual(report["present"], [windows(path) for path in staged],
                         "the update files must stay until the box is answered")
        self.assertEqual(report["absent"], [windows(sandbox.ran)],
                         "the program must not start before the box is answered")
        self.assertEqual(sandbox.target.read_bytes(),
                         program("update/standin_application_v2.exe").read_bytes())
        self.assertStarted(sandbox)
        self.assertEqual(sorted(p.name for p in sandbox.temp.iterdir()), [])
        self.assertEqual(sorted(p.name for p in sandbox.app.iterdir()),
                         ["Brindlewick.exe", "Brindlewick.exe.ran"],
                         "nothing may be left beside the target")

    def checks(self, sandbox):
        return [sandbox.temp / name for name in UPDATE_FILES] + [sandbox.ran]

    def test_success(self):
        sandbox = self.sandbox()
        sandbox.stage(instruction(windows(sandbox.target)))
        self.assertUpdated(sandbox, sandbox.run_updater(self.checks(sandbox)))

    def test_new_target(self):
        # The target does not exist yet, its folder does: the copy creates it.
        sandbox = self.sandbox()
        sandbox.stage(instruction(windows(sandbox.target)), target=False)
        self.assertUpdated(sandbox, sandbox.run_updater(self.checks(sandbox)))

    def test_missing_companion(self):
        sandbox = self.sandbox()
        sandbox.stage(instruction(windows(sandbox.target)), companion=False)
        checks = [sandbox.temp / "QTV_Update.ini", sandbox.temp / "QTV.exe", sandbox.ran]
        self.assertUpdated(sandbox, sandbox.run_updater(checks), companion=False)

    def silent(self, ini):
        sandbox = self.sandbox()
        sandbox.stage(ini)
        before = snapshot(sandbox.root)
        report = sandbox.run_updater()
        self.assertEqual(report.get("box"), "none")
        self.assertEqual(report["exit-code"], "0")
        self.assertEqual(snapshot(sandbox.root), before, "a silent end must touch nothing")
        self.assertFalse(sandbox.ran.exists())
        # Loose bound: the run is the 3000 ms wait and little else.
        milliseconds = int(report["run-ms"])
        print(f"silent run: {milliseconds} ms", file=sys.stderr)
        self.assertGreaterEqual(milliseconds, 2900)
        self.assertLess(milliseconds, 30000)

    def test_no_instruction_file(self):
        self.silent(None)

    def test_no_group(self):
        self.silent(instruction(r"Z:\x\Brindlewick.exe", group="FullPath"))

    def test_no_key(self):
        self.silent(instruction(r"Z:\x\Brindlewick.exe", key="Executable2"))

    def test_blank_value(self):
        self.silent(instruction(" \t  "))

    def refused(self, sandbox, value, **stage):
        """Stages, runs and checks the warning road: nothing changed, nothing
        started, the update files where they were."""
        sandbox.stage(instruction(value), **stage)
        before = snapshot(sandbox.root)
        report = sandbox.run_updater(self.checks(sandbox))
        self.assertBox(report, FAILURE, "warning")
        self.assertFalse(sandbox.ran.exists())
        return before, report

    def test_target_in_use(self):
        sandbox = self.sandbox()
        sandbox.stage(target=True, new_executable=False, companion=False)
        stop = sandbox.root / "stop"
        holder = subprocess.Popen(sandbox.wine(sandbox.target, "--hold", windows(stop)),
                                  env=sandbox.environment())
        self.addCleanup(holder.wait, 60)
        self.addCleanup(stop.touch)
        holding = sandbox.app / "Brindlewick.exe.holding"
        self.assertTrue(wait_for(holding.exists, 60), "the stand-in did not start")
        before, report = self.refused(sandbox, windows(sandbox.target))
        self.assertEqual(snapshot(sandbox.root), before)
        self.assertEqual(len(report["present"]), 3)

    def test_source_missing(self):
        sandbox = self.sandbox()
        before, report = self.refused(sandbox, windows(sandbox.target), new_executable=False)
        self.assertEqual(snapshot(sandbox.root), before)

    def test_quoted_value(self):
        # The quotation marks are part of the path as read; no such file.
        sandbox = self.sandbox()
        before, _ = self.refused(sandbox, '"' + windows(sandbox.target) + '"')
        self.assertEqual(snapshot(sandbox.root), before)

    def test_folder_missing(self):
        sandbox = self.sandbox()
        missing = sandbox.root / "No Such Folder" / "Brindlewick.exe"
        before, _ = self.refused(sandbox, windows(missing))
        self.assertEqual(snapshot(sandbox.root), before)
        self.assertFalse(missing.parent.exists())

    def test_read_only(self):
        # Wine maps the read-only attribute to a missing write permission,
        # which root ignores: as root, this case runs every Wine process as
        # nobody.
        sandbox = self.sandbox(pwd.getpwnam("nobody") if os.geteuid() == 0 else None)
        sandbox.stage(instruction(windows(sandbox.target)))
        sandbox.target.chmod(0o444)
        before = snapshot(sandbox.root)
        report = sandbox.run_updater(self.checks(sandbox))
        self.assertBox(report, FAILURE, "warning")
        after = snapshot(sandbox.root)
        after.pop("Xauthority", None)
        before.pop("Xauthority", None)
        self.assertEqual(after, before)
        self.assertFalse(sandbox.ran.exists())

    def test_answerer_reads_both_icons(self):
        # The icon checks above rest on this: each standard icon is told
        # apart, and one that is neither is not mistaken for either.
        sandbox = self.sandbox()
        for style, icon in (("0x40", "information"), ("0x30", "warning"), ("0x10", "unknown")):
            with self.subTest(style=style):
                command = sandbox.wine(program("update/notice_answerer.exe"), "--",
                                       program("update/notice_sample.exe"), CAPTION,
                                       "Zeile eins\nZeile zwei", style)
                done = subprocess.run(command, env=sandbox.environment(), capture_output=True,
                                      timeout=120)
                output = done.stdout.decode("utf-8")
                self.assertEqual(done.returncode, 0, output)
                self.assertIn(f"icon: {icon}\n", output)
                self.assertIn("text: Zeile eins\\nZeile zwei\n", output)
                self.assertIn("exit-code: 1\n", output)  # IDOK


def main():
    global BUILD, SCRIPTS
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", required=True, type=pathlib.Path)
    parser.add_argument("--scripts", required=True, type=pathlib.Path)
    args, rest = parser.parse_known_args()
    BUILD, SCRIPTS = args.build.resolve(), args.scripts.resolve()
    if not os.environ.get("DISPLAY"):
        print("end_to_end.py needs an X display: run under xvfb-run -a", file=sys.stderr)
        return 1
    return 0 if unittest.main(argv=[sys.argv[0], *rest], exit=False).result.wasSuccessful() else 1


if __name__ == "__main__":
    sys.exit(main())
