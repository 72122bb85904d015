#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace ov {
namespace genai {
namespace scripted {

// Builds compact JSON text. Strings are escaped so that the result always
// parses: '"' and '\' are escaped, control bytes are written as \u00XX,
// well-formed UTF-8 passes through as it is, and every byte that is not part of
// a well-formed UTF-8 sequence becomes U+FFFD.
class JsonWriter {
 public:
  JsonWriter& beginObject();
  JsonWriter& endObject();
  JsonWriter& key(std::string_view name);
  JsonWriter& string(std::string_view text);
  // A number already formatted as JSON number text.
  JsonWriter& number(std::string_view numberText);
  JsonWriter& boolean(bool value);
  JsonWriter& null();

  const std::string& text() const { return out_; }

 private:
  void beforeValue();
  void appendEscaped(std::string_view text);

  std::string out_;
  std::vector<bool> containerIsEmpty_;
  bool afterKey_ = false;
};

}  // namespace scripted
}  // namespace genai
}  // namespace ov
