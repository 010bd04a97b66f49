#!/bin/bash
# exports.sh LIBRARY HEADER MAP: the library exports exactly the header's PPC_ functions and the names the
# version script lists, no more (no compiler-generated copy constructor, no standard-library instance).
set -euo pipefail
header_functions=$(grep -oE '\bPPC_[A-Za-z]+\(' "$2" | tr -d '(' | LC_ALL=C sort -u)
listed=$(sed -n '/global:/,/local:/p' "$3" | grep -vE 'global:|local:|extern|^ *[{}]' |
         sed -E 's/^ *"?//; s/"?;$//' | grep -v '^$' | LC_ALL=C sort -u)
exported=$(nm -D --defined-only -C "$1" | cut -d' ' -f3- | LC_ALL=C sort -u)
# Every PPC_ function of the header is listed by name.
missing=$(LC_ALL=C comm -23 <(echo "$header_functions") <(echo "$listed"))
[[ -z $missing ]] || { echo "header functions not exported: $missing"; exit 1; }
# sort -u: constructors come twice (complete and base object).
diff <(echo "$listed") <(echo "$exported") || { echo "exports differ (< listed, > exported)"; exit 1; }
