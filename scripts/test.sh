#!/usr/bin/env bash
# Builds everything and runs every suite: the portable logic natively under
# sanitizers, the Windows code under Wine (with a virtual display for the
# message boxes), and the instruction file fuzzer for a short while.
# Exits non-zero if anything fails.
set -uo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
start=$(date +%s)
"$top/scripts/setup.sh" || exit 1

failed=()
step() {
  local name=$1; shift
  echo "== $name"
  if ! "$@"; then failed+=("$name"); fi
}

step "host: configure" cmake --preset host >/dev/null
step "host: build" cmake --build --preset host
step "host: test" ctest --preset host
step "windows: configure" cmake --preset windows >/dev/null
step "windows: build" cmake --build --preset windows
step "windows: test" xvfb-run -a -s "-screen 0 1024x768x24" ctest --preset windows
step "fuzz: configure" cmake --preset fuzz >/dev/null
step "fuzz: build" cmake --build --preset fuzz
step "fuzz: run" "$top/scripts/fuzz.sh" "${FUZZ_SECONDS:-30}"

echo "== wall time: $(( $(date +%s) - start )) s"
if [ ${#failed[@]} -gt 0 ]; then
  printf 'FAILED: %s\n' "${failed[@]}"
  exit 1
fi
echo "all suites passed"
