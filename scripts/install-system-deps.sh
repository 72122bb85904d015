#!/usr/bin/env bash
# Installs the Debian packages that are missing from the given list (default: what
# the Linux build, its tests, the sanitizer suite and the fuzz targets need). A
# fresh machine of this project's kind already has most of them; apt-get update runs
# only when something is missing.
#
#   scripts/install-system-deps.sh [package ...]
set -euo pipefail

if [ "$#" -gt 0 ]; then
  packages=("$@")
else
  packages=(cmake g++ libgtest-dev libbenchmark-dev clang libclang-rt-14-dev clang-format)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; else SUDO=; fi
  echo "Installing: ${missing[*]}"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
