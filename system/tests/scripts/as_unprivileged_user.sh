#!/usr/bin/env bash
# Runs the file operation tests as user nobody, in a prefix and a sandbox
# that user owns. Wine as root writes read-only files regardless, so only a
# run like this shows that read-only holds where the tests rely on it.
source "$(dirname "$0")/common.sh"
if [ "$(id -u)" -ne 0 ]; then
  # Already unprivileged: the ordinary run means the same.
  exec "$top/scripts/wine-run" "$suite" --gtest_filter='CopyReplacing*:DeleteForced*:UnprivilegedRun*'
fi
as_nobody=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
home=$build/unprivileged
mkdir -p "$home"
chown nobody:nogroup "$home"
sandbox=$(mktemp -d /tmp/brindlewick-unprivileged-XXXXXX)
trap 'rm -rf "$sandbox"' EXIT
chown nobody:nogroup "$sandbox"
prefix=$home/wineprefix
env HOME="$home" "${as_nobody[@]}" "$top/scripts/wine-prefix" "$prefix"
env HOME="$home" WINEPREFIX="$prefix" BRINDLEWICK_UNPRIVILEGED=1 \
  BRINDLEWICK_SANDBOX="$(windows_path "$sandbox")\\" \
  "${as_nobody[@]}" /usr/lib/wine/wine64 "$suite" \
  --gtest_filter='CopyReplacing*:DeleteForced*:UnprivilegedRun*'
