#!/usr/bin/env bash
# Runs every test: the C++, Java and Python suites in the normal build, the C++
# suite under AddressSanitizer with UndefinedBehaviorSanitizer, the tests
# that start the timer or reload (label "reload") under ThreadSanitizer, each fuzzer for a bounded time
# (FUZZ_SECONDS, default 30 here: a regression gate; long campaigns run scripts/fuzz.sh alone) and the
# static checks. Each stage prints how long it took.
#
#   scripts/test.sh            everything (what CI runs)
#   scripts/test.sh --quick    the normal build's suites only
set -euo pipefail
cd "$(dirname "$0")/.."

quick=0
[[ "${1:-}" == "--quick" ]] && quick=1
jobs=$(nproc)
passed=0
failed=0

# Runs ctest in build directory $1 with the remaining arguments, adding its
# counts to the totals; fails the script when a test fails.
run_ctest() {
  local dir=$1
  shift
  local log
  log=$(mktemp)
  local status=0
  # Each run starts with no test logs of an earlier one.
  rm -f "$dir"/test-logs/*.log
  (cd "$dir" && ctest --output-on-failure -j"$jobs" "$@") 2>&1 | tee "$log" || status=$?
  local total fails
  total=$(sed -n 's/.*tests failed out of \([0-9]*\).*/\1/p' "$log" | tail -1)
  fails=$(sed -n 's/.* \([0-9]*\) tests failed out of.*/\1/p' "$log" | tail -1)
  rm -f "$log"
  passed=$((passed + ${total:-0} - ${fails:-0}))
  failed=$((failed + ${fails:-0}))
  if ((status != 0)) || [[ -z "$total" ]] || ((${fails:-0} != 0)); then
    echo "ctest failed in $dir" >&2
    echo "summary: $passed passed, $((failed > 0 ? failed : 1)) failed"
    exit 1
  fi
}

# Prints a stage's heading, and the time the previous one took.
stage_name=""
stage_start=$SECONDS
stage() {
  [[ -n $stage_name ]] && printf '==== %s: %d s\n' "$stage_name" $((SECONDS - stage_start))
  stage_name=$*
  stage_start=$SECONDS
  [[ -n $stage_name ]] && printf '\n==== %s\n' "$stage_name"
  return 0
}

stage "dependencies"
scripts/install-deps.sh

stage "normal build: C++, Java and Python suites"
cmake --preset default >/dev/null
cmake --build --preset default -j"$jobs"
run_ctest build

if ((quick == 0)); then
  stage "AddressSanitizer + UndefinedBehaviorSanitizer: C++ suite"
  cmake --preset asan >/dev/null
  cmake --build --preset asan -j"$jobs"
  run_ctest build-asan

  stage "ThreadSanitizer: concurrency tests"
  cmake --preset tsan >/dev/null
  cmake --build --preset tsan -j"$jobs" --target reload_tests
  run_ctest build-tsan -L "reload|symbols"

  if [[ -x scripts/fuzz.sh ]]; then
    export FUZZ_SECONDS=${FUZZ_SECONDS:-30}
    stage "fuzzing, $FUZZ_SECONDS s a target"
    scripts/fuzz.sh
  fi

  if [[ -x scripts/static-checks.sh ]]; then
    stage "static checks"
    scripts/static-checks.sh
  fi
fi

stage ""
echo
echo "summary: $passed passed, $failed failed in $SECONDS s"
