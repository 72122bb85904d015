#include "napi_exports.h"

#include "napi_errors.h"

namespace deskpet::napi {

bool exportFunction(napi_env env, napi_value exports, const char* name, napi_callback callback, void* data,
                    napi_finalize freeData) noexcept {
  napi_value function = nullptr;
  if (napi_create_function(env, nullptr, 0, callback, data, &function) != napi_ok) {
    if (freeData != nullptr) freeData(env, data, nullptr);
    raiseLastNodeApiError(env);
    return false;
  }
  if (freeData != nullptr && napi_add_finalizer(env, function, data, freeData, nullptr, nullptr) != napi_ok) {
    // The function is dropped unpublished, so nothing can call it and reach the
    // data after it is freed here.
    freeData(env, data, nullptr);
    raiseLastNodeApiError(env);
    return false;
  }
  if (napi_set_named_property(env, exports, name, function) != napi_ok) {
    raiseLastNodeApiError(env);
    return false;
  }
  return true;
}

}  // namespace deskpet::napi
