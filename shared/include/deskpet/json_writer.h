// A streaming writer of compact JSON text. Strings are escaped so that the
// result always parses: '"' and '\' are escaped, control bytes too, well-formed
// UTF-8 passes through unchanged and every byte that is not part of a
// well-formed sequence becomes U+FFFD. Keys are escaped like strings.
#pragma once

#include <charconv>
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "deskpet/utf8.h"

namespace deskpet {

// How control bytes are written: \n \r \t \b \f where JSON has a short form and
// \u00XX for the rest, or \u00XX for all of them.
enum class ControlEscapes { kShortForms, kUnicodeOnly };

class JsonWriter {
 public:
  explicit JsonWriter(ControlEscapes escapes = ControlEscapes::kShortForms) : escapes_(escapes) {}
  // Writes into `buffer`, emptied first: a buffer kept from an earlier text
  // keeps its capacity, so that a steady stream of replies allocates nothing.
  explicit JsonWriter(std::string buffer, ControlEscapes escapes = ControlEscapes::kShortForms)
      : escapes_(escapes), out_(std::move(buffer)) {
    out_.clear();
  }

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
  JsonWriter& integer(long long value) {
    char buffer[24];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value);
    return number(std::string_view(buffer, static_cast<std::size_t>(end.ptr - buffer)));
  }

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
    hasValue_ <<= 1;
    ++depth_;
    return *this;
  }

  JsonWriter& close(char bracket) {
    out_ += bracket;
    hasValue_ >>= 1;
    --depth_;
    return *this;
  }

  // A comma before every value of a container but the first; none after a key.
  void beforeValue() {
    if (afterKey_) {
      afterKey_ = false;
      return;
    }
    if (depth_ == 0) return;
    if (hasValue_ & 1) out_ += ',';
    hasValue_ |= 1;
  }

  // Bytes that stand for themselves in a JSON string: printable ASCII but the
  // quote and the backslash.
  static bool isPlainAscii(unsigned char byte) { return byte >= 0x20 && byte < 0x80 && byte != '"' && byte != '\\'; }

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
    std::size_t pos = 0;
    while (pos < text.size()) {
      // The longest run that needs no escape and no replacement goes in at
      // once: most text (names, reasoning, Chinese slot values) is one run.
      std::size_t runEnd = pos;
      while (runEnd < text.size()) {
        const auto byte = static_cast<unsigned char>(text[runEnd]);
        if (isPlainAscii(byte)) {
          ++runEnd;
          continue;
        }
        const std::size_t length = byte < 0x80 ? 0 : utf8SequenceLength(text, runEnd);
        if (length == 0) break;
        runEnd += length;
      }
      out_.append(text.data() + pos, runEnd - pos);
      pos = runEnd;
      if (pos == text.size()) break;
      const auto byte = static_cast<unsigned char>(text[pos++]);
      if (byte == '"' || byte == '\\') {
        out_ += '\\';
        out_ += static_cast<char>(byte);
      } else if (byte < 0x20) {
        appendControl(byte);
      } else {
        out_ += "\xEF\xBF\xBD";  // U+FFFD for a byte of no well-formed sequence
      }
    }
    out_ += '"';
  }

  ControlEscapes escapes_;
  std::string out_;
  // One bit per open container, the innermost lowest: whether a value was
  // written in it. Good for 64 levels; every text written here nests a few.
  std::uint64_t hasValue_ = 0;
  int depth_ = 0;
  bool afterKey_ = false;
};

}  // namespace deskpet
