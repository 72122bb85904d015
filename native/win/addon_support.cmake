# Windows-only parts of every Node-API addon. Included by cmake/WindowsNodeApi.cmake at
# the end of the top-level directory, once NodeApi.cmake has located the .def files.
set(win_source_dir "${CMAKE_CURRENT_LIST_DIR}")
set(win_binary_dir "${CMAKE_BINARY_DIR}/native/win")
file(MAKE_DIRECTORY "${win_binary_dir}")

# Delay-load import library naming node.exe as the provider of every function in
# node-api-headers' node_api.def (which includes the js_native_api functions).
set(node_api_def "${NODE_API_DEF_DIR}/node_api.def")
set(node_api_delayimp "${win_binary_dir}/libnode_api_delayimp.a")
# dlltool names its helper symbols after the output path, so it writes a bare file
# name in the output folder: the symbols are then the same wherever the tree is.
add_custom_command(
  OUTPUT "${node_api_delayimp}"
  COMMAND "${DESKPET_MINGW_DLLTOOL}" --input-def "${node_api_def}" --dllname node.exe
          --output-delaylib libnode_api_delayimp.a
  WORKING_DIRECTORY "${win_binary_dir}"
  DEPENDS "${node_api_def}"
  COMMENT "Delay-load import library for the Node-API functions of node.exe"
  VERBATIM)
add_custom_target(deskpet_node_api_delayimp_file DEPENDS "${node_api_delayimp}")
add_library(deskpet_node_api_delayimp STATIC IMPORTED GLOBAL)
set_target_properties(deskpet_node_api_delayimp PROPERTIES IMPORTED_LOCATION "${node_api_delayimp}")
add_dependencies(deskpet_node_api_delayimp deskpet_node_api_delayimp_file)

# The hook is linked as object files, not from an archive: the runtime's default
# (null) hook lives in libmingwex.a, and only an object already in the link replaces it.
add_library(deskpet_delay_load_hook OBJECT
  "${win_source_dir}/delay_load_hook.cpp" "${win_source_dir}/node_api_provider.cpp")
deskpet_warnings(deskpet_delay_load_hook)

if(DESKPET_BUILD_TESTS)
  include("${win_source_dir}/test/probe_tests.cmake")
endif()
include("${win_source_dir}/runtime_dll_lists.cmake")
