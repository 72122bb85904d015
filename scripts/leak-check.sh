#!/usr/bin/env bash
# Leak check of both modules and both engines under LeakSanitizer.
#
#   scripts/leak-check.sh [--skip-build] [rounds]     (default 2000 rounds)
#
# test/hardening/leaks/leak_driver.js calls every function of llm_bridge and
# intent_bridge (on the reference and on the scripted engine), on their success
# and failure paths, once or more per round, each part in a process of its own.
# Every part is run three times, with the sanitized build of build-asan/ (built
# as scripts/test-asan.sh does):
#   1. <rounds> rounds, plain LeakSanitizer: no memory allocated by the
#      project's code may be unreachable at exit. The one deliberate exception,
#      the pipeline forgotten after an environment teardown, is suppressed by
#      name in test/hardening/leaks/lsan.supp.
#   2. and 3. <rounds>/10 and <rounds> rounds with globals not scanned, so that
#      memory still held through globals counts too: what the project's code
#      holds at exit must not grow with the number of calls.
# Leaks of node itself are reported by the parser but not judged.
set -euo pipefail
cd "$(dirname "$0")/.."

skip_build=no
if [ "${1:-}" = "--skip-build" ]; then
  skip_build=yes
  shift
fi
rounds="${1:-2000}"
few=$(( rounds / 10 > 0 ? rounds / 10 : 1 ))
# Absolute: llm_bridge switches the working directory while it loads a model,
# and worker threads resolve the module folder when they start.
out_dir="$PWD/build-asan/out"
reports=build-asan/leak-reports
driver=test/hardening/leaks/leak_driver.js
parser=test/hardening/leaks/lsan_report.js

if [ "$skip_build" = no ]; then
  node scripts/build.js --build-dir build-asan/cmake --output-dir "$out_dir" -- \
    -DDESKPET_SANITIZE=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDESKPET_BUILD_TESTS=ON -DDESKPET_BUILD_BENCH=OFF
fi
mkdir -p "$reports"

asan_runtime="$(g++ -print-file-name=libasan.so)"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

# run <part> <rounds> <name> [extra LSan options]: the part's LSan report goes to
# $reports/<name>.txt; the driver's own failures stop the check.
run() {
  local part="$1" count="$2" name="$3" extra="${4:-}"
  LD_PRELOAD="$asan_runtime" DESKPET_NATIVE_DIR="$out_dir" \
    ASAN_OPTIONS="detect_leaks=1:alloc_dealloc_mismatch=0:abort_on_error=1" \
    LSAN_OPTIONS="exitcode=0:suppressions=$PWD/test/hardening/leaks/lsan.supp:print_suppressions=1$extra" \
    node "$driver" "$part" "$count" >/dev/null 2>"$reports/$name.txt" || {
      echo "leak-check: the $part driver failed; see $reports/$name.txt" >&2
      tail -20 "$reports/$name.txt" >&2
      exit 1
    }
}

field() { node -e "process.stdout.write(String(require('./$parser').projectLeaks(require('fs').readFileSync(process.argv[1], 'utf8'))[process.argv[2]]))" "$1" "$2"; }

# LeakSanitizer's tracer crashes (signal 11) while it scans the dynamic
# thread-local blocks of the process with the scripted engine loaded, so that
# part runs with thread-local storage left out of the roots: memory reachable
# only from there then counts as leaked, which makes the check stricter, never
# laxer.
tls_option() { [ "$1" = scripted ] && printf ':use_tls=0'; return 0; }

status=0
for part in reference scripted llm; do
  start=$SECONDS
  tls="$(tls_option "$part")"
  run "$part" "$rounds" "$part-unreachable" "$tls"
  run "$part" "$few" "$part-held-$few" ":use_globals=0$tls"
  run "$part" "$rounds" "$part-held-$rounds" ":use_globals=0$tls"

  unreachable=$(field "$reports/$part-unreachable.txt" bytes)
  held_few=$(field "$reports/$part-held-$few.txt" bytes)
  held_many=$(field "$reports/$part-held-$rounds.txt" bytes)
  suppressed=$(sed -n 's/^ *\([0-9]*\) *\([0-9]*\) llm_bridge::loadPipeline$/\2 bytes in \1 allocations/p' \
    "$reports/$part-unreachable.txt")
  printf '%-9s unreachable: %s bytes; held at exit after %s rounds: %s bytes, after %s rounds: %s bytes; %ss%s\n' \
    "$part" "$unreachable" "$few" "$held_few" "$rounds" "$held_many" "$((SECONDS - start))" \
    "${suppressed:+; suppressed (pipeline forgotten after teardown): $suppressed}"
  if [ "$unreachable" != 0 ]; then
    status=1
    echo "leak-check: $part leaks:" >&2
    node "$parser" "$reports/$part-unreachable.txt" >&2
  fi
  if [ "$held_few" != "$held_many" ]; then
    status=1
    echo "leak-check: $part holds more memory after more calls:" >&2
    node "$parser" "$reports/$part-held-$rounds.txt" >&2
  fi
done

if [ "$status" = 0 ]; then echo "leak-check: no leaks and no growth"; fi
exit "$status"
