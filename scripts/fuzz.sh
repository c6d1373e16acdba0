#!/usr/bin/env bash
# Runs the instruction file fuzzer for about SECONDS (default 30) from the
# committed seed corpus. The corpus is copied to a scratch folder first, so
# the run never changes the repository. Exits non-zero on any finding; the
# input that caused it is kept under <build>/fuzz-findings/.
# The fuzz build tree is build/fuzz, or BRINDLEWICK_FUZZ_BUILD when set.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-30}
build=${BRINDLEWICK_FUZZ_BUILD:-$top/build/fuzz}
fuzzer=$build/instruction/instruction_fuzzer
if [ ! -x "$fuzzer" ]; then
  echo "fuzz: $fuzzer is not built (cmake --preset fuzz && cmake --build --preset fuzz)" >&2
  exit 1
fi

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cp -r "$top/instruction/fuzz/corpus" "$scratch/corpus"
findings=$build/fuzz-findings
mkdir -p "$findings"

status=0
"$fuzzer" -max_total_time="$seconds" -max_len=4096 -timeout=10 -print_final_stats=1 \
  -artifact_prefix="$findings/" "$scratch/corpus" >"$scratch/log" 2>&1 || status=$?

executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$scratch/log")
if [ "$status" -ne 0 ] || [ -z "$executions" ]; then
  tail -n 60 "$scratch/log" >&2
  echo "fuzz: FAILED (exit $status); inputs that caused it are in $findings" >&2
  exit 1
fi
echo "fuzz: ${executions} executions in ${seconds} s, no findings"
