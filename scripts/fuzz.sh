#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build-fuzz and runs each for a
# bounded time on a copy of its committed seed corpus. Fails when a target
# finds a crash, a sanitizer report or a broken property; the input that
# did it is left in build-fuzz/artifacts/<target>/.
#
#   FUZZ_SECONDS=600 scripts/fuzz.sh              # every target, 10 minutes each
#   FUZZ_SECONDS=60 scripts/fuzz.sh log_line      # one target
#
# New inputs found during the run stay in build-fuzz/corpus/<target>; the
# committed corpus under fuzz/corpus is never written.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${FUZZ_SECONDS:-60}"
build=build-fuzz
targets=("$@")
((${#targets[@]})) || targets=(config_load weak_pwd_dic match_policy log_line breach_table)

CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DPWDPOLICY_FUZZ=ON -DPWDPOLICY_BUILD_JAVA=OFF -DPWDPOLICY_BUILD_BENCH=OFF \
  -DPWDPOLICY_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target "${targets[@]/%/_fuzz}"

# The component logs every load; nobody reads these lines here.
export VC_LOG_FILE=/dev/null
failed=()
for target in "${targets[@]}"; do
  corpus="$build/corpus/$target"
  artifacts="$build/artifacts/$target"
  mkdir -p "$corpus" "$artifacts"
  cp -n fuzz/corpus/"$target"/* "$corpus"/ 2>/dev/null || true
  # The dictionary target reads files of up to 64 KiB plus its input; the
  # others stay small so that the run explores instead of growing inputs.
  max_len=4096
  [[ $target == weak_pwd_dic ]] && max_len=16384
  echo "== $target: $seconds s"
  if ! "$build/fuzz/${target}_fuzz" "$corpus" -max_total_time="$seconds" -max_len="$max_len" \
      -timeout=20 -rss_limit_mb=2048 -print_final_stats=1 \
      -artifact_prefix="$artifacts/" >"$build/$target.log" 2>&1; then
    failed+=("$target")
    tail -40 "$build/$target.log"
  fi
  grep -E '^(Done|stat::number_of_executed_units|stat::peak_rss_mb)' "$build/$target.log" || true
done

if ((${#failed[@]})); then
  echo "fuzzing failed: ${failed[*]} (inputs in $build/artifacts/)" >&2
  exit 1
fi
echo "fuzzing passed: ${targets[*]}"
