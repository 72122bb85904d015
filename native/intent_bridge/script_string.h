// Script strings made from the UTF-8 bytes of an engine reply.
#pragma once

#include <node_api.h>

#include <string_view>

namespace intent_bridge {

// The string napi_create_string_utf8 makes from `bytes` (every byte, embedded
// NULs included; ill-formed UTF-8 replaced as the host replaces it), made the
// cheapest way that gives the same string: ASCII text as Latin-1, well-formed
// UTF-8 decoded here to UTF-16, anything else by napi_create_string_utf8
// itself. Null, with a script exception pending, when the host cannot make it.
napi_value makeScriptString(napi_env env, std::string_view bytes);

}  // namespace intent_bridge
