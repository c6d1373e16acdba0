#!/usr/bin/env bash
# Runs the suite's cut-short copy under a file-size limit of 2 MB, with a
# 5 MB new file: every write past the limit fails, as on a full disk. The
# files are made here first, where no limit applies.
source "$(dirname "$0")/common.sh"
case=$(mktemp -d /tmp/brindlewick-cut-short-XXXXXX)
trap 'rm -rf "$case"' EXIT
mkdir "$case/Temp" "$case/Program Files" "$case/Control"
head -c $((5 * 1024 * 1024)) /dev/urandom >"$case/Temp/QTV.exe"
head -c $((100 * 1024)) /dev/urandom >"$case/reference.exe"
cp "$case/reference.exe" "$case/Program Files/QTV.exe"
cp "$case/reference.exe" "$case/Control/QTV.exe"
# The prefix exists before the limit: making it writes more than 2 MB.
"$top/scripts/wine-prefix" "$build/wineprefix"
export WINEPREFIX=$build/wineprefix
export BRINDLEWICK_CUT_SHORT_FOLDER="$(windows_path "$case")\\"
(
  trap '' XFSZ
  ulimit -f 2048
  /usr/lib/wine/wine64 "$suite" --gtest_filter='CopyReplacingCutShort.*'
)
