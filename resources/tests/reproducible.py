#!/usr/bin/env python3
"""Builds BrindlewickUpdater.exe twice, each time from a fresh copy of the
sources in a fresh build tree, at two paths of different lengths, and checks
that the two executables are the same bytes. Anything that records a path or
the time of the build (link timestamp, build id, __FILE__, the order of a
directory listing) shows up as a difference.

    reproducible.py --source TOP --toolchain FILE --build-type TYPE --work DIR
"""
import argparse
import hashlib
import os
import pathlib
import shutil
import subprocess
import sys


def copy_sources(source, place):
    """A fresh copy of the sources at place/src, without build trees or
    history; returns its path."""
    shutil.rmtree(place, ignore_errors=True)
    tree = place / "src"
    shutil.copytree(source, tree, symlinks=True,
                    ignore=lambda folder, names: [n for n in names
                                                  if pathlib.Path(folder) == source
                                                  and n in ("build", ".git")])
    return tree


def build(tree, toolchain, build_type):
    """Configures tree/build afresh and builds the executable alone; returns
    its bytes."""
    binary = tree / "build"
    environment = dict(os.environ, LC_ALL="C")
    subprocess.run(["cmake", "-S", tree, "-B", binary, "-G", "Unix Makefiles",
                    f"-DCMAKE_TOOLCHAIN_FILE={tree / toolchain}",
                    f"-DCMAKE_BUILD_TYPE={build_type}"],
                   check=True, stdout=subprocess.DEVNULL, env=environment)
    subprocess.run(["cmake", "--build", binary, "-j2", "--target", "BrindlewickUpdater"],
                   check=True, stdout=subprocess.DEVNULL, env=environment)
    return (binary / "BrindlewickUpdater.exe").read_bytes()


def first_difference(a, b):
    for i, (x, y) in enumerate(zip(a, b)):
        if x != y:
            return i
    return min(len(a), len(b))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--source", required=True, type=pathlib.Path)
    parser.add_argument("--toolchain", required=True, type=pathlib.Path)
    parser.add_argument("--build-type", required=True)
    parser.add_argument("--work", required=True, type=pathlib.Path)
    args = parser.parse_args()
    source = args.source.resolve()
    toolchain = args.toolchain.resolve().relative_to(source)
    work = args.work.resolve()

    # Two places that differ in name and in length. The second copy is made
    # from the first, so that both builds see the same sources even while
    # the working tree is being edited.
    first_tree = copy_sources(source, work / "a")
    second_tree = copy_sources(first_tree, work / "second-checkout" / "elsewhere")
    first = build(first_tree, toolchain, args.build_type)
    second = build(second_tree, toolchain, args.build_type)
    for name, image in (("first", first), ("second", second)):
        print(f"{name}: {len(image)} bytes, sha256 {hashlib.sha256(image).hexdigest()}")
    if first != second:
        at = first_difference(first, second)
        print(f"FAIL: the builds differ, first at offset {at:#x} "
              f"(sizes {len(first)} and {len(second)})", file=sys.stderr)
        return 1
    shutil.rmtree(work, ignore_errors=True)
    print("reproducible: both builds gave the same bytes")
    return 0


if __name__ == "__main__":
    sys.exit(main())
