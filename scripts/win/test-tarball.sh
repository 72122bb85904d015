#!/usr/bin/env bash
# The Windows part of scripts/test-tarball.sh, under Wine with the Windows Node.js:
# in an app folder where the package's tarball was installed, runs the package's
# install step as npm runs it on Windows (scripts/install.js in the package folder),
# which must take the win32-x64 prebuild after loading it in a child process, then
# checks the app as on Linux (test/windows/installed_app.js).
#   scripts/win/test-tarball.sh <app folder>
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/env.sh"
app="$(cd "$1" && pwd)"
package="$app/node_modules/deskpet-native"

bash "$DESKPET_WIN_SCRIPTS/install-deps.sh" || exit 1
deskpet_ensure_wine_prefix
"$DESKPET_WINESERVER" -p
trap '"$DESKPET_WINESERVER" -k >/dev/null 2>&1 || true' EXIT

# node.exe cannot write to a pipe from Linux: every run writes to a file.
install_log="$app/install-win32.log"
(cd "$package" && "$DESKPET_WINE" "$DESKPET_NODE_EXE" scripts/install.js > "$install_log" 2>&1)
install_status=$?
cat "$install_log"
if [ "$install_status" != 0 ] || ! grep -q "deskpet-native: using the prebuilt binaries for win32-x64" "$install_log"; then
  echo "win/test-tarball: the install step did not take the win32-x64 prebuild (exit $install_status)" >&2
  exit 1
fi

app_log="$app/app-win32.log"
(cd "$DESKPET_ROOT" && "$DESKPET_WINE" "$DESKPET_NODE_EXE" test/windows/installed_app.js \
  "$(deskpet_windows_path "$app")" win32-x64 > "$app_log" 2>&1)
app_status=$?
cat "$app_log"
exit "$app_status"
