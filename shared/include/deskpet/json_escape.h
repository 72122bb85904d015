// A JSON string written straight to memory: '"' and '\' are escaped, control
// bytes too, well-formed UTF-8 passes through unchanged and every byte that is
// not part of a well-formed sequence becomes U+FFFD. The caller provides the
// room (jsonStringBound), so no byte is checked against a limit: replies are
// written piece after piece into space reserved once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "deskpet/utf8.h"

#if defined(_MSC_VER) && !defined(__clang__)
#include <intrin.h>
#endif
// The general writer stays one call wherever it is used: only the short path
// is worth copying into the caller.
#if defined(__GNUC__) || defined(__clang__)
#define DESKPET_JSON_ESCAPE_NOINLINE __attribute__((noinline))
#elif defined(_MSC_VER)
#define DESKPET_JSON_ESCAPE_NOINLINE __declspec(noinline)
#else
#define DESKPET_JSON_ESCAPE_NOINLINE
#endif

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#include <emmintrin.h>
#define DESKPET_JSON_ESCAPE_SSE2 1
#endif

namespace deskpet {

// How control bytes are written: \n \r \t \b \f where JSON has a short form and
// \u00XX for the rest, or \u00XX for all of them.
enum class ControlEscapes { kShortForms, kUnicodeOnly };

// The room writeJsonString needs for a text of `size` bytes: its quotes and
// six bytes per byte at most (\u00XX).
constexpr std::size_t jsonStringBound(std::size_t size) {
  return 6 * size + 2;
}

namespace json_escape_detail {

constexpr std::uint64_t kOnes = 0x0101010101010101ull;
constexpr std::uint64_t kHighs = 0x8080808080808080ull;

// The high bit of each byte of `word` that stands for something else in a JSON
// string (a control byte, '"', '\', or any byte of 0x80 and above), exact up to
// the first such byte: only the lowest set bit is read.
inline std::uint64_t specialBytes(std::uint64_t word) {
  const auto zeroBytes = [](std::uint64_t v) { return (v - kOnes) & ~v & kHighs; };
  const std::uint64_t control = (word - 0x20 * kOnes) & ~word & kHighs;
  return (word & kHighs) | control | zeroBytes(word ^ ('"' * kOnes)) | zeroBytes(word ^ ('\\' * kOnes));
}

#ifdef DESKPET_JSON_ESCAPE_SSE2
// A bit for each byte of `block` that stands for something else in a JSON
// string. Signed, a byte below 0x20 is a control byte or one of 0x80 and above.
inline unsigned specialBlock(__m128i block) {
  const __m128i quote = _mm_cmpeq_epi8(block, _mm_set1_epi8('"'));
  const __m128i backslash = _mm_cmpeq_epi8(block, _mm_set1_epi8('\\'));
  const __m128i low = _mm_cmplt_epi8(block, _mm_set1_epi8(0x20));
  return static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(_mm_or_si128(quote, backslash), low)));
}
#endif

// The index of the lowest set bit of a non-zero word.
inline unsigned lowestBit(std::uint64_t word) {
#if defined(__GNUC__) || defined(__clang__)
  return static_cast<unsigned>(__builtin_ctzll(word));
#elif defined(_MSC_VER) && (defined(_M_X64) || defined(_M_ARM64))
  unsigned long index = 0;
  _BitScanForward64(&index, word);
  return static_cast<unsigned>(index);
#else
  unsigned index = 0;
  while ((word & 1) == 0) {
    word >>= 1;
    ++index;
  }
  return index;
#endif
}

// The word scan reads the first byte of a text at the lowest address as the
// lowest byte of a word.
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
constexpr bool kWordScan = false;
#else
constexpr bool kWordScan = true;
#endif

inline std::uint64_t loadWord(const char* bytes) {
  std::uint64_t word = 0;
  std::memcpy(&word, bytes, sizeof word);
  return word;
}

// The `count` (2 to 7) bytes at `bytes`, then 'a's up to eight, read by two
// overlapping loads.
inline std::uint64_t loadTail(const char* bytes, std::size_t count) {
  std::uint64_t word = 0;
  if (count >= 4) {
    std::uint32_t low = 0;
    std::uint32_t high = 0;
    std::memcpy(&low, bytes, sizeof low);
    std::memcpy(&high, bytes + count - 4, sizeof high);
    word = low | (std::uint64_t{high} << (8 * (count - 4)));
  } else {
    std::uint16_t low = 0;
    std::uint16_t high = 0;
    std::memcpy(&low, bytes, sizeof low);
    std::memcpy(&high, bytes + count - 2, sizeof high);
    word = low | (std::uint64_t{high} << (8 * (count - 2)));
  }
  const std::uint64_t filler = ~std::uint64_t{0} << (8 * count);
  return (word & ~filler) | ('a' * kOnes & filler);
}

inline char* writeControl(char* out, unsigned char byte, ControlEscapes escapes) {
  if (escapes == ControlEscapes::kShortForms) {
    static constexpr char kShort[] = "btn\0fr";  // \b \t \n (\v has none) \f \r, from 0x08
    if (byte >= 0x08 && byte <= 0x0D && kShort[byte - 0x08] != '\0') {
      out[0] = '\\';
      out[1] = kShort[byte - 0x08];
      return out + 2;
    }
  }
  static constexpr char kHex[] = "0123456789abcdef";
  std::memcpy(out, "\\u00", 4);
  out[4] = kHex[byte >> 4];
  out[5] = kHex[byte & 0x0F];
  return out + 6;
}

// Whether the bytes at `bytes` open a three-byte sequence whose lead byte
// bounds the second byte no further than any continuation byte (E1-EC, EE, EF:
// most of the BMP, every common Chinese character).
inline bool plainThreeBytes(const unsigned char* bytes) {
  const unsigned lead = bytes[0];
  return lead >= 0xE1 && lead <= 0xEF && lead != 0xED && (bytes[1] & 0xC0) == 0x80 && (bytes[2] & 0xC0) == 0x80;
}

// Writes what stands for the byte at text[pos], which is not plain ASCII, or
// for the well-formed sequence it opens: the sequence itself (and the plain
// three-byte sequences after it), an escape, or U+FFFD. Returns the position
// after the bytes written for.
inline std::size_t writeSpecial(char*& out, std::string_view text, std::size_t pos, ControlEscapes escapes) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
  const std::size_t size = text.size();
  const unsigned char byte = bytes[pos];
  if (byte >= 0x80) {
    // Non-ASCII text comes in runs (a Chinese name, a slot value): while four
    // bytes can be read, one load and test per character, and a copy of four
    // bytes whose last is overwritten next.
    const std::size_t start = pos;
    char* to = out;
    if (kWordScan) {
      while (size - pos >= 4) {
        std::uint32_t word = 0;
        std::memcpy(&word, bytes + pos, sizeof word);
        const std::uint32_t lowBits = word & 0x0F;  // E1-EC, EE, EF
        if ((word & 0xC0C0F0) != 0x8080E0 || lowBits == 0 || lowBits == 0x0D) break;
        std::memcpy(to, &word, sizeof word);
        to += 3;
        pos += 3;
      }
    }
    while (size - pos >= 3 && plainThreeBytes(bytes + pos)) {
      std::memcpy(to, bytes + pos, 3);
      to += 3;
      pos += 3;
    }
    out = to;
    if (pos != start) return pos;
    const std::size_t length = utf8SequenceLength(text, pos);
    if (length == 0) {
      std::memcpy(out, "\xEF\xBF\xBD", 3);
      out += 3;
      return pos + 1;
    }
    std::memcpy(out, bytes + pos, length);
    out += length;
    return pos + length;
  }
  if (byte == '"' || byte == '\\') {
    out[0] = '\\';
    out[1] = static_cast<char>(byte);
    out += 2;
  } else if (byte < 0x20) {
    out = writeControl(out, byte, escapes);
  } else {
    *out++ = static_cast<char>(byte);
  }
  return pos + 1;
}

// writeJsonString for any text: blocks of plain bytes copied at once, the
// other bytes one sequence at a time.
DESKPET_JSON_ESCAPE_NOINLINE inline char* writeAnyJsonString(char* out, std::string_view text, ControlEscapes escapes) {
  *out++ = '"';
  std::size_t pos = 0;
  const std::size_t size = text.size();
  while (pos < size) {
    // A block of bytes is copied at once and the pointer moves past its plain
    // ones: what lies beyond is overwritten next. A block of 16 or 8 bytes of
    // the text stays within the string, as every byte of the text gives at
    // least one byte of it.
#ifdef DESKPET_JSON_ESCAPE_SSE2
    if (size - pos >= 16) {
      std::size_t plain = 0;
      unsigned mask = 0;
      do {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + pos));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), block);
        mask = specialBlock(block);
        plain = mask == 0 ? 16 : lowestBit(mask);
        out += plain;
        pos += plain;
      } while (mask == 0 && size - pos >= 16);
      if (mask != 0) pos = writeSpecial(out, text, pos, escapes);
      continue;
    }
#endif
    if (kWordScan && size - pos >= 2) {
      // A short tail is read into a word filled up with plain bytes; the
      // eight bytes stored fit the room of a text of two bytes or more (the
      // bytes before took at most six each).
      const std::uint64_t word =
          size - pos >= 8 ? loadWord(text.data() + pos) : loadTail(text.data() + pos, size - pos);
      std::memcpy(out, &word, sizeof word);
      const std::uint64_t special = specialBytes(word);
      if (special == 0) {
        const std::size_t plain = size - pos >= 8 ? 8 : size - pos;
        out += plain;
        pos += plain;
        continue;
      }
      const std::size_t plain = lowestBit(special) / 8;
      out += plain;
      pos += plain;
    }
    pos = writeSpecial(out, text, pos, escapes);
  }
  *out++ = '"';
  return out;
}

// Writes a text of 2 to 16 bytes that holds nothing to escape, read as one or
// two (overlapping) words, with its quotes; returns nullptr, writing nothing
// that counts, for any other text. The room of such a text (at least 14
// bytes, 56 from nine bytes on) takes the eight bytes stored past its start.
inline char* writeShortPlainString(char* out, std::string_view text) {
  const std::size_t size = text.size();
  if (!kWordScan || size < 2 || size > 16) return nullptr;
  const char* bytes = text.data();
  const std::uint64_t first = size >= 8 ? loadWord(bytes) : loadTail(bytes, size);
  const std::uint64_t second = size > 8 ? loadWord(bytes + size - 8) : first;
#ifdef DESKPET_JSON_ESCAPE_SSE2
  if (specialBlock(_mm_set_epi64x(static_cast<long long>(second), static_cast<long long>(first))) != 0) return nullptr;
#else
  if ((specialBytes(first) | specialBytes(second)) != 0) return nullptr;
#endif
  out[0] = '"';
  std::memcpy(out + 1, &first, sizeof first);
  if (size > 8) std::memcpy(out + 1 + size - 8, &second, sizeof second);
  out[size + 1] = '"';
  return out + size + 2;
}

}  // namespace json_escape_detail

// Writes `text` as a JSON string, quotes included, at `out`, which has room for
// jsonStringBound(text.size()) bytes; returns the end of the string. Bytes of
// that room past the end may have been written too. Most texts written are
// short words of plain ASCII (the members of an action): those are written
// here, without a call.
inline char* writeJsonString(char* out, std::string_view text, ControlEscapes escapes = ControlEscapes::kShortForms) {
  using namespace json_escape_detail;
  if (char* end = writeShortPlainString(out, text)) return end;
  return writeAnyJsonString(out, text, escapes);
}

}  // namespace deskpet
