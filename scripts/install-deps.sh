#!/usr/bin/env bash
# Installs what the project builds and tests with, from Debian's packages.
# Quick when everything is already there.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  libinih-dev nettle-dev libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev nlohmann-json3-dev
  junit5
  clang libclang-rt-14-dev clang-tidy cppcheck
  libpam0g-dev libpam-wrapper libpamtest0-dev libuid-wrapper pamtester
)

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
# The JDK comes with the machine; javac must be on the PATH for the jar.
command -v javac >/dev/null || { echo "javac not found: a JDK is required" >&2; exit 1; }
