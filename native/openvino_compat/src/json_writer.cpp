#include "json_writer.hpp"

#include "utf8.hpp"

namespace ov {
namespace genai {
namespace scripted {
namespace {

constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";

void appendControlEscape(std::string& out, unsigned char byte) {
  static constexpr char kHex[] = "0123456789abcdef";
  out += "\\u00";
  out += kHex[byte >> 4];
  out += kHex[byte & 0x0F];
}

}  // namespace

void JsonWriter::beforeValue() {
  if (afterKey_) {
    afterKey_ = false;
    return;
  }
  if (containerIsEmpty_.empty()) return;
  if (!containerIsEmpty_.back()) out_ += ',';
  containerIsEmpty_.back() = false;
}

JsonWriter& JsonWriter::beginObject() {
  beforeValue();
  out_ += '{';
  containerIsEmpty_.push_back(true);
  return *this;
}

JsonWriter& JsonWriter::endObject() {
  out_ += '}';
  containerIsEmpty_.pop_back();
  return *this;
}

JsonWriter& JsonWriter::key(std::string_view name) {
  beforeValue();
  appendEscaped(name);
  out_ += ':';
  afterKey_ = true;
  return *this;
}

JsonWriter& JsonWriter::string(std::string_view text) {
  beforeValue();
  appendEscaped(text);
  return *this;
}

JsonWriter& JsonWriter::number(std::string_view numberText) {
  beforeValue();
  out_ += numberText;
  return *this;
}

JsonWriter& JsonWriter::boolean(bool value) {
  beforeValue();
  out_ += value ? "true" : "false";
  return *this;
}

JsonWriter& JsonWriter::null() {
  beforeValue();
  out_ += "null";
  return *this;
}

void JsonWriter::appendEscaped(std::string_view text) {
  out_ += '"';
  for (size_t pos = 0; pos < text.size();) {
    const auto byte = static_cast<unsigned char>(text[pos]);
    if (byte == '"' || byte == '\\') {
      out_ += '\\';
      out_ += static_cast<char>(byte);
      ++pos;
    } else if (byte < 0x20) {
      appendControlEscape(out_, byte);
      ++pos;
    } else if (byte < 0x80) {
      out_ += static_cast<char>(byte);
      ++pos;
    } else if (const size_t length = utf8SequenceLength(text, pos); length > 0) {
      out_.append(text.substr(pos, length));
      pos += length;
    } else {
      out_ += kReplacementCharacter;
      ++pos;
    }
  }
  out_ += '"';
}

}  // namespace scripted
}  // namespace genai
}  // namespace ov
