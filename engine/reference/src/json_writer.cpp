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
  if (!needComma_.empty()) {
    if (needComma_.back()) out_.push_back(',');
    needComma_.back() = true;
  }
}

void JsonWriter::beginObject() {
  beforeValue();
  out_.push_back('{');
  needComma_.push_back(false);
}

void JsonWriter::endObject() {
  out_.push_back('}');
  needComma_.pop_back();
}

void JsonWriter::beginArray() {
  beforeValue();
  out_.push_back('[');
  needComma_.push_back(false);
}

void JsonWriter::endArray() {
  out_.push_back(']');
  needComma_.pop_back();
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
  out_ += std::to_string(value);
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

void JsonWriter::appendEscaped(std::string_view text) {
  static const char kHex[] = "0123456789abcdef";
  out_.push_back('"');
  std::size_t pos = 0;
  while (pos < text.size()) {
    const auto byte = static_cast<unsigned char>(text[pos]);
    if (byte >= 0x80) {
      char32_t cp = 0;
      std::size_t length = 1;
      if (decodeUtf8(text.data(), text.size(), pos, cp, length)) {
        out_.append(text.data() + pos, length);
      } else {
        appendUtf8(out_, 0xFFFD);
      }
      pos += length;
      continue;
    }
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
          out_.push_back(static_cast<char>(byte));
        }
    }
    ++pos;
  }
  out_.push_back('"');
}

}  // namespace norvik
