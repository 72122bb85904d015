#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer into
# build-asan/ and runs the whole test suite against it:
#   - the C++ unit tests, with LeakSanitizer on (their own allocations must all
#     be released);
#   - every Node suite, loading the sanitized modules from build-asan/out with
#     the sanitizer runtimes preloaded into node. Node itself is not built with
#     the sanitizers and keeps memory until exit by design, so leak checking is
#     off there; scripts/leak-check.sh checks the modules' own allocations.
# Any sanitizer report fails the run (undefined behaviour aborts).
#
#   scripts/test-asan.sh [--skip-build]
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir=build-asan/cmake
# Absolute: llm_bridge switches the working directory while it loads a model,
# and worker threads resolve the module folder when they start.
out_dir="$PWD/build-asan/out"

if [ "${1:-}" != "--skip-build" ]; then
  node scripts/build.js --build-dir "$build_dir" --output-dir "$out_dir" -- \
    -DDESKPET_SANITIZE=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDESKPET_BUILD_TESTS=ON -DDESKPET_BUILD_BENCH=OFF
fi

common_asan="abort_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1:check_initialization_order=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

echo "== C++ unit tests (ASan, UBSan, LSan)"
ASAN_OPTIONS="$common_asan:detect_leaks=1" \
  ctest --test-dir "$build_dir" --output-on-failure --timeout 900 -j2

echo "== Node suites against $out_dir (ASan, UBSan preloaded)"
asan_runtime="$(g++ -print-file-name=libasan.so)"
ubsan_runtime="$(g++ -print-file-name=libubsan.so)"
for runtime in "$asan_runtime" "$ubsan_runtime"; do
  if [ ! -e "$runtime" ]; then
    echo "test-asan: sanitizer runtime $runtime not found (install g++ with libasan/libubsan)" >&2
    exit 1
  fi
done
# node's own allocator pairing and leaks are not ours to judge:
# alloc_dealloc_mismatch and detect_leaks are off for the node process.
LD_PRELOAD="$asan_runtime $ubsan_runtime" \
  ASAN_OPTIONS="$common_asan:detect_leaks=0:alloc_dealloc_mismatch=0" \
  DESKPET_NATIVE_DIR="$out_dir" \
  node scripts/test.js --skip-cpp
