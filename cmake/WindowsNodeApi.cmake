# Node-API on Windows (MinGW-w64 builds).
#
# A Node-API addon on Windows imports its napi_* functions from the host. The addons
# of this project link a DELAY-LOAD import library for "node.exe" made from the
# node-api-headers package's .def file: nothing is bound when the addon is loaded,
# and on the first call of a Node-API function the delay-load hook of
# native/win/delay_load_hook.cpp answers the request for "node.exe" with the module
# that really provides Node-API (an embedded libnode.dll, else the host executable).
#
# deskpet_windows_node_api(<target>), called by deskpet_add_node_module on WIN32,
# links both into an addon. The C++ runtime is linked statically by the toolchain
# file's -static, so an addon needs only system DLLs and the host at run time.
if(NOT MINGW)
  message(FATAL_ERROR "The Windows build of deskpet-native supports the MinGW-w64 toolchain "
                      "only (cmake/toolchain-mingw-w64.cmake).")
endif()
if(CMAKE_VERSION VERSION_LESS 3.21)
  message(FATAL_ERROR "The Windows build of deskpet-native needs CMake 3.21 or later.")
endif()

if(NOT DESKPET_MINGW_DLLTOOL)
  get_filename_component(_deskpet_compiler_name "${CMAKE_CXX_COMPILER}" NAME)
  string(REGEX REPLACE "-g\\+\\+.*$" "" _deskpet_triple "${_deskpet_compiler_name}")
  find_program(DESKPET_MINGW_DLLTOOL NAMES ${_deskpet_triple}-dlltool dlltool REQUIRED)
endif()

function(deskpet_windows_node_api target)
  # Both targets are defined by native/win/addon_support.cmake, included at the end of
  # the top-level directory (once NodeApi.cmake has located the .def files); target
  # names are resolved when the build is generated.
  target_link_libraries(${target} PRIVATE deskpet_delay_load_hook deskpet_node_api_delayimp)
  # Every symbol of an addon must be resolved at link time: a Windows DLL cannot
  # leave a name for the host to supply later.
  target_link_options(${target} PRIVATE -Wl,--no-undefined)
endfunction()

cmake_language(DEFER DIRECTORY "${CMAKE_SOURCE_DIR}"
  CALL include "${CMAKE_SOURCE_DIR}/native/win/addon_support.cmake")
