# simdjson (npm package @nozbe/simdjson: the library's single-header amalgamation)
# parses every JSON file that the stand-ins and the reference engine read.
deskpet_resolve_npm_dir(SIMDJSON_DIR @nozbe/simdjson)
add_library(simdjson STATIC "${SIMDJSON_DIR}/src/simdjson.cpp")
target_include_directories(simdjson SYSTEM PUBLIC "${SIMDJSON_DIR}/src")
set_target_properties(simdjson PROPERTIES POSITION_INDEPENDENT_CODE ON)
# The amalgamation is large; keep it optimised even in debug builds.
target_compile_options(simdjson PRIVATE -O2 -w)
