#!/usr/bin/env bash
# Our breach table beside passwdqc's filter (pwqfilter, Debian's passwdqc), one
# run, the same input, the same non-members: bytes an entry, false positives,
# build time and memory, lookup time. Needs passwdqc installed
# (apt-get install passwdqc) and about 11 GB in SCRATCH for N = 1e8.
#
#   bench/compare-pwqfilter.sh BUILD_DIR SCRATCH N [N...]       e.g. build /var/tmp 10000000 100000000
#
# Members are the SHA-1 of "member-<i>" as breach_gen writes them (HEX:count);
# non-members are "stranger-<i>", 1e8 of them, given to ppc as passwords (it
# hashes them) and to pwqfilter as the same SHA-1 in hex (--pre-hashed).
# Lookup time is the whole command's wall time over its queries: reading,
# hashing (ppc) or decoding hex (pwqfilter) and looking up; both print only a
# count.
set -euo pipefail
build=$(cd "$1" && pwd) scratch=$2
shift 2
command -v pwqfilter >/dev/null || { echo "pwqfilter not found: apt-get install passwdqc" >&2; exit 2; }
gen=$build/bench/breach_gen ppc=$build/tools/ppc
dir=$(mktemp -d "$scratch/ppc-vs-pwqfilter-XXXXXX")
trap 'rm -rf "$dir"' EXIT
strangers=${STRANGERS:-100000000}

echo "date: $(date -u '+%Y-%m-%d %H:%M UTC'); $(nproc) cores, $(free -g | awk '/Mem:/ {print $2}') GiB; load $(cut -d' ' -f1-3 /proc/loadavg)"
echo "pwqfilter: $(pwqfilter --version 2>&1 | head -1); non-members: $strangers"
"$gen" "$strangers" 0 stranger- > "$dir/strangers.hex"
seq -f 'stranger-%.0f' 0 $((strangers - 1)) > "$dir/strangers.txt"

# time -v's elapsed wall seconds, user + system seconds and peak RSS (MiB) of a finished command.
measure() {
  awk -F': ' '/Elapsed/ {n = split($2, t, ":"); s = 0; for (i = 1; i <= n; i++) s = s * 60 + t[i]; wall = s}
              /User time/ {cpu += $2} /System time/ {cpu += $2} /Maximum resident/ {rss = $2 / 1024}
              END {printf "%.1f s wall, %.1f s CPU, peak RSS %.0f MiB", wall, cpu, rss}' "$1"
}

for n in "$@"; do
  echo "== $n entries"
  "$gen" "$n" > "$dir/members.hex"
  /usr/bin/time -v "$ppc" breach build -o "$dir/ppc.tbl" "$dir/members.hex" > /dev/null 2> "$dir/ppc.time"
  # passwdqc's documentation: capacity at least 2.04 % above the entries.
  /usr/bin/time -v pwqfilter --create=$((n + n * 205 / 10000 + 16)) --pre-hashed -o "$dir/pwq.filter" \
    < "$dir/members.hex" 2> "$dir/pwq.time"
  for tool in ppc pwq; do
    file=$dir/ppc.tbl; [[ $tool == pwq ]] && file=$dir/pwq.filter
    bytes=$(stat -c %s "$file")
    printf '%-9s build: %s; %d bytes, %.3f bytes/entry\n' "$tool" "$(measure "$dir/$tool.time")" "$bytes" \
      "$(awk "BEGIN {print $bytes / $n}")"
  done
  cat "$dir/ppc.tbl" "$dir/pwq.filter" > /dev/null  # both in the page cache
  start=$(date +%s.%N)
  found=$("$ppc" breach check --count "$dir/ppc.tbl" < "$dir/strangers.txt" | cut -d' ' -f1 || true)
  end=$(date +%s.%N)
  printf 'ppc       lookups: %s of %d non-members found; %.0f ns a query (%.0f s)\n' "$found" "$strangers" \
    "$(awk "BEGIN {print ($end - $start) * 1e9 / $strangers}")" "$(awk "BEGIN {print $end - $start}")"
  start=$(date +%s.%N)
  found=$(pwqfilter -f "$dir/pwq.filter" --pre-hashed -c < "$dir/strangers.hex" || true)
  end=$(date +%s.%N)
  printf 'pwqfilter lookups: %s of %d non-members found; %.0f ns a query (%.0f s)\n' "$found" "$strangers" \
    "$(awk "BEGIN {print ($end - $start) * 1e9 / $strangers}")" "$(awk "BEGIN {print $end - $start}")"
  # Every member found by both.
  missed=$(head -1000000 "$dir/members.hex" | pwqfilter -f "$dir/pwq.filter" --pre-hashed -c -v || true)
  echo "pwqfilter members missed (first 1e6): $missed"
  rm -f "$dir/members.hex" "$dir/ppc.tbl" "$dir/pwq.filter"
done
