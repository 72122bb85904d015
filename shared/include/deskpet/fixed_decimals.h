// Fixed-point text of a double with a few decimals, as std::to_chars writes it
// with std::chars_format::fixed, made without its general algorithm: scores
// and similarities are written several times per reply.
#pragma once

#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace deskpet {

namespace fixed_decimals_detail {

// "00" to "99", two characters each.
inline constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

#ifdef __SIZEOF_INT128__
// round(magnitude * scale), the exact binary value rounded half to even, for a
// magnitude below 2^32 and a scale of at most 10^6.
inline std::uint64_t scaledMagnitude(double magnitude, std::uint32_t scale) {
  if (magnitude < 0x1p-30) return 0;  // the product is under 0.001 and rounds to 0
  std::uint64_t bits = 0;
  std::memcpy(&bits, &magnitude, sizeof bits);
  const std::uint64_t significand = (bits & ((std::uint64_t{1} << 52) - 1)) | (std::uint64_t{1} << 52);
  const int shift = 1075 - static_cast<int>(bits >> 52);  // 21..82 in this range
  const unsigned __int128 product = static_cast<unsigned __int128>(significand) * scale;
  std::uint64_t scaled = static_cast<std::uint64_t>(product >> shift);
  const unsigned __int128 rest = product & ((static_cast<unsigned __int128>(1) << shift) - 1);
  const unsigned __int128 half = static_cast<unsigned __int128>(1) << (shift - 1);
  if (rest > half || (rest == half && (scaled & 1) != 0)) ++scaled;
  return scaled;
}
#endif

// round(magnitude * scale), the exact product rounded half to even, for a
// magnitude below 2^32 and a scale of at most 10^6, from the product in
// doubles where that settles it: false when the rounded product lies too near
// the middle between two integers to tell on which side the exact one lies.
inline bool roundedScale(double magnitude, std::uint32_t scale, std::uint64_t& scaled) {
#if defined(FLT_EVAL_METHOD) && FLT_EVAL_METHOD == 0
  // The product p is below 2^52 and within a unit in its last place (at most
  // p * 2^-52) of the exact one, whatever the rounding mode. Its whole part
  // and fraction t are exact; so long as t is farther from 1/2 than that, the
  // exact product rounds as p does. (Signed conversions: one instruction each.)
  const double product = magnitude * scale;
  const auto whole = static_cast<std::int64_t>(product);
  const double fraction = product - static_cast<double>(whole);
  if (std::fabs(fraction - 0.5) <= product * 0x1p-52) return false;
  scaled = static_cast<std::uint64_t>(whole) + (fraction > 0.5 ? 1 : 0);
  return true;
#else
  (void)magnitude;
  (void)scale;
  (void)scaled;
  return false;
#endif
}

// The decimal digits of `value`, most significant first.
inline char* writeUnsigned(char* out, std::uint64_t value) {
  char digits[20];
  int count = 0;
  do {
    digits[count++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  while (count > 0) *out++ = digits[--count];
  return out;
}

}  // namespace fixed_decimals_detail

// Writes `value` with `decimals` (0 to 6) decimals to `out` and returns the
// length (at most 18 bytes), for a finite value below 2^32 in magnitude; the
// text is that of std::to_chars: the exact binary value rounded half to even,
// with a minus sign for negative values (-0 included). Returns 0, writing
// nothing, for other values and where 128-bit integers are missing; the
// caller then uses std::to_chars.
inline std::size_t fixedDecimals(double value, int decimals, char* out) {
#ifdef __SIZEOF_INT128__
  static constexpr std::uint32_t kScales[] = {1, 10, 100, 1000, 10000, 100000, 1000000};
  if (decimals < 0 || decimals > 6 || !(std::fabs(value) < 4294967296.0)) return 0;  // also NaN
  const std::uint32_t scale = kScales[decimals];
  char* p = out;
  if (std::signbit(value)) *p++ = '-';
  std::uint64_t scaled = 0;
  if (!fixed_decimals_detail::roundedScale(std::fabs(value), scale, scaled)) {
    scaled = fixed_decimals_detail::scaledMagnitude(std::fabs(value), scale);
  }
  const std::uint64_t whole = scaled / scale;
  if (whole < 10) {  // scores and similarities: one digit
    *p++ = static_cast<char>('0' + whole);
  } else {
    p = fixed_decimals_detail::writeUnsigned(p, whole);
  }
  if (decimals == 0) return static_cast<std::size_t>(p - out);
  *p++ = '.';
  std::uint32_t fraction = static_cast<std::uint32_t>(scaled - whole * scale);
  if (decimals == 2) {
    std::memcpy(p, fixed_decimals_detail::kDigitPairs + 2 * fraction, 2);
    return static_cast<std::size_t>(p + 2 - out);
  }
  for (int i = decimals - 1; i >= 0; --i) {
    p[i] = static_cast<char>('0' + fraction % 10);
    fraction /= 10;
  }
  return static_cast<std::size_t>(p + decimals - out);
#else
  (void)value;
  (void)decimals;
  (void)out;
  return 0;
#endif
}

// The room writeFixedSix needs for `value`: the text of a double of 2^32 or
// more can have 309 digits before the point.
inline std::size_t fixedSixBound(double value) {
  return std::fabs(value) >= 4294967296.0 ? 320 : 18;
}

// Writes `value` with six decimals at `out`, which has room for
// fixedSixBound(value) bytes, as std::to_chars does (fixed, 6), a non-finite
// value as 0; returns the end of the text.
inline char* writeFixedSix(char* out, double value) {
  using namespace fixed_decimals_detail;
  const double magnitude = std::fabs(value);
  if (magnitude < 4294967296.0) {  // not NaN either
    std::uint64_t scaled = 0;
    if (!roundedScale(magnitude, 1000000, scaled)) {
#ifdef __SIZEOF_INT128__
      scaled = scaledMagnitude(magnitude, 1000000);
#else
      return std::to_chars(out, out + fixedSixBound(value), value, std::chars_format::fixed, 6).ptr;
#endif
    }
    char* p = out;
    if (std::signbit(value)) *p++ = '-';
    const std::uint64_t whole = scaled / 1000000;
    const auto fraction = static_cast<std::uint32_t>(scaled - whole * 1000000);
    if (whole < 10) {
      *p++ = static_cast<char>('0' + whole);
    } else {
      p = writeUnsigned(p, whole);
    }
    *p = '.';
    // The three digit pairs of the fraction from one product: its top word is
    // fraction / 10^4 and the rest, times 100 twice, gives the other pairs
    // (exact for every fraction below 10^6).
    std::uint64_t pairs = std::uint64_t{fraction} * 429497u;  // 2^32 / 10^4, rounded up
    std::memcpy(p + 1, kDigitPairs + 2 * (pairs >> 32), 2);
    pairs = (pairs & 0xFFFFFFFFu) * 100;
    std::memcpy(p + 3, kDigitPairs + 2 * (pairs >> 32), 2);
    pairs = (pairs & 0xFFFFFFFFu) * 100;
    std::memcpy(p + 5, kDigitPairs + 2 * (pairs >> 32), 2);
    return p + 7;
  }
  const double finite = std::isfinite(value) ? value : 0.0;
  return std::to_chars(out, out + fixedSixBound(finite), finite, std::chars_format::fixed, 6).ptr;
}

}  // namespace deskpet
