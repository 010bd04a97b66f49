#!/usr/bin/env bash
# Fails when a test log holds one of the distinctive test passwords.
#   scan-logs.sh PASSWORDS_HEADER LOG_DIR
# The passwords are the `constexpr const char kName[] = "...";` lines of
# tests/support/TestPasswords.h. Run after the suites (ctest schedules it
# last); every *.log in LOG_DIR is searched as bytes.
set -euo pipefail
header="$1"
logs="$2"

mapfile -t passwords < <(sed -n 's/^constexpr const char k[A-Za-z]*\[\] = "\(.*\)";$/\1/p' "$header")
if ((${#passwords[@]} == 0)); then
  echo "no passwords found in $header" >&2
  exit 2
fi

shopt -s nullglob
files=("$logs"/*.log)
leaks=0
for password in "${passwords[@]}"; do
  for file in "${files[@]}"; do
    if grep -aqF -- "$password" "$file"; then
      echo "LEAK: '$password' in $file:" >&2
      grep -anF -- "$password" "$file" | head -3 >&2
      leaks=$((leaks + 1))
    fi
  done
done
echo "scanned ${#files[@]} logs for ${#passwords[@]} passwords: $leaks leaks"
((leaks == 0))
