// Publishing a module's script functions: each one a new function without a
// name (its `name` is ""), set on the exports object by a plain named-property
// assignment, in the order the module lists them.
#pragma once

#include <node_api.h>

namespace deskpet::napi {

// Creates the function for `callback` with native `data` and sets it as `name`
// on `exports`. When `freeData` is given it is attached as the function's
// finalizer, which frees `data` when the host collects the function; if that
// cannot be attached, `data` is freed here. False, with the failure pending as a
// script exception, when a step fails.
bool exportFunction(napi_env env, napi_value exports, const char* name, napi_callback callback, void* data = nullptr,
                    napi_finalize freeData = nullptr) noexcept;

}  // namespace deskpet::napi
