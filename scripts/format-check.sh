#!/usr/bin/env bash
# Fails when a C++ file of the repository drifts from .clang-format.
#   scripts/format-check.sh         check every tracked C++ file
#   scripts/format-check.sh --fix   rewrite them in place
set -euo pipefail
cd "$(dirname "$0")/.."
CLANG_FORMAT="${CLANG_FORMAT:-clang-format}"
if ! command -v "$CLANG_FORMAT" >/dev/null 2>&1; then
  echo "format-check: $CLANG_FORMAT not found (Debian: apt-get install clang-format)" >&2
  exit 1
fi
mapfile -t files < <(git ls-files '*.c' '*.cc' '*.cpp' '*.h' '*.hpp')
if [ "${1:-}" = "--fix" ]; then
  "$CLANG_FORMAT" -i "${files[@]}"
  exit 0
fi
"$CLANG_FORMAT" --dry-run --Werror "${files[@]}"
echo "format-check: ${#files[@]} files match .clang-format"
