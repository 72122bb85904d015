# Checks of the delay-load hook with the real Windows loader (run under Wine by
# scripts/win/test.sh). Each scenario is its own process, because a delay-loaded
# import is bound once per process.
set(probe_source_dir "${CMAKE_CURRENT_LIST_DIR}")
set(probe_dir "${CMAKE_BINARY_DIR}/native/win/probe")

# Stand-in for an embedding host's libnode.dll: provides one Node-API function.
add_library(deskpet_fake_libnode SHARED "${probe_source_dir}/fake_libnode.cpp")
set_target_properties(deskpet_fake_libnode PROPERTIES
  PREFIX "" OUTPUT_NAME libnode RUNTIME_OUTPUT_DIRECTORY "${probe_dir}")

# An addon built exactly like the real ones: Node-API from node.exe, delay-loaded.
add_library(deskpet_delay_load_probe MODULE "${probe_source_dir}/probe_addon.cpp")
target_link_libraries(deskpet_delay_load_probe PRIVATE node_api)
deskpet_windows_node_api(deskpet_delay_load_probe)
deskpet_warnings(deskpet_delay_load_probe)
set_target_properties(deskpet_delay_load_probe PROPERTIES
  PREFIX "" OUTPUT_NAME delay_load_probe LIBRARY_OUTPUT_DIRECTORY "${probe_dir}")

# The host: an executable not named node.exe that provides the same function.
add_executable(deskpet_delay_load_host "${probe_source_dir}/probe_host.cpp"
  "${probe_source_dir}/../node_api_provider.cpp")
target_include_directories(deskpet_delay_load_host PRIVATE "${probe_source_dir}/..")
deskpet_warnings(deskpet_delay_load_host)
set_target_properties(deskpet_delay_load_host PROPERTIES
  OUTPUT_NAME delay_load_host RUNTIME_OUTPUT_DIRECTORY "${probe_dir}")
add_dependencies(deskpet_delay_load_host deskpet_fake_libnode deskpet_delay_load_probe)

foreach(scenario names host libnode)
  add_test(NAME win_delay_load_hook_${scenario}
           COMMAND deskpet_delay_load_host ${scenario}
           WORKING_DIRECTORY "${probe_dir}")
endforeach()
