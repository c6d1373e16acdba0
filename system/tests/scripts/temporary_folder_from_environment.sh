#!/usr/bin/env bash
# Starts the suite with WINETMP and WINETEMP naming a folder, the way the
# updater gets its temporary folder under Wine, and checks that
# temporaryFolder() reports that folder. The prefix has no TEMP/TMP values of
# its own, so nothing else can win.
source "$(dirname "$0")/common.sh"
case=$(mktemp -d /tmp/brindlewick-temporary-XXXXXX)
trap 'rm -rf "$case"' EXIT
mkdir "$case/Brindlewick temporary folder"
folder="$(windows_path "$case/Brindlewick temporary folder")\\"
WINETMP=$folder WINETEMP=$folder BRINDLEWICK_EXPECTED_TEMPORARY_FOLDER=$folder \
  "$top/scripts/wine-run" "$suite" --gtest_filter='TemporaryFolderFromStart.*'
