# Cross build for Windows x86-64 with Debian's MinGW-w64 toolchain (the "posix"
# thread model, so that std::thread and std::mutex work).
#   cmake -S . -B build-win/cmake -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-w64.cmake
# scripts/win/build.sh drives this; scripts/win/install-deps.sh installs the toolchain.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(DESKPET_MINGW_TRIPLE x86_64-w64-mingw32)
find_program(CMAKE_C_COMPILER NAMES ${DESKPET_MINGW_TRIPLE}-gcc-posix REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${DESKPET_MINGW_TRIPLE}-g++-posix REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${DESKPET_MINGW_TRIPLE}-windres)
find_program(DESKPET_MINGW_DLLTOOL NAMES ${DESKPET_MINGW_TRIPLE}-dlltool REQUIRED)
find_program(DESKPET_MINGW_OBJDUMP NAMES ${DESKPET_MINGW_TRIPLE}-objdump)

# Libraries and headers come from the MinGW sysroot only; programs (node, dlltool)
# from the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${DESKPET_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Link the C++ runtime, libgcc and winpthread statically into every DLL and program,
# so that the modules and the engine need no DLL beyond the system's and the host's.
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Test programs built here run under Wine (see scripts/win/wine-run.sh).
if(NOT DEFINED CMAKE_CROSSCOMPILING_EMULATOR)
  get_filename_component(CMAKE_CROSSCOMPILING_EMULATOR
    "${CMAKE_CURRENT_LIST_DIR}/../scripts/win/wine-run.sh" ABSOLUTE)
endif()
# GoogleTest programs are listed when ctest runs them under Wine, not while building,
# so that a build needs no Wine.
set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)
