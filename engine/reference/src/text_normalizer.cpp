#include "text_normalizer.h"

#include <array>
#include <cstdint>
#include <cstring>

#include "deskpet/utf8.h"

namespace norvik {

namespace {

bool isAsciiPunctuationOrSpace(char32_t cp) {
  if (cp <= 0x20 || cp == 0x7F) return true;
  if (cp < 0x80) {
    const bool alnum = (cp >= '0' && cp <= '9') || (cp >= 'a' && cp <= 'z') || (cp >= 'A' && cp <= 'Z');
    return !alnum;
  }
  return false;
}

bool isDroppedNonAscii(char32_t cp) {
  return (cp >= 0x80 && cp <= 0xBF) ||      // C1 controls, Latin-1 punctuation and signs
         cp == 0xD7 || cp == 0xF7 ||        // multiplication and division signs
         (cp >= 0x2000 && cp <= 0x206F) ||  // general punctuation and Unicode spaces
         (cp >= 0x3000 && cp <= 0x3003) ||  // ideographic space, 、 。 〃
         (cp >= 0x3008 && cp <= 0x3020) ||  // CJK brackets and marks
         cp == 0x3030 || cp == 0x303D || cp == 0x30FB || (cp >= 0xFE10 && cp <= 0xFE1F) ||  // vertical forms
         (cp >= 0xFE30 && cp <= 0xFE6F) ||  // CJK compatibility and small forms
         (cp >= 0xFF5F && cp <= 0xFF65) ||  // half-width brackets and dots
         cp == 0xFEFF || cp == 0xFFFD;
}

// Whether a word loaded from memory holds its first byte lowest.
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
constexpr bool kLittleEndian = false;
#else
constexpr bool kLittleEndian = true;
#endif

// A CJK unified ideograph (U+4E00 to U+9FFF, lead bytes E4 to E9) at `pos`,
// decoded: well-formed, and kept by foldCharacter as it is. The three bytes
// are read as one little-endian word (by one load where a fourth byte follows)
// and tested together.
bool isIdeograph(std::string_view text, std::size_t pos, char32_t& cp) {
  const std::size_t left = text.size() - pos;
  if (left < 3) return false;
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.data()) + pos;
  uint32_t word = 0;
  if (kLittleEndian && left >= 4) {
    std::memcpy(&word, bytes, sizeof word);
  } else {
    word = bytes[0] | (uint32_t{bytes[1]} << 8) | (uint32_t{bytes[2]} << 16);
  }
  // A lead byte E0 to EF and two continuation bytes.
  if ((word & 0xC0C0F0) != 0x8080E0) return false;
  cp = ((word & 0x0F) << 12) | ((word >> 2) & 0xFC0) | ((word >> 16) & 0x3F);
  return cp - 0x4E00 <= 0x9FFF - 0x4E00;
}

// foldCharacter of every ASCII character: digits and lower-case letters kept,
// upper-case letters lowered, the rest dropped (0).
constexpr std::array<char32_t, 128> kAsciiFolds = [] {
  std::array<char32_t, 128> folds{};
  for (char32_t c = '0'; c <= '9'; ++c) folds[c] = c;
  for (char32_t c = 'a'; c <= 'z'; ++c) folds[c] = c;
  for (char32_t c = 'A'; c <= 'Z'; ++c) folds[c] = c + ('a' - 'A');
  return folds;
}();

}  // namespace

char32_t foldCharacter(char32_t cp) {
  if (cp >= 0xFF01 && cp <= 0xFF5E) cp -= 0xFF01 - 0x21;  // full-width ASCII
  if (isAsciiPunctuationOrSpace(cp) || isDroppedNonAscii(cp)) return 0;
  if (cp >= 'A' && cp <= 'Z') cp += 'a' - 'A';
  return cp;
}

namespace {

// Calls kept(folded, pos, length) for every character of `text` that
// normalisation keeps, with the bytes it came from.
template <typename Kept>
void forEachKept(std::string_view text, Kept&& kept) {
  std::size_t pos = 0;
  while (pos < text.size()) {
    char32_t cp = 0;
    std::size_t length = 1;
    char32_t folded = 0;
    // ASCII and the CJK ideographs (most of every query) are decoded and folded
    // here; everything else by the general decoder and foldCharacter.
    if (const auto byte = static_cast<unsigned char>(text[pos]); byte < 0x80) {
      folded = kAsciiFolds[byte];
    } else if (isIdeograph(text, pos, cp)) {
      length = 3;
      folded = cp;
    } else if (deskpet::decodeUtf8(text.data(), text.size(), pos, cp, length)) {
      folded = foldCharacter(cp);
    }
    if (folded != 0) kept(folded, pos, length);
    pos += length;
  }
}

// The kept characters gather on the stack and go to the result a run at a
// time: a query's arrays are allocated once, at their size.
constexpr std::size_t kRun = 64;

}  // namespace

NormalizedText normalizeText(std::string_view text) {
  NormalizedText out;
  normalizeTextInto(text, out);
  return out;
}

void normalizeTextInto(std::string_view text, NormalizedText& out) {
  out.chars.clear();
  out.byteBegin.clear();
  out.byteEnd.clear();
  char32_t chars[kRun];
  uint32_t begins[kRun];
  uint32_t ends[kRun];
  std::size_t count = 0;
  const auto flush = [&] {
    out.chars.append(chars, count);
    if (out.byteBegin.empty()) {
      out.byteBegin.assign(begins, begins + count);
      out.byteEnd.assign(ends, ends + count);
    } else {
      out.byteBegin.insert(out.byteBegin.end(), begins, begins + count);
      out.byteEnd.insert(out.byteEnd.end(), ends, ends + count);
    }
    count = 0;
  };
  forEachKept(text, [&](char32_t folded, std::size_t pos, std::size_t length) {
    chars[count] = folded;
    begins[count] = static_cast<uint32_t>(pos);
    ends[count] = static_cast<uint32_t>(pos + length);
    if (++count == kRun) flush();
  });
  flush();
}

std::u32string normalizeChars(std::string_view text) {
  std::u32string out;
  char32_t chars[kRun];
  std::size_t count = 0;
  forEachKept(text, [&](char32_t folded, std::size_t, std::size_t) {
    chars[count] = folded;
    if (++count == kRun) {
      out.append(chars, count);
      count = 0;
    }
  });
  out.append(chars, count);
  return out;
}

std::string normalizeToUtf8(std::string_view text) {
  return deskpet::toUtf8(normalizeChars(text));
}

}  // namespace norvik
