#include "napi_errors.h"

#include <napi.h>

namespace deskpet::napi {

namespace {

napi_value newError(napi_env env, ErrorKind kind, const char* message) noexcept {
  napi_value text = nullptr;
  napi_value error = nullptr;
  if (napi_create_string_utf8(env, message, NAPI_AUTO_LENGTH, &text) != napi_ok) return nullptr;
  const napi_status status = kind == ErrorKind::kTypeError ? napi_create_type_error(env, nullptr, text, &error)
                                                           : napi_create_error(env, nullptr, text, &error);
  return status == napi_ok ? error : nullptr;
}

// The detail is extra: an error that cannot carry it is thrown without it.
void attachDetail(napi_env env, napi_value error, const char* detail) noexcept {
  napi_value text = nullptr;
  if (napi_create_string_utf8(env, detail, NAPI_AUTO_LENGTH, &text) != napi_ok) return;
  napi_set_named_property(env, error, "detail", text);
}

}  // namespace

bool exceptionPending(napi_env env) noexcept {
  bool pending = false;
  return napi_is_exception_pending(env, &pending) != napi_ok || pending;
}

void throwUnlessPending(napi_env env, ErrorKind kind, const char* message, const char* detail) noexcept {
  if (exceptionPending(env)) return;
  const napi_value error = newError(env, kind, message);
  if (error != nullptr) {
    if (detail != nullptr && *detail != '\0') attachDetail(env, error, detail);
    if (!exceptionPending(env) && napi_throw(env, error) == napi_ok) return;
  }
  // Making the error object failed; let the host make a plain one. This fails
  // only when the environment can no longer run script, and then nobody is told.
  if (!exceptionPending(env)) napi_throw_error(env, nullptr, message);
}

void raiseLastNodeApiError(napi_env env) noexcept {
  Napi::Error::New(env).ThrowAsJavaScriptException();
}

napi_value undefinedValue(napi_env env) noexcept {
  napi_value value = nullptr;
  napi_get_undefined(env, &value);
  return value;
}

}  // namespace deskpet::napi
