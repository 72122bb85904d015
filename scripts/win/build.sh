#!/usr/bin/env bash
# Cross-builds deskpet-native for Windows x86-64 into build-win/:
#   build-win/out/Release/{llm_bridge.node,intent_bridge.node,norvik.dll}
#   build-win/out/scripted/{intent_bridge.node,norvik.dll}
# plus the C++ test programs in build-win/cmake (run under Wine by test.sh).
#   scripts/win/build.sh [--no-tests] [extra cmake -D options...]
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/env.sh"
cd "$DESKPET_ROOT"

build_tests=ON
cmake_args=()
for a in "$@"; do
  case "$a" in
    --no-tests) build_tests=OFF ;;
    *) cmake_args+=("$a") ;;
  esac
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

node scripts/build.js --build-dir "$DESKPET_WIN_DIR/cmake" --output-dir "$DESKPET_WIN_DIR/out" -- \
  "-DCMAKE_TOOLCHAIN_FILE=$toolchain" -DDESKPET_BUILD_BENCH=OFF \
  "-DDESKPET_BUILD_TESTS=$build_tests" "${cmake_args[@]}"
