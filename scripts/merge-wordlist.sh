#!/bin/sh
# merge-wordlist.sh OUT BASE EXTRA...: writes the weak-password dictionary
# OUT: the entries of BASE, then those of each EXTRA list not already seen.
# Drops the EXTRA lists' "#!" comment lines (john's password.lst has a header of
# them), carriage returns and lines with nothing but blanks: in a dictionary
# the first empty line ends it. Entries are kept byte for byte otherwise.
set -eu
out=$1
shift
tmp=$out.tmp.$$
trap 'rm -f "$tmp"' EXIT
LC_ALL=C awk '
    { sub(/\r$/, "") }
    FILENAME != ARGV[1] && /^#!/ { next }
    { entry = $0; gsub(/^ +| +$/, "", entry) }
    entry == "" { next }
    !(entry in seen) { seen[entry] = 1; print entry }
' "$@" >"$tmp"
mv "$tmp" "$out"
trap - EXIT
