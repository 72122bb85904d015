// UTF-8 as every part of the project reads it: a well-formed sequence (no
// overlong form, no surrogate, nothing above U+10FFFF, not cut short) is one
// code point; any other byte is invalid on its own, so readers skip or replace
// exactly one byte and go on.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace deskpet {

// Length in bytes of the well-formed sequence that starts at text[pos], or 0
// when the bytes there are not one (or pos is past the end).
inline std::size_t utf8SequenceLength(std::string_view text, std::size_t pos) {
  if (pos >= text.size()) return 0;
  const auto lead = static_cast<unsigned char>(text[pos]);
  if (lead < 0x80) return 1;
  std::size_t length = 0;
  unsigned char minSecond = 0x80;  // the bounds on the second byte exclude overlong
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
  for (std::size_t i = 2; i < length; ++i) {
    if ((static_cast<unsigned char>(text[pos + i]) & 0xC0) != 0x80) return 0;
  }
  return length;
}

// Decodes the code point that starts at text[pos]: true with the code point and
// its byte length, or false with length 1 so that the caller skips one byte.
inline bool decodeUtf8(const char* text, std::size_t size, std::size_t pos, char32_t& codePoint, std::size_t& length) {
  const std::string_view view(text, size);
  length = utf8SequenceLength(view, pos);
  if (length == 0) {
    length = 1;
    return false;
  }
  const auto lead = static_cast<unsigned char>(view[pos]);
  static constexpr unsigned char kLeadMask[] = {0, 0x7F, 0x1F, 0x0F, 0x07};
  char32_t value = lead & kLeadMask[length];
  for (std::size_t i = 1; i < length; ++i) value = (value << 6) | (static_cast<unsigned char>(view[pos + i]) & 0x3F);
  codePoint = value;
  return true;
}

// Appends the UTF-8 form of a code point (which must be at most U+10FFFF).
inline void appendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

inline std::string toUtf8(const std::u32string& text) {
  std::string out;
  out.reserve(text.size() * 3);
  for (char32_t cp : text) appendUtf8(out, cp);
  return out;
}

// Number of leading bytes of `text` that hold at most `maxCodePoints` code
// points, never ending inside a well-formed sequence; an invalid byte counts as
// one code point.
inline std::size_t utf8PrefixBytes(std::string_view text, std::size_t maxCodePoints) {
  std::size_t pos = 0;
  for (std::size_t count = 0; count < maxCodePoints && pos < text.size(); ++count) {
    const std::size_t length = utf8SequenceLength(text, pos);
    pos += length == 0 ? 1 : length;
  }
  return pos;
}

// Number of leading bytes of `text` that fit in `maxBytes` without ending inside
// a well-formed sequence; an invalid byte counts as a sequence of its own.
inline std::size_t utf8PrefixWithinBytes(std::string_view text, std::size_t maxBytes) {
  if (text.size() <= maxBytes) return text.size();
  std::size_t pos = 0;
  for (;;) {
    const std::size_t length = utf8SequenceLength(text, pos);
    const std::size_t next = pos + (length == 0 ? 1 : length);
    if (next > maxBytes) return pos;
    pos = next;
  }
}

// Number of code points in `text`, an invalid byte counting as one.
inline std::size_t utf8CodePointCount(std::string_view text) {
  std::size_t count = 0;
  for (std::size_t pos = 0; pos < text.size(); ++count) {
    const std::size_t length = utf8SequenceLength(text, pos);
    pos += length == 0 ? 1 : length;
  }
  return count;
}

}  // namespace deskpet
