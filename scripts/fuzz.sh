#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ with clang and runs each one for a while.
#
#   scripts/fuzz.sh [seconds-per-target] [target ...]     (default 60 s, every target)
#
# Each target starts from its committed seeds (fuzz/corpus/<target>/) and keeps
# what it finds in build-fuzz/corpus/<target>/, so a later run goes on from
# there; the committed seeds are never written. A crash, a failed check, a leak
# or an input slower than 10 s stops the run, leaves the input in
# build-fuzz/artifacts/<target>/ and makes the script fail. A summary of
# executions per target is printed at the end.
#
# Replay one input:  build-fuzz/fuzz_<target> build-fuzz/artifacts/<target>/crash-...
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${1:-60}"
shift || true
build="${DESKPET_FUZZ_BUILD_DIR:-build-fuzz}"

if ! command -v clang++ >/dev/null 2>&1 || ! command -v clang >/dev/null 2>&1; then
  echo "fuzz: clang and clang++ are needed (Debian package 'clang')." >&2
  exit 1
fi

cmake -S fuzz -B "$build" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$build" --parallel 2

if [ "$#" -gt 0 ]; then
  targets=("$@")
else
  targets=()
  for dir in fuzz/corpus/*/; do targets+=("$(basename "$dir")"); done
fi

dict_for() {
  case "$1" in
    engine_route|engine_similarity) echo "fuzz/dict/query.dict" ;;
    *) echo "fuzz/dict/json.dict" ;;
  esac
}

summary=()
status=0
for target in "${targets[@]}"; do
  program="$build/fuzz_$target"
  if [ ! -x "$program" ]; then
    echo "fuzz: no target '$target' ($program)" >&2
    exit 1
  fi
  work="$build/corpus/$target"
  artifacts="$build/artifacts/$target"
  log="$build/logs/$target.log"
  mkdir -p "$work" "$artifacts" "$(dirname "$log")"
  echo "== fuzz_$target for ${seconds}s"
  set +e
  "$program" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -dict="$(dict_for "$target")" -artifact_prefix="$artifacts/" \
    "$work" "fuzz/corpus/$target" >"$log" 2>&1
  rc=$?
  set -e
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  corpus=$(ls "$work" | wc -l)
  if [ "$rc" -ne 0 ]; then
    status=1
    echo "fuzz_$target FAILED (exit $rc); input and log: $artifacts/, $log" >&2
    grep -m1 -E 'ERROR|fuzz check failed|runtime error|SUMMARY' "$log" >&2 || tail -20 "$log" >&2
    summary+=("$(printf '%-20s FAILED after %s executions' "$target" "${runs:-?}")")
  else
    summary+=("$(printf '%-20s %10s executions in %ss, %s inputs kept' "$target" "${runs:-?}" "$seconds" "$corpus")")
  fi
done

echo
echo "fuzz summary"
printf '  %s\n' "${summary[@]}"
exit "$status"
