#include "script_string.h"

#include <cstdint>
#include <cstring>
#include <string>

#if defined(__SSE2__) && defined(__GNUC__)
#include <emmintrin.h>
#endif

namespace intent_bridge {

namespace {

constexpr std::size_t kStackUnits = 512;

bool isAscii(std::string_view bytes) {
  const char* p = bytes.data();
  const char* const end = p + bytes.size();
  for (; end - p >= 8; p += 8) {
    std::uint64_t word;
    std::memcpy(&word, p, 8);
    if ((word & 0x8080808080808080ull) != 0) return false;
  }
  for (; p < end; ++p) {
    if (static_cast<unsigned char>(*p) >= 0x80) return false;
  }
  return true;
}

bool isContinuation(unsigned char byte) {
  return (byte & 0xC0) == 0x80;
}

// Decodes well-formed UTF-8 (no overlong forms, no surrogates, nothing above
// U+10FFFF, no cut-off sequence) into UTF-16 at `out`, which has room for
// bytes.size() units. Returns the units written, or -1 at the first
// ill-formed sequence, which the host's own decoder must then replace.
long decodeWellFormed(std::string_view bytes, char16_t* out) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const auto* const end = p + bytes.size();
  char16_t* const first = out;
  while (p < end) {
    const unsigned char lead = *p;
    if (lead < 0x80) {
#if defined(__SSE2__) && defined(__GNUC__)
      // A run of ASCII, sixteen bytes at a time while sixteen remain: each
      // block is widened whole (`out` has room for as many units as bytes
      // remain), and the run goes on up to its first byte that is not ASCII.
      while (end - p >= 16) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i zero = _mm_setzero_si128();
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_unpacklo_epi8(block, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 8), _mm_unpackhi_epi8(block, zero));
        const unsigned high = static_cast<unsigned>(_mm_movemask_epi8(block));
        const unsigned ascii = high == 0 ? 16 : static_cast<unsigned>(__builtin_ctz(high));
        p += ascii;
        out += ascii;
        if (ascii < 16) break;
      }
#endif
      // A run of ASCII, eight bytes at a time while eight remain.
      for (; end - p >= 8; p += 8, out += 8) {
        std::uint64_t word;
        std::memcpy(&word, p, sizeof word);
        if ((word & 0x8080808080808080ull) != 0) break;
        for (int i = 0; i < 8; ++i) out[i] = p[i];
      }
      while (p < end && *p < 0x80) *out++ = *p++;
      continue;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
      if (end - p < 2 || !isContinuation(p[1])) return -1;
      *out++ = static_cast<char16_t>(((lead & 0x1F) << 6) | (p[1] & 0x3F));
      p += 2;
      continue;
    }
    if (lead >= 0xE0 && lead <= 0xEF) {
      // A run of three-byte characters (the Chinese text of replies), the
      // lead and both continuation bytes of each tested at once; the run ends
      // at any other byte, which the outer loop then reads. A lead that does
      // not start a run is ill-formed (cut off, or a wrong continuation).
      const char16_t* const runStart = out;
      for (; end - p >= 3; p += 3) {
        const std::uint32_t word = p[0] | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16);
        if ((word & 0xC0C0F0u) != 0x8080E0u) break;
        const char32_t cp = ((word & 0x0Fu) << 12) | ((word & 0x3F00u) >> 2) | ((word >> 16) & 0x3Fu);
        if (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF)) return -1;
        *out++ = static_cast<char16_t>(cp);
      }
      if (out == runStart) return -1;
      continue;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
      if (end - p < 4 || !isContinuation(p[1]) || !isContinuation(p[2]) || !isContinuation(p[3])) return -1;
      const char32_t cp = ((lead & 0x07) << 18) | ((p[1] & 0x3F) << 12) | ((p[2] & 0x3F) << 6) | (p[3] & 0x3F);
      if (cp < 0x10000 || cp > 0x10FFFF) return -1;
      *out++ = static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
      *out++ = static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
      p += 4;
      continue;
    }
    return -1;
  }
  return static_cast<long>(out - first);
}

napi_value viaHost(napi_env env, std::string_view bytes) {
  napi_value value = nullptr;
  if (napi_create_string_utf8(env, bytes.data(), bytes.size(), &value) != napi_ok) return nullptr;
  return value;
}

napi_value fromUtf16(napi_env env, const char16_t* units, long count) {
  napi_value value = nullptr;
  if (napi_create_string_utf16(env, units, static_cast<std::size_t>(count), &value) != napi_ok) return nullptr;
  return value;
}

}  // namespace

napi_value makeScriptString(napi_env env, std::string_view bytes) {
  if (isAscii(bytes)) {
    napi_value value = nullptr;
    if (napi_create_string_latin1(env, bytes.data(), bytes.size(), &value) != napi_ok) return nullptr;
    return value;
  }
  // UTF-8 never takes fewer bytes than UTF-16 takes units.
  if (bytes.size() <= kStackUnits) {
    char16_t units[kStackUnits];
    const long count = decodeWellFormed(bytes, units);
    return count < 0 ? viaHost(env, bytes) : fromUtf16(env, units, count);
  }
  std::u16string units(bytes.size(), u'\0');
  const long count = decodeWellFormed(bytes, units.data());
  return count < 0 ? viaHost(env, bytes) : fromUtf16(env, units.data(), count);
}

}  // namespace intent_bridge
