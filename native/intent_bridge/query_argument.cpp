#include "query_argument.h"

#include <cstdint>

namespace intent_bridge {

namespace {

bool isHighSurrogate(char16_t unit) {
  return unit >= 0xD800 && unit <= 0xDBFF;
}
bool isLowSurrogate(char16_t unit) {
  return unit >= 0xDC00 && unit <= 0xDFFF;
}

// Encodes `count` UTF-16 units as UTF-8 at `out` (room for three bytes a
// unit): a surrogate pair as one four-byte character, any other surrogate
// as U+FFFD. Returns the end of the bytes written.
char* encodeUtf8(const char16_t* units, std::size_t count, char* out) {
  const auto byte = [](std::uint32_t value) { return static_cast<char>(static_cast<unsigned char>(value)); };
  for (std::size_t i = 0; i < count; ++i) {
    std::uint32_t unit = units[i];
    if (unit < 0x80) {
      *out++ = byte(unit);
      continue;
    }
    if (unit < 0x800) {
      *out++ = byte(0xC0 | (unit >> 6));
      *out++ = byte(0x80 | (unit & 0x3F));
      continue;
    }
    if (isHighSurrogate(static_cast<char16_t>(unit)) && i + 1 < count && isLowSurrogate(units[i + 1])) {
      const std::uint32_t cp = 0x10000 + ((unit - 0xD800) << 10) + (units[i + 1] - 0xDC00u);
      ++i;
      *out++ = byte(0xF0 | (cp >> 18));
      *out++ = byte(0x80 | ((cp >> 12) & 0x3F));
      *out++ = byte(0x80 | ((cp >> 6) & 0x3F));
      *out++ = byte(0x80 | (cp & 0x3F));
      continue;
    }
    if (unit >= 0xD800 && unit <= 0xDFFF) unit = 0xFFFD;
    *out++ = byte(0xE0 | (unit >> 12));
    *out++ = byte(0x80 | ((unit >> 6) & 0x3F));
    *out++ = byte(0x80 | (unit & 0x3F));
  }
  return out;
}

}  // namespace

bool QueryArgument::read(const CallArguments& args, const char* message) {
  // A value that is not a string fails the copy with napi_string_expected.
  char16_t units[kInlineUnits + 1];
  std::size_t copied = 0;
  const bool copiedAll =
      args.count > 0 &&
      napi_get_value_string_utf16(args.env, args.values[0], units, kInlineUnits + 1, &copied) == napi_ok &&
      copied < kInlineUnits;
  if (!copiedAll) {
    // Not a string (the usual test throws its TypeError), or perhaps cut
    // short: the whole string is copied as UTF-8.
    if (!requireStringArgument(args, message, long_)) return false;
    data_ = long_.c_str();
    return true;
  }
  *encodeUtf8(units, copied, inline_) = '\0';
  data_ = inline_;
  return true;
}

}  // namespace intent_bridge
