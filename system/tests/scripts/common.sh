# Shared by the scripts that start the Windows suite under Wine in a
# particular way. Arguments of every script: the source folder and the suite.
set -euo pipefail
top=$1
suite=$2
build=$(cd "$(dirname "$suite")" && pwd)
while [ "$build" != "/" ] && [ ! -f "$build/CMakeCache.txt" ]; do build=$(dirname "$build"); done
[ -f "$build/CMakeCache.txt" ] || { echo "no build tree above $suite" >&2; exit 2; }
export WINEDEBUG=${WINEDEBUG:--all}

# The Windows form of a Linux path: Wine maps the root to Z:.
windows_path() {
  printf 'Z:%s' "$(printf '%s' "$1" | tr / '\\')"
}
