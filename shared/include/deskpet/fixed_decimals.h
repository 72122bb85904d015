// Fixed-point text of a double with a few decimals, as std::to_chars writes it
// with std::chars_format::fixed, made without its general algorithm: scores
// and similarities are written several times per reply.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace deskpet {

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
  const double magnitude = std::fabs(value);
  std::uint64_t scaled = 0;    // round(magnitude * scale)
  if (magnitude >= 0x1p-30) {  // below, the product is under 0.001 and rounds to 0
    std::uint64_t bits = 0;
    std::memcpy(&bits, &magnitude, sizeof bits);
    const std::uint64_t significand = (bits & ((std::uint64_t{1} << 52) - 1)) | (std::uint64_t{1} << 52);
    const int shift = 1075 - static_cast<int>(bits >> 52);  // 21..82 in this range
    const unsigned __int128 product = static_cast<unsigned __int128>(significand) * scale;
    scaled = static_cast<std::uint64_t>(product >> shift);
    const unsigned __int128 rest = product & ((static_cast<unsigned __int128>(1) << shift) - 1);
    const unsigned __int128 half = static_cast<unsigned __int128>(1) << (shift - 1);
    if (rest > half || (rest == half && (scaled & 1) != 0)) ++scaled;
  }
  std::uint64_t whole = scaled / scale;
  std::uint32_t fraction = static_cast<std::uint32_t>(scaled % scale);
  char digits[12];
  int count = 0;
  do {
    digits[count++] = static_cast<char>('0' + whole % 10);
    whole /= 10;
  } while (whole != 0);
  while (count > 0) *p++ = digits[--count];
  if (decimals == 0) return static_cast<std::size_t>(p - out);
  *p++ = '.';
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

}  // namespace deskpet
