#include "json_cursor.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#if defined(__SSE2__) && defined(__GNUC__)
#include <emmintrin.h>
#endif

#include "json_number.h"

namespace intent_bridge {

namespace {

bool isJsonWhitespace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// The high bit of every byte of `word` that is `byte`, and possibly of bytes
// after the first such one (the classic zero-byte test, applied to the word
// with the byte's bits flipped away); zero when no byte is `byte`.
std::uint64_t bytesEqualTo(std::uint64_t word, unsigned char byte) {
  constexpr std::uint64_t kOnes = 0x0101010101010101ull;
  constexpr std::uint64_t kHighs = 0x8080808080808080ull;
  const std::uint64_t flipped = word ^ (kOnes * byte);
  return (flipped - kOnes) & ~flipped & kHighs;
}

// The first quote or backslash in [p, end), or end: sixteen bytes at a time
// where SSE2 is at hand, eight bytes at a time while eight remain, then byte
// by byte. On little-endian machines the
// lowest marked bit of a word names the byte itself.
const char* findQuoteOrBackslash(const char* p, const char* end) {
#if defined(__SSE2__) && defined(__GNUC__)
  // Sixteen bytes at a time while sixteen remain.
  const __m128i quotes = _mm_set1_epi8('"');
  const __m128i backslashes = _mm_set1_epi8('\\');
  for (; end - p >= 16; p += 16) {
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const unsigned marks = static_cast<unsigned>(
        _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(block, quotes), _mm_cmpeq_epi8(block, backslashes))));
    if (marks != 0) return p + __builtin_ctz(marks);
  }
#endif
  for (; end - p >= 8; p += 8) {
    std::uint64_t word;
    std::memcpy(&word, p, sizeof word);
    const std::uint64_t marks = bytesEqualTo(word, '"') | bytesEqualTo(word, '\\');
    if (marks == 0) continue;
#if defined(__GNUC__) && defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    return p + (__builtin_ctzll(marks) >> 3);
#else
    break;
#endif
  }
  while (p < end && *p != '"' && *p != '\\') ++p;
  return p;
}

void appendUtf8(TextBuffer& out, unsigned long cp) {
  const auto byte = [](unsigned long value) { return static_cast<char>(static_cast<unsigned char>(value & 0xFFu)); };
  if (cp < 0x80) {
    out += byte(cp);
  } else if (cp < 0x800) {
    out += byte(0xC0 | (cp >> 6));
    out += byte(0x80 | (cp & 0x3F));
  } else {
    // Surrogates are encoded each on its own; pairs are not combined.
    out += byte(0xE0 | (cp >> 12));
    out += byte(0x80 | ((cp >> 6) & 0x3F));
    out += byte(0x80 | (cp & 0x3F));
  }
}

}  // namespace

EngineReply clampedReply(const char* buffer, std::size_t capacity, std::uint32_t reportedLength) {
  const std::size_t room = capacity > 0 ? capacity - 1 : 0;
  return EngineReply{buffer, std::min<std::size_t>(reportedLength, room)};
}

void JsonCursor::skipWhitespaceRun() {
  while (!atEnd() && isJsonWhitespace(*position_)) ++position_;
}

void JsonCursor::appendEscapedCodePoint(TextBuffer& out) {
  // The position is on the 'u'. Four bytes must follow before end; otherwise
  // only the 'u' is dropped and the bytes after it read as ordinary content.
  ++position_;
  if (end_ - position_ < 4) return;
  char digits[5];
  std::memcpy(digits, position_, 4);
  digits[4] = '\0';
  appendUtf8(out, std::strtoul(digits, nullptr, 16));
  position_ += 4;
}

std::string JsonCursor::readString() {
  TextBuffer scratch;
  return std::string(readStringView(scratch));
}

std::string_view JsonCursor::readStringView(TextBuffer& scratch) {
  skipWhitespace();
  if (atEnd() || *position_ != '"') return {};
  ++position_;
  const char* const begin = position_;
  const char* const p = findQuoteOrBackslash(begin, end_);
  if (p == end_ || *p == '"') {
    // No escape: the string is the reply's own bytes.
    position_ = p == end_ ? end_ : p + 1;
    return std::string_view(begin, static_cast<std::size_t>(p - begin));
  }
  scratch.assign(begin, p);
  position_ = p;
  unescapeInto(scratch);
  return scratch.view();
}

void JsonCursor::unescapeInto(TextBuffer& out) {
  while (!atEnd()) {
    const char c = *position_;
    if (c == '"') {
      ++position_;
      return;
    }
    if (c != '\\') {
      // A run of plain bytes up to the next quote or backslash, appended at once.
      const char* const runEnd = findQuoteOrBackslash(position_ + 1, end_);
      out.append(position_, runEnd);
      position_ = runEnd;
      continue;
    }
    if (end_ - position_ < 2) {
      out += c;  // a backslash that is the last byte stays
      ++position_;
      continue;
    }
    ++position_;  // the backslash
    switch (*position_) {
      case 'n':
        out += '\n';
        break;
      case 'r':
        out += '\r';
        break;
      case 't':
        out += '\t';
        break;
      case 'u':
        appendEscapedCodePoint(out);
        continue;
      default:
        out += *position_;
        break;  // '"', '\\', '/', 'b', 'f' and any other byte stand for themselves
    }
    ++position_;
  }
}

bool JsonCursor::takeLiteral(std::string_view word) {
  skipWhitespace();
  if (static_cast<std::size_t>(end_ - position_) < word.size()) return false;
  if (!sameBytes(position_, word.data(), word.size())) return false;
  position_ += word.size();
  return true;
}

void JsonCursor::skipBalanced(char open, char close) {
  ++position_;
  std::size_t depth = 1;
  while (!atEnd() && depth > 0) {
    const char c = *position_++;
    if (c == open)
      ++depth;
    else if (c == close)
      --depth;
  }
}

void JsonCursor::skipBareValue() {
  while (!atEnd()) {
    const char c = *position_;
    if (c == '\n' || c == ' ' || c == ',' || c == '}' || c == ']') return;
    ++position_;
  }
}

void JsonCursor::skipValue() {
  skipWhitespace();
  if (atEnd()) return;
  switch (*position_) {
    case '"': {
      TextBuffer ignored;
      readStringView(ignored);
      return;
    }
    case '{':
      skipBalanced('{', '}');
      return;
    case '[':
      skipBalanced('[', ']');
      return;
    default:
      break;
  }
  // The literal tests consume only on a match, and skip no whitespace here
  // since none is left.
  if (takeLiteral("null") || takeLiteral("true") || takeLiteral("false")) return;
  skipBareValue();
}

bool JsonCursor::enterObject() {
  skipWhitespace();
  if (atEnd() || *position_ != '{') return false;
  ++position_;
  return true;
}

}  // namespace intent_bridge
