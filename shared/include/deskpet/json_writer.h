// A streaming writer of compact JSON text. Strings are escaped so that the
// result always parses: '"' and '\' are escaped, control bytes too, well-formed
// UTF-8 passes through unchanged and every byte that is not part of a
// well-formed sequence becomes U+FFFD. Keys are escaped like strings.
#pragma once

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>

#include "deskpet/fixed_decimals.h"
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
    if (name.size() + 3 <= kStageSize - staged_ && isPlainText(name)) {
      // The usual key (short, plain ASCII) goes to the staging area at once.
      char* out = stage_ + staged_;
      *out++ = '"';
      if (!name.empty()) std::memcpy(out, name.data(), name.size());
      out += name.size();
      *out++ = '"';
      *out++ = ':';
      staged_ = static_cast<std::size_t>(out - stage_);
    } else {
      appendEscaped(name);
      put(':');
    }
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
    put(text.data(), text.size());
    return *this;
  }

  // Fixed notation with six decimals; a non-finite value is written as 0.
  JsonWriter& numberFixed(double value) {
    char buffer[400];  // the largest double has 309 integer digits
    std::size_t length = fixedDecimals(value, 6, buffer);
    if (length == 0) {
      const auto end = std::to_chars(buffer, buffer + sizeof buffer, std::isfinite(value) ? value : 0.0,
                                     std::chars_format::fixed, 6);
      length = static_cast<std::size_t>(end.ptr - buffer);
    }
    return number(std::string_view(buffer, length));
  }

  // The shortest text that reads back as the same double; a non-finite value as 0.
  JsonWriter& numberShortest(double value) {
    char buffer[64];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, std::isfinite(value) ? value : 0.0);
    return number(std::string_view(buffer, static_cast<std::size_t>(end.ptr - buffer)));
  }

  const std::string& text() const {
    flush();
    return out_;
  }
  std::string take() {
    flush();
    return std::move(out_);
  }

 private:
  JsonWriter& open(char bracket) {
    beforeValue();
    put(bracket);
    hasValue_ <<= 1;
    ++depth_;
    return *this;
  }

  JsonWriter& close(char bracket) {
    put(bracket);
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
    if (hasValue_ & 1) put(',');
    hasValue_ |= 1;
  }

  // Bytes that stand for themselves in a JSON string: printable ASCII but the
  // quote and the backslash.
  static bool isPlainAscii(unsigned char byte) { return byte >= 0x20 && byte < 0x80 && byte != '"' && byte != '\\'; }

  static bool isPlainText(std::string_view text) {
    std::size_t pos = 0;
    for (; text.size() - pos >= 8; pos += 8) {
      if (!plainAsciiWord(text.data() + pos)) return false;
    }
    for (; pos < text.size(); ++pos) {
      if (!isPlainAscii(static_cast<unsigned char>(text[pos]))) return false;
    }
    return true;
  }

  // A well-formed three-byte sequence whose lead byte puts no bound on the
  // second byte beyond a continuation byte (E1-EC, EE, EF: most of the BMP,
  // every common Chinese character); others are left to utf8SequenceLength.
  static bool isPlainThreeByteSequence(std::string_view text, std::size_t pos) {
    if (text.size() - pos < 3) return false;
    const auto lead = static_cast<unsigned char>(text[pos]);
    const auto second = static_cast<unsigned char>(text[pos + 1]);
    const auto third = static_cast<unsigned char>(text[pos + 2]);
    return lead >= 0xE1 && lead <= 0xEF && lead != 0xED && (second & 0xC0) == 0x80 && (third & 0xC0) == 0x80;
  }

  // Whether all eight bytes at `bytes` are plain ASCII, tested at once: no byte
  // below 0x20, none with the high bit, no quote and no backslash.
  static bool plainAsciiWord(const char* bytes) {
    constexpr std::uint64_t kOnes = 0x0101010101010101ull;
    constexpr std::uint64_t kHighs = 0x8080808080808080ull;
    std::uint64_t word = 0;
    std::memcpy(&word, bytes, sizeof word);
    const auto hasZeroByte = [](std::uint64_t v) { return ((v - kOnes) & ~v & kHighs) != 0; };
    const bool hasControl = ((word - 0x20 * kOnes) & ~word & kHighs) != 0;
    return (word & kHighs) == 0 && !hasControl && !hasZeroByte(word ^ ('"' * kOnes)) &&
           !hasZeroByte(word ^ ('\\' * kOnes));
  }

  void appendControl(unsigned char byte) {
    if (escapes_ == ControlEscapes::kShortForms) {
      static constexpr char kShort[] = "btn\0fr";  // \b \t \n (\v has none) \f \r, from 0x08
      if (byte >= 0x08 && byte <= 0x0D && kShort[byte - 0x08] != '\0') {
        put('\\');
        put(kShort[byte - 0x08]);
        return;
      }
    }
    static constexpr char kHex[] = "0123456789abcdef";
    put("\\u00", 4);
    put(kHex[byte >> 4]);
    put(kHex[byte & 0x0F]);
  }

  void appendEscaped(std::string_view text) {
    put('"');
    std::size_t pos = 0;
    while (pos < text.size()) {
      // The longest run that needs no escape and no replacement goes in at
      // once: most text (names, reasoning, Chinese slot values) is one run.
      std::size_t runEnd = pos;
      while (runEnd < text.size()) {
        const auto byte = static_cast<unsigned char>(text[runEnd]);
        if (isPlainAscii(byte)) {
          ++runEnd;
          while (text.size() - runEnd >= 8 && plainAsciiWord(text.data() + runEnd)) runEnd += 8;
          continue;
        }
        if (isPlainThreeByteSequence(text, runEnd)) {
          runEnd += 3;
          continue;
        }
        const std::size_t length = byte < 0x80 ? 0 : utf8SequenceLength(text, runEnd);
        if (length == 0) break;
        runEnd += length;
      }
      put(text.data() + pos, runEnd - pos);
      pos = runEnd;
      if (pos == text.size()) break;
      const auto byte = static_cast<unsigned char>(text[pos++]);
      if (byte == '"' || byte == '\\') {
        put('\\');
        put(static_cast<char>(byte));
      } else if (byte < 0x20) {
        appendControl(byte);
      } else {
        put("\xEF\xBF\xBD", 3);  // U+FFFD for a byte of no well-formed sequence
      }
    }
    put('"');
  }

  // Bytes go to a small staging area first and reach the string in blocks:
  // appending to a std::string byte by byte is a call each time.
  void put(char byte) {
    if (staged_ == kStageSize) flush();
    stage_[staged_++] = byte;
  }

  void put(const char* bytes, std::size_t count) {
    if (count == 0) return;
    if (count > kStageSize - staged_) {
      flush();
      if (count > kStageSize) {
        out_.append(bytes, count);
        return;
      }
    }
    std::memcpy(stage_ + staged_, bytes, count);
    staged_ += count;
  }

  void flush() const {
    out_.append(stage_, staged_);
    staged_ = 0;
  }

  static constexpr std::size_t kStageSize = 256;

  ControlEscapes escapes_;
  // What text() and take() give: the staged bytes are moved in first.
  mutable std::string out_;
  mutable char stage_[kStageSize];
  mutable std::size_t staged_ = 0;
  // One bit per open container, the innermost lowest: whether a value was
  // written in it. Good for 64 levels; every text written here nests a few.
  std::uint64_t hasValue_ = 0;
  int depth_ = 0;
  bool afterKey_ = false;
};

}  // namespace deskpet
