#!/usr/bin/env bash
# A demonstration update under Wine, start to end, on a fresh machine:
# installs what is missing, builds the Windows program, puts a stand-in
# application (version 1) in a folder whose name has a blank, stages version 2
# with its companion and instruction files in a fresh temporary folder, runs
# the real BrindlewickUpdater.exe, photographs its message box, answers it and
# tells what happened.
#
#   scripts/demo.sh [--fail] [--display] [--screenshot FILE.png]
#
#   --fail        keep version 1 running during the update, so that the
#                 update fails and version 1 stays as it was
#   --display     use the real X display in $DISPLAY instead of a virtual one
#   --screenshot  where to save the picture of the box (default:
#                 build/windows/demo/update-success.png or update-failure.png)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)

inner_run=0
[ "${1:-}" = --inner ] && inner_run=1   # the second half, under the display
[ "$inner_run" = 1 ] || fail=0 display=0 shot=""
while [ "$inner_run" = 0 ] && [ $# -gt 0 ]; do
  case $1 in
    --fail) fail=1 ;;
    --display) display=1 ;;
    --screenshot) shot=$(realpath -m "$2"); shift ;;
    -h|--help) sed -n '2,16p' "$0"; exit 0 ;;
    *) echo "demo: unknown option $1 (see --help)" >&2; exit 2 ;;
  esac
  shift
done

build=$top/build/windows
helpers=$build/update
win() { printf 'Z:%s' "${1//\//\\}"; }
version() { grep -aom1 'BRINDLEWICK STAND-IN VERSION [0-9]*' "$1" | awk '{print $NF}'; }

# The part that needs a display: runs in a virtual X server unless asked not to.
inner() {
  local holder=""
  if [ "$fail" = 1 ]; then
    # Version 1 is running: its executable is in use.
    "$top/scripts/wine-run" "$target" --hold "$(win "$work/stop")" &
    holder=$!
    for _ in $(seq 600); do [ -e "$target.holding" ] && break; sleep 0.1; done
  fi
  WINETMP="$(win "$temp")\\" WINETEMP="$(win "$temp")\\" \
    "$top/scripts/wine-run" "$helpers/notice_answerer.exe" \
      --signal "$(win "$work/box.txt")" --release "$(win "$work/release")" \
      -- "$(win "$build/BrindlewickUpdater.exe")" >"$work/report.txt" &
  local answerer=$!
  for _ in $(seq 1200); do [ -e "$work/box.txt" ] && break; sleep 0.05; done
  if [ -e "$work/box.txt" ]; then
    sleep 0.5   # let the box finish drawing
    # The box and a margin around it, from the whole screen.
    local l t r b
    read -r l t r b < <(sed -n 's/^rect: //p' "$work/box.txt")
    l=$(( l > 40 ? l - 40 : 0 )) t=$(( t > 40 ? t - 40 : 0 ))
    import -window root -crop "$(( r - l + 40 ))x$(( b - t + 40 ))+$l+$t" +repage "png:$shot" ||
      echo "demo: no screenshot could be taken"
  fi
  touch "$work/release"
  wait "$answerer" || true
  if [ -n "$holder" ]; then touch "$work/stop"; wait "$holder" || true; fi
  # The updated program is started independently; give it a moment.
  if [ "$fail" = 0 ]; then
    for _ in $(seq 100); do [ -e "$target.ran" ] && break; sleep 0.1; done
  fi
}

if [ "$inner_run" = 1 ]; then
  inner
  exit 0
fi

echo "== preparing (installs what is missing, builds the Windows program)"
"$top/scripts/setup.sh"
cmake --preset windows >/dev/null
cmake --build --preset windows --target BrindlewickUpdater notice_answerer \
  standin_application_v1 standin_application_v2 >/dev/null

work=$(mktemp -d "${TMPDIR:-/tmp}/brindlewick-demo.XXXXXX")
trap 'rm -rf "$work"' EXIT
app="$work/Brindlewick Programme"
temp="$work/temp"
target="$app/Brindlewick.exe"
mkdir -p "$app" "$temp" "$build/demo"
[ -n "$shot" ] || shot=$build/demo/update-$([ "$fail" = 1 ] && echo failure || echo success).png
cp "$helpers/standin_application_v1.exe" "$target"
cp "$helpers/standin_application_v2.exe" "$temp/QTV.exe"
printf 'companion data of version 2\n' >"$temp/QTV.dat"
printf '[FullPathName]\r\nExecutable=%s\r\n' "$(win "$target")" >"$temp/QTV_Update.ini"
before=$(version "$target")

echo "== the stage"
echo "application:      $(win "$target") (version $before)"
echo "temporary folder: $(win "$temp")\\"
echo "                  QTV.exe (version $(version "$temp/QTV.exe")), QTV.dat, QTV_Update.ini:"
sed 's/^/                    /' "$temp/QTV_Update.ini" | tr -d '\r'
[ "$fail" = 1 ] && echo "version 1 is running and keeps its executable in use"

echo "== running BrindlewickUpdater.exe (it waits 3 s, then shows its box)"
# The application lives outside the build tree, so the prefix is named.
export WINEPREFIX=$build/wineprefix
export fail work temp target shot build helpers top
start=$(date +%s%N)
if [ "$display" = 1 ] && [ -n "${DISPLAY:-}" ]; then
  "$0" --inner || true
else
  [ "$display" = 1 ] && echo "(no DISPLAY: using a virtual screen)"
  xvfb-run -a -s "-screen 0 1024x768x24" "$0" --inner 2>/dev/null || true
fi
took=$(( ($(date +%s%N) - start) / 1000000000 ))

report() { sed -n "s/^$1: //p" "$work/report.txt" | head -1; }
after=$(version "$target")
echo "== what happened"
if [ "$(report box)" = shown ]; then
  echo "message box:      [$(report icon)] $(report caption): $(report text)"
  echo "screenshot:       $shot"
else
  echo "message box:      none appeared"
fi
echo "version before:   $before"
echo "version after:    $after"
left=""
for name in QTV_Update.ini QTV.dat QTV.exe; do [ -e "$temp/$name" ] && left+=" $name"; done
if [ -z "$left" ]; then
  echo "update files:     QTV_Update.ini, QTV.dat and QTV.exe removed"
else
  echo "update files:     still there:$left"
fi
if [ -e "$target.ran" ]; then
  echo "started:          version $(version "$target.ran"), command line $(sed -n 's/^command-line: //p' "$target.ran" | tr -d '\r')"
else
  echo "started:          nothing"
fi
echo "exit code:        $(report exit-code)"
echo "time taken:       $(awk "BEGIN{printf \"%.1f\", $(report run-ms)/1000}") s by the updater (3 s wait, box included); $took s in all"

if [ "$fail" = 1 ]; then
  if [ "$after" = 1 ] && [ "$left" = " QTV_Update.ini QTV.dat QTV.exe" ] && [ ! -e "$target.ran" ]; then
    echo "== the update failed, as it had to, and version 1 is intact"
    exit 0
  fi
elif [ "$after" = 2 ] && [ -z "$left" ] && [ -e "$target.ran" ]; then
  echo "== updated to version 2"
  exit 0
fi
echo "== not what was expected" >&2
exit 1
