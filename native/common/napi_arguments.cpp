#include "napi_arguments.h"

#include "napi_errors.h"

namespace deskpet::napi {

namespace {

bool hasType(const CallArguments& args, std::size_t index, napi_valuetype a, napi_valuetype b) {
  if (index >= args.count || index >= CallArguments::kRead) return false;
  napi_valuetype type = napi_undefined;
  return napi_typeof(args.env, args.values[index], &type) == napi_ok && (type == a || type == b);
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
  // The UTF-16 length is known to the host without a pass over the string.
  std::size_t units = 0;
  if (napi_get_value_string_utf16(env, values[index], nullptr, 0, &units) != napi_ok) {
    raiseLastNodeApiError(env);
    return false;
  }
  if (units <= (Utf8Argument::kInlineBytes - 1) / 3) {
    std::size_t length = 0;
    if (napi_get_value_string_utf8(env, values[index], text.inline_, Utf8Argument::kInlineBytes, &length) != napi_ok) {
      raiseLastNodeApiError(env);
      return false;
    }
    text.data_ = text.inline_;
    text.size_ = length;
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
