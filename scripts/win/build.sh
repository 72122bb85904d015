#!/usr/bin/env bash
# Cross-builds deskpet-native for Windows x86-64 into build-win/:
#   build-win/out/Release/{llm_bridge.node,intent_bridge.node,norvik.dll}
#   build-win/out/scripted/{intent_bridge.node,norvik.dll}
# plus the C++ test programs in build-win/cmake (run under Wine by test.sh).
#   scripts/win/build.sh [--no-tests | --modules-only] [--tree DIR] [extra cmake -D options...]
# --no-tests leaves out the C++ tests (no GoogleTest) but keeps the scripted engine
# that the Node suites use; --modules-only builds what users get: Release/ alone.
# --tree DIR puts the CMake tree in DIR/cmake and the outputs in DIR/out.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/env.sh"
cd "$DESKPET_ROOT"

build_tests=ON
test_engine=ON
tree="$DESKPET_WIN_DIR"
cmake_args=()
while [ "$#" -gt 0 ]; do
  case "$1" in
    --no-tests) build_tests=OFF ;;
    --modules-only) build_tests=OFF test_engine=OFF ;;
    --tree) tree="$2"; shift ;;
    *) cmake_args+=("$1") ;;
  esac
  shift
done

bash "$DESKPET_WIN_SCRIPTS/install-deps.sh"

# Headers and sources from npm (node-api-headers, node-addon-api, simdjson) without
# running the package's own install step, which would build for Linux.
if [ ! -d node_modules/node-api-headers ]; then
  npm ci --ignore-scripts --no-audit --no-fund
fi

toolchain="$DESKPET_ROOT/cmake/toolchain-mingw-w64.cmake"
if [ "$build_tests" = ON ]; then
  # GoogleTest for MinGW, from the sources Debian's libgtest-dev ships.
  gtest_prefix="$DESKPET_WIN_DIR/googletest"
  if [ ! -f "$gtest_prefix/lib/cmake/GTest/GTestConfig.cmake" ]; then
    cmake -S /usr/src/googletest -B "$DESKPET_WIN_DIR/googletest-build" \
      -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_INSTALL_PREFIX="$gtest_prefix" -DCMAKE_INSTALL_MESSAGE=NEVER -DBUILD_GMOCK=ON
    cmake --build "$DESKPET_WIN_DIR/googletest-build" --parallel 2
    cmake --install "$DESKPET_WIN_DIR/googletest-build"
  fi
  cmake_args+=("-DGTest_DIR=$gtest_prefix/lib/cmake/GTest")
fi

node scripts/build.js --build-dir "$tree/cmake" --output-dir "$tree/out" -- \
  "-DCMAKE_TOOLCHAIN_FILE=$toolchain" -DDESKPET_BUILD_BENCH=OFF \
  "-DDESKPET_BUILD_TESTS=$build_tests" "-DDESKPET_BUILD_TEST_ENGINE=$test_engine" "${cmake_args[@]}"
