# Node-API headers come from the npm packages node-api-headers (C API) and
# node-addon-api (C++ wrapper); nothing is downloaded at build time.
find_program(NODE_EXECUTABLE NAMES node nodejs REQUIRED)

function(deskpet_resolve_npm_dir out package)
  execute_process(
    COMMAND "${NODE_EXECUTABLE}" -p "require('path').dirname(require.resolve('${package}/package.json'))"
    WORKING_DIRECTORY "${CMAKE_SOURCE_DIR}"
    OUTPUT_VARIABLE dir OUTPUT_STRIP_TRAILING_WHITESPACE
    RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0 OR NOT IS_DIRECTORY "${dir}")
    message(FATAL_ERROR "npm package '${package}' not found; run 'npm install' in ${CMAKE_SOURCE_DIR} first")
  endif()
  set(${out} "${dir}" PARENT_SCOPE)
endfunction()

deskpet_resolve_npm_dir(NODE_API_HEADERS_DIR node-api-headers)
deskpet_resolve_npm_dir(NODE_ADDON_API_DIR node-addon-api)
set(NODE_API_DEF_DIR "${NODE_API_HEADERS_DIR}/def" CACHE INTERNAL "")

add_library(node_api INTERFACE)
target_include_directories(node_api SYSTEM INTERFACE
  "${NODE_API_HEADERS_DIR}/include" "${NODE_ADDON_API_DIR}")
target_compile_definitions(node_api INTERFACE
  NAPI_VERSION=8
  NAPI_DISABLE_CPP_EXCEPTIONS
  NODE_ADDON_API_DISABLE_DEPRECATED)

# deskpet_add_node_module(target OUTPUT_DIR dir SOURCES ...)
# A Node-API addon: a shared library named <target>.node whose Node-API symbols
# are resolved from the host process when it is loaded.
function(deskpet_add_node_module target)
  cmake_parse_arguments(ARG "" "OUTPUT_DIR" "SOURCES" ${ARGN})
  add_library(${target} MODULE ${ARG_SOURCES})
  target_link_libraries(${target} PRIVATE node_api)
  deskpet_warnings(${target})
  set_target_properties(${target} PROPERTIES
    PREFIX ""
    SUFFIX ".node"
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON
    LIBRARY_OUTPUT_DIRECTORY "${ARG_OUTPUT_DIR}"
    BUILD_RPATH "$ORIGIN"
    INSTALL_RPATH "$ORIGIN")
  if(WIN32)
    deskpet_windows_node_api(${target})
  endif()
endfunction()

if(NOT COMMAND deskpet_windows_node_api)
  function(deskpet_windows_node_api target)
    message(FATAL_ERROR "Windows Node-API binding is not configured for ${target}")
  endfunction()
endif()
