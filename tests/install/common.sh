# Sourced by the install tests, run as SCRIPT BUILD_DIR SOURCE_DIR: absolute paths, a scratch folder
# removed on exit, fail(), and the build under test's compiler cache if it has one (CMake reads it
# from the environment when it configures a new tree).
set -euo pipefail
build=$(cd "$1" && pwd)
source=$(cd "$2" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
eval "$(sed -n 's/^\(CMAKE_CX*_COMPILER_LAUNCHER\):[A-Z]*=\(..*\)/export \1=\2/p' "$build/CMakeCache.txt")"
