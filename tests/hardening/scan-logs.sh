#!/usr/bin/env bash
# scan-logs.sh PASSWORDS_HEADER LOG_DIR: fails when a *.log in LOG_DIR holds one of the
# `constexpr const char kName[] = "...";` passwords of tests/support/TestPasswords.h.
set -euo pipefail
mapfile -t passwords < <(sed -n 's/^constexpr const char k[A-Za-z]*\[\] = "\([^"]*\)";.*/\1/p' "$1")
((${#passwords[@]} > 0)) || { echo "no passwords found in $1" >&2; exit 2; }
shopt -s nullglob
status=0  # grep: 1 when no log holds any of them
grep -aHoF -f <(printf '%s\n' "${passwords[@]}") /dev/null "$2"/*.log >&2 || status=$?
((status == 1)) || { echo "LEAK (log:password above) or unreadable log" >&2; exit 1; }
