#include "json_writer.h"

#include <charconv>
#include <cmath>

#include "utf8.h"

namespace norvik {

void JsonWriter::beforeValue() {
  if (afterKey_) {
    afterKey_ = false;
    return;
  }
  if (depth_ > 0) {
    if (needComma_ & 1) out_.push_back(',');
    needComma_ |= 1;
  }
}

void JsonWriter::open(char bracket) {
  beforeValue();
  out_.push_back(bracket);
  needComma_ <<= 1;
  ++depth_;
}

void JsonWriter::close(char bracket) {
  out_.push_back(bracket);
  needComma_ >>= 1;
  --depth_;
}

void JsonWriter::beginObject() {
  open('{');
}

void JsonWriter::endObject() {
  close('}');
}

void JsonWriter::beginArray() {
  open('[');
}

void JsonWriter::endArray() {
  close(']');
}

void JsonWriter::key(std::string_view name) {
  beforeValue();
  appendEscaped(name);
  out_.push_back(':');
  afterKey_ = true;
}

void JsonWriter::string(std::string_view text) {
  beforeValue();
  appendEscaped(text);
}

void JsonWriter::boolean(bool value) {
  beforeValue();
  out_ += value ? "true" : "false";
}

void JsonWriter::null() {
  beforeValue();
  out_ += "null";
}

void JsonWriter::integer(long long value) {
  beforeValue();
  char buffer[24];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  out_.append(buffer, result.ptr);
}

void JsonWriter::numberFixed(double value) {
  beforeValue();
  if (!std::isfinite(value)) value = 0.0;
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 6);
  out_.append(buffer, result.ptr);
}

void JsonWriter::numberShortest(double value) {
  beforeValue();
  if (!std::isfinite(value)) value = 0.0;
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  out_.append(buffer, result.ptr);
}

namespace {

// Bytes that stand for themselves in a JSON string: printable ASCII but the
// quote and the backslash. Bytes from 0x80 stand for themselves when they
// form a well-formed UTF-8 sequence.
bool isPlainAscii(unsigned char byte) {
  return byte >= 0x20 && byte < 0x80 && byte != '"' && byte != '\\';
}

}  // namespace

void JsonWriter::appendEscaped(std::string_view text) {
  static const char kHex[] = "0123456789abcdef";
  out_.push_back('"');
  std::size_t pos = 0;
  while (pos < text.size()) {
    // The longest run that needs no escape and no replacement goes in at once:
    // most text (names, reasoning, Chinese slot values) is one such run.
    std::size_t runEnd = pos;
    while (runEnd < text.size()) {
      const auto byte = static_cast<unsigned char>(text[runEnd]);
      if (isPlainAscii(byte)) {
        ++runEnd;
        continue;
      }
      char32_t cp = 0;
      std::size_t length = 1;
      if (byte < 0x80 || !decodeUtf8(text.data(), text.size(), runEnd, cp, length)) break;
      runEnd += length;
    }
    out_.append(text.data() + pos, runEnd - pos);
    pos = runEnd;
    if (pos == text.size()) break;
    const auto byte = static_cast<unsigned char>(text[pos]);
    ++pos;
    switch (byte) {
      case '"':
        out_ += "\\\"";
        break;
      case '\\':
        out_ += "\\\\";
        break;
      case '\n':
        out_ += "\\n";
        break;
      case '\r':
        out_ += "\\r";
        break;
      case '\t':
        out_ += "\\t";
        break;
      case '\b':
        out_ += "\\b";
        break;
      case '\f':
        out_ += "\\f";
        break;
      default:
        if (byte < 0x20) {
          out_ += "\\u00";
          out_.push_back(kHex[byte >> 4]);
          out_.push_back(kHex[byte & 0xF]);
        } else {
          appendUtf8(out_, 0xFFFD);  // a byte of no well-formed sequence
        }
    }
  }
  out_.push_back('"');
}

}  // namespace norvik
