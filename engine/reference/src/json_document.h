// Parsing of JSON text handed to the engine (corpora, configuration updates).
#pragma once

#include <string>
#include <string_view>

#include "result_codes.h"
#include "simdjson.h"

namespace norvik {

// Parses `json` with `parser` into `root`, which stays valid as long as `parser`
// does. Malformed JSON (or invalid UTF-8) is a file-or-JSON error.
inline ResultCode parseJsonDocument(std::string_view json, simdjson::dom::parser& parser, simdjson::dom::element& root,
                                    std::string& error) {
  const simdjson::padded_string padded(json.data(), json.size());
  if (parser.parse(padded).get(root) != simdjson::SUCCESS) {
    error = "malformed JSON";
    return kFileOrJsonError;
  }
  return kOk;
}

}  // namespace norvik
