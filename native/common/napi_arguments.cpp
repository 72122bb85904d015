#include "napi_arguments.h"

#include <cstdint>

#include "napi_errors.h"

namespace deskpet::napi {

namespace {

bool hasType(const CallArguments& args, std::size_t index, napi_valuetype a, napi_valuetype b) {
  if (index >= args.count || index >= CallArguments::kRead) return false;
  napi_valuetype type = napi_undefined;
  return napi_typeof(args.env, args.values[index], &type) == napi_ok && (type == a || type == b);
}

bool isHighSurrogate(char16_t unit) {
  return unit >= 0xD800 && unit <= 0xDBFF;
}
bool isLowSurrogate(char16_t unit) {
  return unit >= 0xDC00 && unit <= 0xDFFF;
}

// Encodes `count` UTF-16 units as UTF-8 at `out` (room for three bytes a
// unit), as the host encodes a string: a surrogate pair as one four-byte
// character, any other surrogate as U+FFFD. Returns the end of the bytes.
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

bool CallArguments::isString(std::size_t index) const {
  return hasType(*this, index, napi_string, napi_string);
}

bool CallArguments::areStrings(std::size_t n) const {
  for (std::size_t index = 0; index < n; ++index) {
    if (!isString(index)) return false;
  }
  return true;
}

bool CallArguments::isObjectLike(std::size_t index) const {
  return hasType(*this, index, napi_object, napi_function);
}

bool CallArguments::readUtf8(std::size_t index, std::string& text) const {
  // The length first, then exactly that many bytes.
  std::size_t length = 0;
  if (napi_get_value_string_utf8(env, values[index], nullptr, 0, &length) != napi_ok) {
    raiseLastNodeApiError(env);
    return false;
  }
  std::string bytes(length, '\0');
  if (napi_get_value_string_utf8(env, values[index], bytes.data(), length + 1, &length) != napi_ok) {
    raiseLastNodeApiError(env);
    return false;
  }
  bytes.resize(length);
  text = std::move(bytes);
  return true;
}

bool CallArguments::readUtf8(std::size_t index, Utf8Argument& text) const {
  // A short string's UTF-16 units are copied in one call and encoded here;
  // one that fills the units (perhaps cut short) is copied at full length.
  char16_t units[Utf8Argument::kInlineUnits + 1];
  std::size_t copied = 0;
  if (napi_get_value_string_utf16(env, values[index], units, Utf8Argument::kInlineUnits + 1, &copied) != napi_ok) {
    raiseLastNodeApiError(env);
    return false;
  }
  if (copied < Utf8Argument::kInlineUnits) {
    char* const end = encodeUtf8(units, copied, text.inline_);
    *end = '\0';
    text.data_ = text.inline_;
    text.size_ = static_cast<std::size_t>(end - text.inline_);
    return true;
  }
  if (!readUtf8(index, text.heap_)) return false;
  text.data_ = text.heap_.c_str();
  text.size_ = text.heap_.size();
  return true;
}

bool readCallArguments(napi_env env, napi_callback_info info, CallArguments& args) noexcept {
  args.env = env;
  std::size_t count = CallArguments::kRead;
  if (napi_get_cb_info(env, info, &count, args.values, nullptr, &args.data) != napi_ok) {
    raiseLastNodeApiError(env);
    return false;
  }
  args.count = count;
  return true;
}

}  // namespace deskpet::napi
