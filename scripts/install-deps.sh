#!/usr/bin/env bash
# Installs what the project builds and tests with, from Debian's packages.
# Quick when everything is already there.
#
#   scripts/install-deps.sh           everything: library, ppc, Java, Python, tests, benchmarks, checks
#   scripts/install-deps.sh --light   only what the library and ppc need
set -euo pipefail

light=(
  build-essential cmake pkg-config
  libinih-dev nettle-dev libxxhash-dev libcli11-dev nlohmann-json3-dev
  libutf8proc-dev   # code points, NFKC and case folding for the policy rules
  gettext           # msgfmt compiles the message catalogues (po/)
  john-data      # its list of common passwords is merged into the sample dictionary
)
full=(
  "${light[@]}"
  libgtest-dev libgmock-dev libbenchmark-dev
  junit5
  clang libclang-rt-14-dev clang-tidy cppcheck
  libpam0g-dev libpam-wrapper libpamtest0-dev libuid-wrapper libnss-wrapper pamtester
  locales        # de_DE.UTF-8, for the test of the German messages
  python3-dev    # the Python module, built for Debian's /usr/bin/python3
  python3-pytest python3-django   # its tests, and the Django validator's
  groff-base     # the man pages' check
  lintian        # the packaging test
)
if [[ ${1:-} == --light ]]; then
  packages=("${light[@]}")
else
  packages=("${full[@]}")
fi
# Every build of the library compiles the Java natives, so even the light
# one needs a JDK's jni.h; Debian's default JDK when there is none.
command -v javac >/dev/null || packages+=(default-jdk-headless)

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" \
    || missing+=("$package")
done
if ((${#missing[@]})); then
  echo "installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The German messages are tested under LANG=de_DE.UTF-8: generate that
# locale once where it is missing (the full path only).
if [[ ${1:-} != --light ]] && ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  sed -i 's/^# *\(de_DE\.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^de_DE\.UTF-8 UTF-8' /etc/locale.gen || echo 'de_DE.UTF-8 UTF-8' >> /etc/locale.gen
  locale-gen >/dev/null
fi
