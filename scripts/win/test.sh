#!/usr/bin/env bash
# Builds the Windows x86-64 modules (build.sh) and tests them under Wine with the
# official Windows Node.js:
#   1. the C++ test programs (ctest; each program runs under scripts/win/wine-run.sh),
#   2. every Node suite (test/**/*.test.js) under node.exe, against build-win/out.
# Both steps always run; the exit code is non-zero when either failed. The last line
# counts both: "windows: N passed, N failed, N skipped".
#   scripts/win/test.sh [--no-build] [--no-cpp] [node --test options...]
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/env.sh"
cd "$DESKPET_ROOT"

do_build=1
run_cpp=1
node_args=()
for a in "$@"; do
  case "$a" in
    --no-build) do_build=0 ;;
    --no-cpp) run_cpp=0 ;;
    *) node_args+=("$a") ;;
  esac
done

phase_start=$SECONDS
timings=()
phase_done() {
  timings+=("$1 $((SECONDS - phase_start)) s;")
  phase_start=$SECONDS
}

if [ "$do_build" = 1 ]; then
  build_opts=()
  [ "$run_cpp" = 1 ] || build_opts+=(--no-tests)
  bash "$DESKPET_WIN_SCRIPTS/build.sh" "${build_opts[@]}" || exit 1
  phase_done "install and build:"
fi

deskpet_ensure_wine_prefix
# One Wine server for the whole run, instead of one per program; stopped at exit.
"$DESKPET_WINESERVER" -p
trap '"$DESKPET_WINESERVER" -k >/dev/null 2>&1 || true' EXIT
# The first program of a server session also starts Wine's own services, which can
# take seconds; ctest gives a GoogleTest program 5 s to list its tests.
"$DESKPET_WINE" cmd.exe /c exit >/dev/null 2>&1 || true
phase_done "Wine prefix:"

failed=0
cpp_pass=0
cpp_fail=0
if [ "$run_cpp" = 1 ]; then
  echo "== C++ test programs under Wine"
  cpp_log="$DESKPET_WIN_DIR/cpp-tests.log"
  ctest --test-dir "$DESKPET_WIN_DIR/cmake" --output-on-failure --timeout 600 2>&1 | tee "$cpp_log"
  [ "${PIPESTATUS[0]}" = 0 ] || failed=1
  phase_done "C++ tests:"
  # "100% tests passed, 0 tests failed out of 126"
  summary="$(grep -E '^[0-9]+% tests passed, [0-9]+ tests failed out of [0-9]+' "$cpp_log" | tail -n 1)"
  if [ -n "$summary" ]; then
    cpp_fail="$(sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\1/' <<<"$summary")"
    cpp_pass=$(( $(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$summary") - cpp_fail ))
  fi
fi

# Windows node.exe cannot write to a pipe that Wine hands it from Linux (EBADF), so
# the run writes to a file, which is printed afterwards.
echo "== Node suites under Windows Node.js $DESKPET_NODE_WIN_VERSION (Wine)"
log="$DESKPET_WIN_DIR/node-tests.log"
DESKPET_NATIVE_DIR="$(deskpet_windows_path "$DESKPET_WIN_DIR/out")" \
  "$DESKPET_WINE" "$DESKPET_NODE_EXE" scripts/test.js --skip-cpp "${node_args[@]}" > "$log" 2>&1
node_status=$?
phase_done "Node suites:"
cat "$log"
[ "$node_status" = 0 ] || failed=1

pass="$(sed -n 's/^# pass \([0-9]*\)$/\1/p' "$log" | tail -n 1)"
fail="$(sed -n 's/^# fail \([0-9]*\)$/\1/p' "$log" | tail -n 1)"
skipped="$(sed -n 's/^# skipped \([0-9]*\)$/\1/p' "$log" | tail -n 1)"
echo "Time taken: ${timings[*]}"
echo "C++ tests under Wine: $cpp_pass passed, $cpp_fail failed"
echo "Node suites under Wine: ${pass:-0} passed, ${fail:-0} failed, ${skipped:-0} skipped (exit $node_status)"
echo "windows: $((cpp_pass + ${pass:-0})) passed, $((cpp_fail + ${fail:-0})) failed, ${skipped:-0} skipped"
exit "$failed"
