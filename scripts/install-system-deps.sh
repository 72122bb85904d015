#!/usr/bin/env bash
# Installs the Debian packages the build and tests need when they are missing.
# A fresh machine of this project's kind already has most of them.
set -euo pipefail

packages=(cmake g++ libgtest-dev libbenchmark-dev)

missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; else SUDO=; fi
  echo "Installing: ${missing[*]}"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}"
fi
