#include "json_cursor.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace intent_bridge {

namespace {

bool isJsonWhitespace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

// Whitespace that strtod itself skips before a number (the C locale's isspace).
bool isLeadingSpaceForStrtod(char c) {
  return isJsonWhitespace(c) || c == '\v' || c == '\f';
}

// Every byte strtod can accept after leading whitespace: signs, digits, the
// decimal point, exponent and hexadecimal letters, and the letters, digits,
// underscores and parentheses of the infinity and NaN forms.
bool mayBelongToStrtodSpan(char c) {
  return isDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '.' || c == '+' || c == '-' ||
         c == '_' || c == '(' || c == ')';
}

void appendUtf8(std::string& out, unsigned long cp) {
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

void JsonCursor::skipWhitespace() {
  while (!atEnd() && isJsonWhitespace(*position_)) ++position_;
}

void JsonCursor::appendEscapedCodePoint(std::string& out) {
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
  std::string out;
  skipWhitespace();
  if (atEnd() || *position_ != '"') return out;
  ++position_;
  while (!atEnd()) {
    const char c = *position_;
    if (c == '"') {
      ++position_;
      return out;
    }
    if (c != '\\' || end_ - position_ < 2) {
      out += c;
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
  return out;
}

double JsonCursor::readNumber() {
  skipWhitespace();
  const char* const start = position_;

  const auto takeSign = [this] {
    if (!atEnd() && (*position_ == '+' || *position_ == '-')) ++position_;
  };
  const auto takeDigits = [this] {
    while (!atEnd() && isDigit(*position_)) ++position_;
  };
  takeSign();
  takeDigits();
  if (!atEnd() && *position_ == '.') {
    ++position_;
    takeDigits();
  }
  if (!atEnd() && (*position_ == 'e' || *position_ == 'E')) {
    ++position_;
    takeSign();
    takeDigits();
  }

  // strtod may read further than the scanned span (hexadecimal and infinity
  // forms) but must not run past the reply, so it works on a NUL-terminated
  // copy of every byte it could possibly accept from the start.
  const char* copyEnd = start;
  while (copyEnd < end_ && isLeadingSpaceForStrtod(*copyEnd)) ++copyEnd;
  while (copyEnd < end_ && mayBelongToStrtodSpan(*copyEnd)) ++copyEnd;
  const std::string text(start, copyEnd);
  return std::strtod(text.c_str(), nullptr);
}

bool JsonCursor::takeLiteral(std::string_view word) {
  skipWhitespace();
  if (static_cast<std::size_t>(end_ - position_) < word.size()) return false;
  if (std::memcmp(position_, word.data(), word.size()) != 0) return false;
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
    case '"':
      readString();
      return;
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
