#include "native_callback.h"

namespace llm_bridge {

void throwUnlessPending(napi_env env, const char* message) noexcept {
  bool pending = false;
  if (napi_is_exception_pending(env, &pending) != napi_ok || pending) return;
  // Fails only when the environment can no longer run script; then there is
  // nobody to tell.
  napi_throw_error(env, nullptr, message != nullptr ? message : "unknown C++ exception");
}

}  // namespace llm_bridge
