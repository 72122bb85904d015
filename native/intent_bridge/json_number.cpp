#include "json_number.h"

#include <cfloat>
#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <cstring>
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

// mantissa x 10^exponent, correctly rounded, when the mantissa is at most
// 2^53 and |exponent| <= 22: then both factors are exact doubles and one
// multiplication or division, which IEEE arithmetic rounds correctly, gives
// the value that strtod gives (Clinger's fast path). False otherwise. Only
// where double arithmetic is carried out in double precision (no wider
// intermediate results); elsewhere always false.
bool exactDecimal(bool negative, std::uint64_t mantissa, int exponent, double& value) {
#if defined(FLT_EVAL_METHOD) && FLT_EVAL_METHOD == 0
  static constexpr double kPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                            1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
  constexpr std::uint64_t kExactMantissa = std::uint64_t{1} << 53;
  if (mantissa == 0) {
    value = negative ? -0.0 : 0.0;
    return true;
  }
  if (mantissa > kExactMantissa || exponent < -22 || exponent > 22) return false;
  const double exact = static_cast<double>(mantissa);
  const double magnitude = exponent < 0 ? exact / kPowersOfTen[-exponent] : exact * kPowersOfTen[exponent];
  value = negative ? -magnitude : magnitude;
  return true;
#else
  (void)negative;
  (void)mantissa;
  (void)exponent;
  (void)value;
  return false;
#endif
}

// The engine's own form of a number: one digit, '.', six digits, followed by
// ',' or '}' (so the span ends there), read eight bytes at a time. Sets
// `value` to what the general scan gives for it (the seven digits over 10^6)
// and returns true; false, with nothing set, for every other form.
bool fixedSixDecimals(const char* digits, const char* end, bool negative, double& value) {
#if defined(__GNUC__) && defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
  if (end - digits < 9 || (digits[8] != ',' && digits[8] != '}') || digits[1] != '.') return false;
  std::uint64_t word;
  std::memcpy(&word, digits, sizeof word);
  // The point read as a '0', then every byte's distance from '0': each must be
  // at most 9 (the classic test: no byte, nor its sum with 0x76, reaches 0x80).
  const std::uint64_t values = ((word & ~std::uint64_t{0xFF00}) | 0x3000) ^ 0x3030303030303030ull;
  if (((values + 0x7676767676767676ull) | values) & 0x8080808080808080ull) return false;
  // The leading digit moved into the point's byte and a zero before it: the
  // eight bytes are then the digits of the seven-digit mantissa, most
  // significant first, combined in pairs, then pairs of pairs, then halves.
  std::uint64_t pairs = (values & ~std::uint64_t{0xFFFF}) | ((values & 0xFF) << 8);
  pairs = pairs * 10 + (pairs >> 8);
  constexpr std::uint64_t kEveryFourth = 0x000000FF000000FFull;
  const std::uint64_t mantissa = ((pairs & kEveryFourth) * (100 + (std::uint64_t{1000000} << 32)) +
                                  ((pairs >> 16) & kEveryFourth) * (1 + (std::uint64_t{10000} << 32))) >>
                                 32;
  return exactDecimal(negative, mantissa, -6, value);
#else
  (void)digits;
  (void)end;
  (void)negative;
  (void)value;
  return false;
#endif
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

namespace intent_bridge {

double scanNumber(const char* start, const char* end, const char*& spanEnd) {
  constexpr int kMaxDigits = 19;  // no overflow of the 64-bit mantissa
  constexpr int kMaxExponent = 100000;
  const char* p = start;
  const bool negative = p < end && *p == '-';
  const bool plus = p < end && *p == '+';
  if (negative || plus) ++p;
  // A single digit before ',' or '}' (the engine's whole scores): its value.
  if (!plus && end - p >= 2 && isDigit(p[0]) && (p[1] == ',' || p[1] == '}')) {
    spanEnd = p + 1;
    const double digit = static_cast<double>(p[0] - '0');
    return negative ? -digit : digit;
  }
  double fixed = 0.0;
  if (!plus && fixedSixDecimals(p, end, negative, fixed)) {
    spanEnd = p + 8;
    return fixed;
  }
  std::uint64_t mantissa = 0;
  int digits = 0;
  int exponent = 0;
  for (; p < end && isDigit(*p); ++p, ++digits) {
    if (digits < kMaxDigits) mantissa = mantissa * 10 + static_cast<unsigned>(*p - '0');
  }
  if (p < end && *p == '.') {
    for (++p; p < end && isDigit(*p); ++p, ++digits, --exponent) {
      if (digits < kMaxDigits) mantissa = mantissa * 10 + static_cast<unsigned>(*p - '0');
    }
  }
  if (p < end && (*p == 'e' || *p == 'E')) {
    // Without digits after it (and its sign) the exponent adds nothing.
    ++p;
    const bool negativeExponent = p < end && *p == '-';
    if (p < end && (*p == '-' || *p == '+')) ++p;
    int written = 0;
    for (; p < end && isDigit(*p); ++p) {
      if (written < kMaxExponent) written = written * 10 + (*p - '0');
    }
    exponent += negativeExponent ? -written : written;
  }
  spanEnd = p;
  // A '+' is strtod's alone; an 'x' or 'X' after the span may make it
  // hexadecimal ("0x1A").
  const bool hexadecimal = p < end && (*p == 'x' || *p == 'X');
  double value = 0.0;
  if (!plus && !hexadecimal && digits > 0 && digits <= kMaxDigits &&
      exactDecimal(negative, mantissa, exponent, value)) {
    return value;
  }
  return numberValue(start, spanEnd, end);
}

}  // namespace intent_bridge
