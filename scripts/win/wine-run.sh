#!/usr/bin/env bash
# Runs one Windows program under the project's private Wine prefix:
#   scripts/win/wine-run.sh program.exe [args...]
# CMake uses it as the emulator for the Windows test programs (ctest). When the build
# wrote program.exe.dlls (see native/win/runtime_dll_lists.cmake), the folders of the
# DLLs listed there go first on the program's PATH.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/env.sh"
deskpet_ensure_wine_prefix

if [ $# -gt 0 ] && [ -f "$1.dlls" ]; then
  dll_path=
  while IFS= read -r dll; do
    [ -n "$dll" ] || continue
    dir="$(deskpet_windows_path "$(dirname "$dll")")"
    case ";$dll_path;" in *";$dir;"*) ;; *) dll_path="${dll_path:+$dll_path;}$dir" ;; esac
  done < "$1.dlls"
  if [ -n "$dll_path" ]; then
    export WINEPATH="$dll_path${WINEPATH:+;$WINEPATH}"
  fi
fi
exec "$DESKPET_WINE" "$@"
