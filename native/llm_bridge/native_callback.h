#pragma once

#include <exception>

#include <napi.h>

namespace llm_bridge {

using ScriptHandler = Napi::Value (*)(const Napi::CallbackInfo&);

// Leaves a script Error with `message` pending, unless a script exception is
// pending already.
void throwUnlessPending(napi_env env, const char* message) noexcept;

// Node-API's view of a handler. node-addon-api runs with C++ exceptions disabled
// and does not catch; this adapter makes sure that nothing thrown in native code
// (an allocation failure while reading the arguments, say) crosses into the host:
// it becomes a pending script Error instead.
template <ScriptHandler Handler>
napi_value nativeCallback(napi_env env, napi_callback_info info) noexcept {
  try {
    const Napi::CallbackInfo callbackInfo(env, info);
    return Handler(callbackInfo);
  } catch (const std::exception& error) {
    throwUnlessPending(env, error.what());
  } catch (...) {
    throwUnlessPending(env, "unknown C++ exception");
  }
  return nullptr;
}

}  // namespace llm_bridge
