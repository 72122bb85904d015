#!/usr/bin/env bash
# Tests the package as an app developer gets it: the packed tarball installed into
# a fresh app folder by a shell that has node and npm but no CMake, no compiler
# and no make, then used from that app (test/windows/installed_app.js): with the
# Linux Node, and with the Windows Node under Wine on the win32-x64 prebuilds.
#
#   scripts/test-tarball.sh [--no-prebuild] [--no-wine] [--keep]
#
#   --no-prebuild  pack the prebuilds/ that are there instead of running "npm run prebuilds"
#   --no-wine      skip the Windows part
#   --keep         keep the work folder (printed at the end)
#
# Prints the tarball's file count and size and the install's time.
set -euo pipefail
cd "$(dirname "$0")/.."
root="$PWD"

prebuild=1
wine=1
keep=0
for a in "$@"; do
  case "$a" in
    --no-prebuild) prebuild=0 ;;
    --no-wine) wine=0 ;;
    --keep) keep=1 ;;
    *) echo "test-tarball: unknown option $a" >&2; exit 2 ;;
  esac
done

if [ "$prebuild" = 1 ]; then
  if [ "$wine" = 1 ]; then npm run prebuilds; else npm run prebuilds -- linux-x64; fi
fi
tags=(linux-x64)
[ "$wine" = 0 ] || tags+=(win32-x64)
for tag in "${tags[@]}"; do
  if [ ! -d "prebuilds/$tag" ]; then
    echo "test-tarball: prebuilds/$tag is missing (npm run prebuilds)" >&2
    exit 1
  fi
done

work="$(mktemp -d "${TMPDIR:-/tmp}/deskpet-tarball.XXXXXX")"
if [ "$keep" = 0 ]; then trap 'rm -rf "$work"' EXIT; fi

echo "== npm pack"
tarball="$work/$(npm pack --silent --pack-destination "$work" | tail -n 1)"
files="$(tar -tzf "$tarball" | wc -l)"
echo "tarball: $(basename "$tarball"), $files files, $(du -k "$tarball" | cut -f1) KiB"
unwanted="$(tar -tzf "$tarball" | grep -E '^package/(test|fuzz|bench|demo|build[^/]*|node_modules)/' || true)"
if [ -n "$unwanted" ]; then
  echo "test-tarball: the tarball holds files users do not need:" >&2
  echo "$unwanted" | head -20 >&2
  exit 1
fi

# A PATH with node and npm alone: no cmake, cc, c++, g++ or make can be found.
bin="$work/bin"
mkdir -p "$bin"
ln -s "$(command -v node)" "$bin/node"
ln -s "$(command -v npm)" "$bin/npm"
for tool in cmake cc c++ gcc g++ make; do
  if PATH="$bin" command -v "$tool" >/dev/null 2>&1; then
    echo "test-tarball: $tool is reachable on the install's PATH" >&2
    exit 1
  fi
done

app="$work/app"
mkdir -p "$app"
printf '{ "name": "tarball-app", "version": "1.0.0", "private": true }\n' > "$app/package.json"

echo "== npm install of the tarball (PATH: node and npm only)"
# A clean environment: nothing of the npm run that may have started this script.
# npm runs install scripts with a shell; it is named by path, as PATH has none.
start=$(date +%s%N)
set +e
(cd "$app" && env -i HOME="$HOME" PATH="$bin" \
  npm install --foreground-scripts --no-audit --no-fund --script-shell=/bin/sh "$tarball") \
  > "$work/install.log" 2>&1
status=$?
set -e
elapsed_ms=$(( ($(date +%s%N) - start) / 1000000 ))
cat "$work/install.log"
if [ "$status" != 0 ]; then
  echo "test-tarball: npm install failed (exit $status)" >&2
  exit 1
fi
if ! grep -q "deskpet-native: using the prebuilt binaries for linux-x64" "$work/install.log"; then
  echo "test-tarball: the install did not use the linux-x64 prebuild" >&2
  exit 1
fi
printf 'install time: %d.%03d s\n' $((elapsed_ms / 1000)) $((elapsed_ms % 1000))

echo "== the app, with the Linux Node"
PATH="$bin" node test/windows/installed_app.js "$app" linux-x64

echo "== the declarations, from the app (tsc --strict)"
mkdir -p "$app/types"
cp test/types/app.mts test/types/app.cts "$app/types/"
cp test/types/tsconfig.json "$app/types/"
node node_modules/typescript/bin/tsc -p "$app/types/tsconfig.json"
echo "ok - tsc --strict on the installed package's declarations"

if [ "$wine" = 1 ]; then
  echo "== the app, with the Windows Node under Wine"
  bash scripts/win/test-tarball.sh "$app"
fi

[ "$keep" = 0 ] || echo "work folder kept: $work"
echo "tarball: $files files; install with prebuilds: $((elapsed_ms / 1000)).$(printf '%03d' $((elapsed_ms % 1000))) s"
