# Windows programs find the DLLs they import in their own folder or on PATH; there
# is no run path. For every program of the build this writes <program>.exe.dlls, the
# DLLs of the project that it imports, one path a line; scripts/win/wine-run.sh puts
# their folders on the program's PATH. So a test program runs against the very DLL
# it was linked with (the scripted or the reference norvik.dll) without copies.
function(_deskpet_write_runtime_dll_lists dir)
  get_property(targets DIRECTORY "${dir}" PROPERTY BUILDSYSTEM_TARGETS)
  foreach(target IN LISTS targets)
    get_target_property(type ${target} TYPE)
    if(type STREQUAL "EXECUTABLE")
      file(GENERATE OUTPUT "$<TARGET_FILE:${target}>.dlls"
           CONTENT "$<JOIN:$<TARGET_RUNTIME_DLLS:${target}>,\n>\n")
    endif()
  endforeach()
  get_property(children DIRECTORY "${dir}" PROPERTY SUBDIRECTORIES)
  foreach(child IN LISTS children)
    _deskpet_write_runtime_dll_lists("${child}")
  endforeach()
endfunction()

_deskpet_write_runtime_dll_lists("${CMAKE_SOURCE_DIR}")
