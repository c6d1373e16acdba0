#!/usr/bin/env bash
# The benchmark command; separate from the tests, takes a few minutes after
# the builds. Measures the instruction file reader against inih on the host,
# and under Wine the updater's silent run against its floor and a large
# update's copy against cp, then writes docs/performance.md.
#   scripts/bench.sh [--runs N]      (N: runs per program under Wine, default 10)
# For figures worth keeping, run it on a quiet machine.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
runs=10
if [ "${1:-}" = "--runs" ]; then runs=$2; fi
load=$(cut -d' ' -f1-3 /proc/loadavg)

"$top/scripts/setup.sh"
# heaptrack and GNU time are not needed by the tests.
extra=()
command -v heaptrack >/dev/null 2>&1 || extra+=(heaptrack)
[ -x /usr/bin/time ] || extra+=(time)
if [ ${#extra[@]} -gt 0 ]; then
  echo "bench: installing ${extra[*]}"
  DEBIAN_FRONTEND=noninteractive apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${extra[@]}" >/dev/null
fi

echo "== build: host benchmarks (build/bench)"
cmake --preset bench >/dev/null
cmake --build --preset bench --target reader_benchmark reader_peak make_instruction_file
echo "== build: Windows programs (build/bench-windows)"
cmake --preset windows -B build/bench-windows >/dev/null
cmake --build build/bench-windows -j2 --target BrindlewickUpdater bench_floor bench_floor_plain \
  bench_floor_notice \
  bench_sleep bench_target bench_answerer bench_keeper

work=$top/build/bench/results
mkdir -p "$work"
rm -f "$work/reader.json" "$work/wine.json"
echo "== reader against inih"
python3 bench/measure_reader.py --benchmark build/bench/bench/reader_benchmark \
  --peak build/bench/bench/reader_peak --make-file build/bench/bench/make_instruction_file \
  --work "$work" --out "$work/reader.json"

echo "== runs under Wine"
prefix=$top/build/bench-windows/wineprefix
"$top/scripts/wine-prefix" "$prefix"
programs=build/bench-windows/bench
xvfb-run -a -s "-screen 0 1024x768x24" python3 bench/wine_runs.py --prefix "$prefix" \
  --work build/bench-windows/runs --runs "$runs" \
  --updater build/bench-windows/BrindlewickUpdater.exe \
  --floor $programs/bench_floor.exe --floor-plain $programs/bench_floor_plain.exe \
  --floor-notice $programs/bench_floor_notice.exe \
  --sleep $programs/bench_sleep.exe --answerer $programs/bench_answerer.exe \
  --target $programs/bench_target.exe --keeper $programs/bench_keeper.exe \
  --out "$work/wine.json"

python3 bench/write_page.py --reader "$work/reader.json" --wine "$work/wine.json" \
  --notes bench/performance-notes.md --load "$load" --out docs/performance.md
echo "== wrote docs/performance.md"
