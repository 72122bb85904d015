// Script errors raised from native code. Node-API is used without C++
// exceptions: an error is left pending and the native code returns; the host
// raises it when the script function returns. The first error of a call is the
// one the script sees.
#pragma once

#include <node_api.h>

namespace deskpet::napi {

enum class ErrorKind { kError, kTypeError };

// Whether a script exception is pending in `env` (also when that cannot be told).
bool exceptionPending(napi_env env) noexcept;

// Leaves a new Error or TypeError with `message` pending, unless an exception is
// pending already. A non-empty `detail` becomes its string property `detail`.
// Allocates nothing natively, so it is safe in a catch clause.
void throwUnlessPending(napi_env env, ErrorKind kind, const char* message, const char* detail = nullptr) noexcept;

// Turns the failure of the last Node-API call into a pending script exception,
// the way node-addon-api reports failures with C++ exceptions disabled.
void raiseLastNodeApiError(napi_env env) noexcept;

napi_value undefinedValue(napi_env env) noexcept;

}  // namespace deskpet::napi
