#!/usr/bin/env bash
# Static checks of the component (src/) and the support stand-ins
# (standins/): clang-tidy with the checks of .clang-tidy, using the compile
# commands of a clang build in build-static, and cppcheck with
# .cppcheck-suppressions. Prints every finding and fails when there is one.
#
#   scripts/static-checks.sh            # both tools
#   scripts/static-checks.sh tidy       # clang-tidy only
#   scripts/static-checks.sh cppcheck   # cppcheck only
set -uo pipefail
cd "$(dirname "$0")/.."

tools="${1:-all}"
build=build-static
jobs=2
failed=0
mapfile -t sources < <(find src standins -name '*.cpp' -o -name '*.c' | sort)

if [[ $tools == all || $tools == tidy ]]; then
  CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_EXPORT_COMPILE_COMMANDS=ON \
    -DPWDPOLICY_BUILD_TESTS=OFF -DPWDPOLICY_BUILD_BENCH=OFF -DPWDPOLICY_BUILD_JAVA=ON \
    >/dev/null || exit 2
  # The JNI sources include the header javac generates with the jar.
  cmake --build "$build" --target pwdpolicy_jar >/dev/null || exit 2
  echo "== clang-tidy (${#sources[@]} files)"
  # One process per file, two at a time; each exits non-zero on a finding
  # (WarningsAsErrors in .clang-tidy).
  if ! printf '%s\n' "${sources[@]}" |
      xargs -P "$jobs" -n 1 clang-tidy -p "$build" --quiet 2>/dev/null; then
    echo "clang-tidy: findings above" >&2
    failed=1
  fi
fi

if [[ $tools == all || $tools == cppcheck ]]; then
  echo "== cppcheck"
  # warning, style, performance and portability; --library=posix knows the
  # system calls. Exit code 1 on any finding not suppressed.
  if ! cppcheck --enable=warning,style,performance,portability --std=c++17 \
      --library=posix --inline-suppr --suppressions-list=.cppcheck-suppressions \
      -I include -I src -j "$jobs" --quiet --error-exitcode=1 \
      --template='{file}:{line}: {severity}: {message} [{id}]' src standins; then
    echo "cppcheck: findings above" >&2
    failed=1
  fi
fi

if ((failed)); then
  echo "static checks: FAILED" >&2
  exit 1
fi
echo "static checks: clean"
