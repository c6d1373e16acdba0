#!/usr/bin/env bash
# Installs whatever this machine lacks for building and testing, quietly when
# everything is already there. Idempotent.
set -euo pipefail

# command that must exist -> Debian package that provides it
needs=(
  "cmake:cmake"
  "g++:g++"
  "clang++:clang"
  "x86_64-w64-mingw32-g++-posix:g++-mingw-w64-x86-64-posix"
  "x86_64-w64-mingw32-windres:binutils-mingw-w64-x86-64"
  "/usr/lib/wine/wine64:wine64"
  "Xvfb:xvfb"
  "xvfb-run:xvfb"
  "wrestool:icoutils"
  "import:imagemagick"
  "osslsigncode:osslsigncode"
  "flock:util-linux"
  "setpriv:util-linux"
  "python3:python3"
)
# files that must exist -> package
files=(
  "/usr/src/googletest/CMakeLists.txt:googletest"
  "/usr/x86_64-w64-mingw32/include/windows.h:mingw-w64-x86-64-dev"
  "/usr/include/ini.h:libinih-dev"
  "/usr/include/benchmark/benchmark.h:libbenchmark-dev"
)

missing=()
for pair in "${needs[@]}"; do
  command -v "${pair%%:*}" >/dev/null 2>&1 || missing+=("${pair##*:}")
done
for pair in "${files[@]}"; do
  [ -e "${pair%%:*}" ] || missing+=("${pair##*:}")
done
# libFuzzer's runtime comes with clang's runtime package.
if ! ls /usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a >/dev/null 2>&1; then
  missing+=(libclang-rt-14-dev)
fi

if [ ${#missing[@]} -gt 0 ]; then
  mapfile -t missing < <(printf '%s\n' "${missing[@]}" | sort -u)
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# One Wine prefix per build tree, made once.
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/wine-prefix" "$top/build/windows/wineprefix"
