#include "any_encoding.hpp"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <string>
#include <system_error>

namespace ov {
namespace genai {
namespace scripted {
namespace {

template <typename Floating>
void writeFloating(JsonWriter& json, Floating value) {
  if (!std::isfinite(value)) {
    json.null();
    return;
  }
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  if (result.ec != std::errc()) {
    json.null();
    return;
  }
  json.number(std::string_view(buffer, static_cast<size_t>(result.ptr - buffer)));
}

void writeValue(JsonWriter& json, const ov::Any& value) {
  if (value.is<size_t>()) {
    json.number(std::to_string(value.as<size_t>()));
  } else if (value.is<int>()) {
    json.number(std::to_string(value.as<int>()));
  } else if (value.is<int64_t>()) {
    json.number(std::to_string(value.as<int64_t>()));
  } else if (value.is<float>()) {
    writeFloating(json, value.as<float>());
  } else if (value.is<double>()) {
    writeFloating(json, value.as<double>());
  } else if (value.is<bool>()) {
    json.boolean(value.as<bool>());
  } else if (value.is<std::string>()) {
    json.string(value.as<std::string>());
  } else {
    json.null();
  }
}

}  // namespace

const char* anyTypeName(const ov::Any& value) {
  if (value.is<size_t>()) return "size_t";
  if (value.is<int>()) return "int";
  if (value.is<int64_t>()) return "int64_t";
  if (value.is<float>()) return "float";
  if (value.is<double>()) return "double";
  if (value.is<bool>()) return "bool";
  if (value.is<std::string>()) return "string";
  return "other";
}

void writeTypedAny(JsonWriter& json, const ov::Any& value) {
  json.beginObject();
  json.key("type").string(anyTypeName(value));
  json.key("value");
  writeValue(json, value);
  json.endObject();
}

void writeTypedAnyMap(JsonWriter& json, const ov::AnyMap& map) {
  json.beginObject();
  for (const auto& [name, value] : map) {
    json.key(name);
    writeTypedAny(json, value);
  }
  json.endObject();
}

}  // namespace scripted
}  // namespace genai
}  // namespace ov
