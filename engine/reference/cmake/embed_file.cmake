# Writes a C++ source that holds the bytes of INPUT as an array and defines
#   std::string_view <NAMESPACE>::<FUNCTION>()
# returning them. Run as: cmake -DINPUT=... -DOUTPUT=... -DNAMESPACE=... -DFUNCTION=... -P embed_file.cmake
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" hexLength)
math(EXPR byteCount "${hexLength} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
# Break the array into lines of 32 bytes to keep the generated file readable.
string(REGEX REPLACE "((0x[0-9a-f][0-9a-f],){32})" "\\1\n  " bytes "${bytes}")
get_filename_component(inputName "${INPUT}" NAME)
file(WRITE "${OUTPUT}.tmp"
"// Generated from ${inputName} at build time; do not edit.\n"
"#include <string_view>\n\n"
"namespace ${NAMESPACE} {\n\n"
"namespace {\n"
"const unsigned char kBytes[${byteCount} + 1] = {\n  ${bytes}0x00};\n"
"}  // namespace\n\n"
"std::string_view ${FUNCTION}() {\n"
"  return std::string_view(reinterpret_cast<const char*>(kBytes), ${byteCount});\n"
"}\n\n"
"}  // namespace ${NAMESPACE}\n")
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
