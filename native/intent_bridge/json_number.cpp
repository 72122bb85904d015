#include "json_number.h"

#include <charconv>
#include <cstdlib>
#include <string>
#include <system_error>

namespace intent_bridge {

namespace {

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

// Whitespace that strtod itself skips before a number (the C locale's isspace).
bool isLeadingSpaceForStrtod(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// Every byte strtod can accept after leading whitespace: signs, digits, the
// decimal point, exponent and hexadecimal letters, and the letters, digits,
// underscores and parentheses of the infinity and NaN forms.
bool mayBelongToStrtodSpan(char c) {
  return isDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '.' || c == '+' || c == '-' ||
         c == '_' || c == '(' || c == ')';
}

// Whether strtod reads exactly the decimal number that the span holds, so that
// from_chars over the span gives its value. It reads further only into a
// hexadecimal form ("0x..."), whose span stops after the "0"; it reads
// something other than a decimal only for infinity and NaN, whose span holds
// no digit, and after whitespace that the reader does not skip (form feed,
// vertical tab), which leaves the span empty. A '+' is not accepted by
// from_chars.
bool isPlainDecimal(const char* start, const char* spanEnd, const char* end) {
  const char* p = start;
  if (p < spanEnd && *p == '-') ++p;
  if (p == spanEnd || !(isDigit(*p) || *p == '.')) return false;
  const bool hexPrefix = *p == '0' && p + 1 == spanEnd && spanEnd < end && (*spanEnd == 'x' || *spanEnd == 'X');
  return !hexPrefix;
}

}  // namespace

double strtodOnCopy(const char* start, const char* end) {
  const char* copyEnd = start;
  while (copyEnd < end && isLeadingSpaceForStrtod(*copyEnd)) ++copyEnd;
  while (copyEnd < end && mayBelongToStrtodSpan(*copyEnd)) ++copyEnd;
  const std::string text(start, copyEnd);
  return std::strtod(text.c_str(), nullptr);
}

double numberValue(const char* start, const char* spanEnd, const char* end) {
  if (isPlainDecimal(start, spanEnd, end)) {
    double value = 0.0;
    const std::from_chars_result read = std::from_chars(start, spanEnd, value);
    // A span from_chars cannot convert holds no digit (strtod gives 0 too);
    // out of range, strtod gives infinity or the nearest tiny value.
    if (read.ec == std::errc()) return value;
  }
  return strtodOnCopy(start, end);
}

}  // namespace intent_bridge
