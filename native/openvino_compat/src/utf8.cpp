#include "utf8.hpp"

namespace ov {
namespace genai {
namespace scripted {
namespace {

bool isContinuation(unsigned char byte) {
  return (byte & 0xC0) == 0x80;
}

}  // namespace

size_t utf8SequenceLength(std::string_view text, size_t pos) {
  if (pos >= text.size()) return 0;
  const auto lead = static_cast<unsigned char>(text[pos]);
  if (lead < 0x80) return 1;

  size_t length = 0;
  unsigned char minSecond = 0x80;  // bounds on the second byte exclude overlong
  unsigned char maxSecond = 0xBF;  // forms, surrogates and values above U+10FFFF
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) minSecond = 0xA0;
    if (lead == 0xED) maxSecond = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) minSecond = 0x90;
    if (lead == 0xF4) maxSecond = 0x8F;
  } else {
    return 0;
  }
  if (text.size() - pos < length) return 0;
  const auto second = static_cast<unsigned char>(text[pos + 1]);
  if (second < minSecond || second > maxSecond) return 0;
  for (size_t i = 2; i < length; ++i) {
    if (!isContinuation(static_cast<unsigned char>(text[pos + i]))) return 0;
  }
  return length;
}

size_t utf8PrefixBytes(std::string_view text, size_t maxCodePoints) {
  size_t pos = 0;
  for (size_t count = 0; count < maxCodePoints && pos < text.size(); ++count) {
    const size_t length = utf8SequenceLength(text, pos);
    pos += length == 0 ? 1 : length;
  }
  return pos;
}

size_t utf8CodePointCount(std::string_view text) {
  size_t count = 0;
  for (size_t pos = 0; pos < text.size(); ++count) {
    const size_t length = utf8SequenceLength(text, pos);
    pos += length == 0 ? 1 : length;
  }
  return count;
}

}  // namespace scripted
}  // namespace genai
}  // namespace ov
