// Finds where JSON text stops being JSON, for error messages: the byte offset,
// line and column of the first fault and what it is. The readers of the project
// parse with simdjson, which says only that a text is malformed; when it does,
// this scan says where and why. It follows RFC 8259 and the limits simdjson
// keeps (1024 levels of nesting, integers within 64 bits, finite numbers).
#pragma once

#include <charconv>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "deskpet/utf8.h"

namespace deskpet {

struct JsonSyntaxError {
  std::size_t offset = 0;  // bytes from the start of the text
  std::size_t line = 1;    // from 1
  std::size_t column = 1;  // from 1, counted in characters (code points)
  std::string reason;

  // "line 3, column 14: trailing comma before '}'"
  std::string describe() const {
    return "line " + std::to_string(line) + ", column " + std::to_string(column) + ": " + reason;
  }
};

namespace json_syntax_detail {

class Scanner {
 public:
  explicit Scanner(std::string_view text) : text_(text) {}

  // The first fault, or nothing when the text is one well-formed JSON value.
  std::optional<JsonSyntaxError> scan() {
    if (text_.substr(0, 3) == "\xEF\xBB\xBF") pos_ = 3;  // a byte order mark is allowed
    skipWhitespace();
    if (atEnd()) return fault(pos_, text_.empty() ? "the text is empty" : "the text holds no JSON value");
    if (!value()) return error_;
    skipWhitespace();
    if (!atEnd()) return fault(pos_, "unexpected text after the JSON value");
    return std::nullopt;
  }

 private:
  static constexpr std::size_t kMaxDepth = 1024;

  bool atEnd() const { return pos_ >= text_.size(); }
  char peek() const { return text_[pos_]; }

  void skipWhitespace() {
    while (!atEnd() && (peek() == ' ' || peek() == '\t' || peek() == '\n' || peek() == '\r')) ++pos_;
  }

  std::optional<JsonSyntaxError> fault(std::size_t offset, std::string reason) {
    JsonSyntaxError error;
    error.offset = offset;
    const std::size_t lineStart = text_.rfind('\n', offset == 0 ? 0 : offset - 1);
    std::size_t begin = 0;
    if (lineStart != std::string_view::npos && lineStart < offset) begin = lineStart + 1;
    for (std::size_t i = 0; i < begin; ++i) error.line += text_[i] == '\n' ? 1 : 0;
    error.column = 1 + utf8CodePointCount(text_.substr(begin, offset - begin));
    error.reason = std::move(reason);
    error_ = std::move(error);
    return error_;
  }

  bool fail(std::size_t offset, std::string reason) {
    fault(offset, std::move(reason));
    return false;
  }

  bool value() {
    if (atEnd()) return fail(pos_, "the text ends where a value is expected");
    switch (peek()) {
      case '{':
        return container('{', '}');
      case '[':
        return container('[', ']');
      case '"':
        return string();
      case 't':
        return literal("true");
      case 'f':
        return literal("false");
      case 'n':
        return literal("null");
      default:
        if (peek() == '-' || (peek() >= '0' && peek() <= '9')) return number();
        return fail(pos_, "expected a value");
    }
  }

  bool literal(std::string_view word) {
    if (text_.substr(pos_, word.size()) != word)
      return fail(pos_, "expected a value (true, false and null are the only words)");
    pos_ += word.size();
    return true;
  }

  // An object ({ "key": value, ... }) or an array ([ value, ... ]).
  bool container(char open, char close) {
    const bool isObject = open == '{';
    const std::string closing = std::string("'") + close + "'";
    if (++depth_ > kMaxDepth) return fail(pos_, "nested deeper than 1024 levels");
    ++pos_;
    skipWhitespace();
    if (!atEnd() && peek() == close) {
      ++pos_;
      --depth_;
      return true;
    }
    for (;;) {
      if (isObject && !member()) return false;
      if (!isObject && !value()) return false;
      skipWhitespace();
      if (atEnd()) return fail(pos_, std::string("the text ends inside an ") + (isObject ? "object" : "array"));
      if (peek() == close) break;
      if (peek() != ',') return fail(pos_, "expected ',' or " + closing);
      const std::size_t comma = pos_++;
      skipWhitespace();
      if (!atEnd() && peek() == close) return fail(comma, "trailing comma before " + closing);
    }
    ++pos_;
    --depth_;
    return true;
  }

  bool member() {
    skipWhitespace();
    if (atEnd() || peek() != '"') return fail(pos_, "expected a member name in double quotes");
    if (!string()) return false;
    skipWhitespace();
    if (atEnd() || peek() != ':') return fail(pos_, "expected ':' after the member name");
    ++pos_;
    skipWhitespace();
    return value();
  }

  static int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  }

  // The code unit of a \uXXXX escape at pos_, or -1.
  long unicodeEscape() const {
    if (text_.size() - pos_ < 6 || text_[pos_] != '\\' || text_[pos_ + 1] != 'u') return -1;
    long unit = 0;
    for (std::size_t i = 2; i < 6; ++i) {
      const int digit = hexValue(text_[pos_ + i]);
      if (digit < 0) return -1;
      unit = unit * 16 + digit;
    }
    return unit;
  }

  bool escape() {
    if (pos_ + 1 >= text_.size()) return fail(pos_, "unterminated string");
    const char kind = text_[pos_ + 1];
    if (kind != 'u') {
      if (std::string_view("\"\\/bfnrt").find(kind) == std::string_view::npos) {
        return fail(pos_, "invalid escape sequence");
      }
      pos_ += 2;
      return true;
    }
    const long unit = unicodeEscape();
    if (unit < 0) return fail(pos_, "invalid \\u escape (four hexadecimal digits expected)");
    if (unit >= 0xDC00 && unit <= 0xDFFF) return fail(pos_, "unpaired surrogate in a \\u escape");
    const std::size_t start = pos_;
    pos_ += 6;
    if (unit >= 0xD800 && unit <= 0xDBFF) {
      const long low = unicodeEscape();
      if (low < 0xDC00 || low > 0xDFFF) return fail(start, "unpaired surrogate in a \\u escape");
      pos_ += 6;
    }
    return true;
  }

  bool string() {
    const std::size_t start = pos_++;
    for (;;) {
      if (atEnd()) return fail(start, "unterminated string");
      const auto byte = static_cast<unsigned char>(peek());
      if (byte == '"') {
        ++pos_;
        return true;
      }
      if (byte == '\\') {
        if (!escape()) return false;
      } else if (byte < 0x20) {
        return fail(pos_, "control character inside a string (write it as an escape)");
      } else if (byte < 0x80) {
        ++pos_;
      } else {
        const std::size_t length = utf8SequenceLength(text_, pos_);
        if (length == 0) return fail(pos_, "invalid UTF-8");
        pos_ += length;
      }
    }
  }

  std::size_t digits() {
    const std::size_t start = pos_;
    while (!atEnd() && peek() >= '0' && peek() <= '9') ++pos_;
    return pos_ - start;
  }

  bool number() {
    const std::size_t start = pos_;
    if (peek() == '-') ++pos_;
    const std::size_t integerStart = pos_;
    const std::size_t integerDigits = digits();
    if (integerDigits == 0) return fail(start, "invalid number");
    if (integerDigits > 1 && text_[integerStart] == '0') return fail(start, "invalid number (leading zero)");
    bool isInteger = true;
    if (!atEnd() && peek() == '.') {
      ++pos_;
      if (digits() == 0) return fail(start, "invalid number (digits expected after '.')");
      isInteger = false;
    }
    if (!atEnd() && (peek() == 'e' || peek() == 'E')) {
      ++pos_;
      if (!atEnd() && (peek() == '+' || peek() == '-')) ++pos_;
      if (digits() == 0) return fail(start, "invalid number (digits expected in the exponent)");
      isInteger = false;
    }
    const std::string_view token = text_.substr(start, pos_ - start);
    if (isInteger && !integerFits(token)) return fail(start, "integer too large for 64 bits");
    if (!isInteger && overflows(token)) return fail(start, "number out of range");
    return true;
  }

  // Integers are read as signed or unsigned 64-bit values.
  static bool integerFits(std::string_view token) {
    const bool negative = token.front() == '-';
    const std::string_view magnitude = negative ? token.substr(1) : token;
    const std::string_view limit = negative ? "9223372036854775808" : "18446744073709551615";
    return magnitude.size() < limit.size() || (magnitude.size() == limit.size() && magnitude <= limit);
  }

  // Whether the number is too large for a double (one too small reads as 0).
  static bool overflows(std::string_view token) {
    double value = 0;
    const auto result = std::from_chars(token.data(), token.data() + token.size(), value);
    if (result.ec != std::errc::result_out_of_range) return false;
    // Out of range either way: too large exactly when its first significant
    // digit stands at a positive power of ten.
    const std::size_t exponentAt = token.find_first_of("eE");
    const std::string_view mantissa = token.substr(0, exponentAt);
    long exponent = 0;
    if (exponentAt != std::string_view::npos) {
      std::string_view digitsText = token.substr(exponentAt + 1);
      const bool negative = !digitsText.empty() && digitsText.front() == '-';
      if (!digitsText.empty() && (digitsText.front() == '+' || digitsText.front() == '-')) digitsText.remove_prefix(1);
      for (char c : digitsText) exponent = exponent < 100000 ? exponent * 10 + (c - '0') : exponent;
      if (negative) exponent = -exponent;
    }
    const std::size_t signLength = mantissa.front() == '-' ? 1 : 0;
    const std::size_t point = mantissa.find('.');
    const std::string_view integerPart =
        mantissa.substr(signLength, point == std::string_view::npos ? point : point - signLength);
    const std::string_view fraction = point == std::string_view::npos ? std::string_view() : mantissa.substr(point + 1);
    // The power of ten of the first significant digit, before the exponent.
    long leading = 0;
    const std::size_t firstNonZero = integerPart.find_first_not_of('0');
    if (firstNonZero != std::string_view::npos) {
      leading = static_cast<long>(integerPart.size() - firstNonZero) - 1;
    } else {
      const std::size_t fractionNonZero = fraction.find_first_not_of('0');
      leading = -static_cast<long>(fractionNonZero == std::string_view::npos ? fraction.size() : fractionNonZero) - 1;
    }
    return leading + exponent >= 0;
  }

  std::string_view text_;
  std::size_t pos_ = 0;
  std::size_t depth_ = 0;
  std::optional<JsonSyntaxError> error_;
};

}  // namespace json_syntax_detail

// The first syntax fault of `text`, or nothing when it is one well-formed JSON
// value (with whitespace around it and an optional byte order mark in front).
inline std::optional<JsonSyntaxError> findJsonSyntaxError(std::string_view text) {
  return json_syntax_detail::Scanner(text).scan();
}

}  // namespace deskpet
