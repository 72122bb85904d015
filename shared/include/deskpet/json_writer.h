// A streaming writer of compact JSON text. Strings are escaped so that the
// result always parses: '"' and '\' are escaped, control bytes too, well-formed
// UTF-8 passes through unchanged and every byte that is not part of a
// well-formed sequence becomes U+FFFD. Keys are escaped like strings.
#pragma once

#include <charconv>
#include <cmath>
#include <string>
#include <string_view>
#include <vector>

#include "deskpet/utf8.h"

namespace deskpet {

// How control bytes are written: \n \r \t \b \f where JSON has a short form and
// \u00XX for the rest, or \u00XX for all of them.
enum class ControlEscapes { kShortForms, kUnicodeOnly };

class JsonWriter {
 public:
  explicit JsonWriter(ControlEscapes escapes = ControlEscapes::kShortForms) : escapes_(escapes) {}

  JsonWriter& beginObject() { return open('{'); }
  JsonWriter& endObject() { return close('}'); }
  JsonWriter& beginArray() { return open('['); }
  JsonWriter& endArray() { return close(']'); }

  JsonWriter& key(std::string_view name) {
    beforeValue();
    appendEscaped(name);
    out_ += ':';
    afterKey_ = true;
    return *this;
  }

  JsonWriter& string(std::string_view text) {
    beforeValue();
    appendEscaped(text);
    return *this;
  }

  JsonWriter& boolean(bool value) { return number(value ? "true" : "false"); }
  JsonWriter& null() { return number("null"); }
  JsonWriter& integer(long long value) { return number(std::to_string(value)); }

  // Text that is already a JSON number (or literal), written as it is.
  JsonWriter& number(std::string_view text) {
    beforeValue();
    out_ += text;
    return *this;
  }

  // Fixed notation with six decimals; a non-finite value is written as 0.
  JsonWriter& numberFixed(double value) {
    char buffer[400];  // the largest double has 309 integer digits
    const auto end =
        std::to_chars(buffer, buffer + sizeof buffer, std::isfinite(value) ? value : 0.0, std::chars_format::fixed, 6);
    return number(std::string_view(buffer, static_cast<std::size_t>(end.ptr - buffer)));
  }

  // The shortest text that reads back as the same double; a non-finite value as 0.
  JsonWriter& numberShortest(double value) {
    char buffer[64];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, std::isfinite(value) ? value : 0.0);
    return number(std::string_view(buffer, static_cast<std::size_t>(end.ptr - buffer)));
  }

  const std::string& text() const { return out_; }
  std::string take() { return std::move(out_); }

 private:
  JsonWriter& open(char bracket) {
    beforeValue();
    out_ += bracket;
    containerIsEmpty_.push_back(true);
    return *this;
  }

  JsonWriter& close(char bracket) {
    out_ += bracket;
    containerIsEmpty_.pop_back();
    return *this;
  }

  // A comma before every value of a container but the first; none after a key.
  void beforeValue() {
    if (afterKey_) {
      afterKey_ = false;
      return;
    }
    if (containerIsEmpty_.empty()) return;
    if (!containerIsEmpty_.back()) out_ += ',';
    containerIsEmpty_.back() = false;
  }

  void appendControl(unsigned char byte) {
    if (escapes_ == ControlEscapes::kShortForms) {
      static constexpr char kShort[] = "btn\0fr";  // \b \t \n (\v has none) \f \r, from 0x08
      if (byte >= 0x08 && byte <= 0x0D && kShort[byte - 0x08] != '\0') {
        out_ += '\\';
        out_ += kShort[byte - 0x08];
        return;
      }
    }
    static constexpr char kHex[] = "0123456789abcdef";
    out_ += "\\u00";
    out_ += kHex[byte >> 4];
    out_ += kHex[byte & 0x0F];
  }

  void appendEscaped(std::string_view text) {
    out_ += '"';
    for (std::size_t pos = 0; pos < text.size();) {
      const auto byte = static_cast<unsigned char>(text[pos]);
      if (byte == '"' || byte == '\\') {
        out_ += '\\';
        out_ += static_cast<char>(byte);
        ++pos;
      } else if (byte < 0x20) {
        appendControl(byte);
        ++pos;
      } else if (byte < 0x80) {
        out_ += static_cast<char>(byte);
        ++pos;
      } else if (const std::size_t length = utf8SequenceLength(text, pos); length > 0) {
        out_.append(text.substr(pos, length));
        pos += length;
      } else {
        out_ += "\xEF\xBF\xBD";  // U+FFFD
        ++pos;
      }
    }
    out_ += '"';
  }

  ControlEscapes escapes_;
  std::string out_;
  std::vector<bool> containerIsEmpty_;  // one entry per open container
  bool afterKey_ = false;
};

}  // namespace deskpet
