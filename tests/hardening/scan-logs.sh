#!/usr/bin/env bash
# scan-logs.sh PASSWORDS_HEADER LOG_DIR: fails when a *.log in LOG_DIR holds one of the
# `constexpr const char kName[] = "...";` passwords of tests/support/TestPasswords.h.
set -euo pipefail
mapfile -t passwords < <(sed -n 's/^constexpr const char k[A-Za-z]*\[\] = "\([^"]*\)";.*/\1/p' "$1")
((${#passwords[@]} > 0)) || { echo "no passwords found in $1" >&2; exit 2; }
shopt -s nullglob
files=("$2"/*.log)
leaks=0
for password in "${passwords[@]}"; do
  for file in "${files[@]}"; do
    if grep -aqF -- "$password" "$file"; then
      echo "LEAK: '$password' in $file" >&2
      leaks=$((leaks + 1))
    fi
  done
done
echo "scanned ${#files[@]} logs for ${#passwords[@]} passwords: $leaks leaks"
((leaks == 0))
