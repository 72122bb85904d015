// Parsing of JSON text handed to the engine (corpora, configuration updates).
#pragma once

#include <charconv>
#include <cstdint>
#include <new>
#include <string>
#include <string_view>

#include "deskpet/json_syntax_error.h"
#include "norvik.h"
#include "simdjson.h"

namespace norvik {

// Parses `json` with `parser` into `root`, which stays valid as long as `parser`
// does. Malformed JSON (or invalid UTF-8) is NORVIK_BAD_INPUT, with `error`
// naming the line, the column and the fault.
inline int32_t parseJsonDocument(std::string_view json, simdjson::dom::parser& parser, simdjson::dom::element& root,
                                 std::string& error) {
  const simdjson::padded_string padded(json.data(), json.size());
  // simdjson reports a failed allocation instead of throwing; so does the engine.
  if (padded.data() == nullptr) throw std::bad_alloc();
  const simdjson::error_code code = parser.parse(padded).get(root);
  if (code == simdjson::SUCCESS) return NORVIK_OK;
  if (code == simdjson::MEMALLOC) throw std::bad_alloc();
  if (const auto fault = deskpet::findJsonSyntaxError(json)) {
    error = "malformed JSON at " + fault->describe();
  } else {
    error = std::string("malformed JSON (") + simdjson::error_message(code) + ")";
  }
  return NORVIK_BAD_INPUT;
}

// What a JSON value is, for error texts: a number as its shortest text, else
// its kind ("a string", "an array", ...).
inline std::string describeJsonValue(const simdjson::dom::element& value) {
  double number = 0;
  int64_t integer = 0;
  uint64_t unsignedInteger = 0;
  if (value.get_int64().get(integer) == simdjson::SUCCESS) return std::to_string(integer);
  if (value.get_uint64().get(unsignedInteger) == simdjson::SUCCESS) return std::to_string(unsignedInteger);
  if (value.get_double().get(number) == simdjson::SUCCESS) {
    char text[64];
    const auto end = std::to_chars(text, text + sizeof text, number);
    return std::string(text, end.ptr);
  }
  switch (value.type()) {
    case simdjson::dom::element_type::STRING:
      return "a string";
    case simdjson::dom::element_type::BOOL:
      return "a boolean";
    case simdjson::dom::element_type::NULL_VALUE:
      return "null";
    case simdjson::dom::element_type::ARRAY:
      return "an array";
    case simdjson::dom::element_type::OBJECT:
      return "an object";
    default:
      return "another value";
  }
}

}  // namespace norvik
