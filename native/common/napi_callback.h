// The entry of every script function of both modules: reads the call's
// arguments and runs the handler, and keeps every native exception out of the
// host (node-addon-api runs with C++ exceptions disabled and catches nothing).
// An exception that escapes a handler becomes a pending script Error; the texts
// are the module's own.
#pragma once

#include <node_api.h>

#include <exception>
#include <new>

#include "napi_arguments.h"
#include "napi_errors.h"

namespace deskpet::napi {

using Handler = napi_value (*)(const CallArguments& args);

struct NativeFailureTexts {
  const char* outOfMemory;  // for std::bad_alloc; null: its what() text
  const char* unknown;      // for anything that is not a std::exception
};

// Runs `handler` for one call; see above.
inline napi_value runGuarded(napi_env env, napi_callback_info info, Handler handler,
                             const NativeFailureTexts& texts) noexcept {
  try {
    CallArguments args;
    if (!readCallArguments(env, info, args)) return nullptr;
    return handler(args);
  } catch (const std::bad_alloc& error) {
    throwUnlessPending(env, ErrorKind::kError, texts.outOfMemory != nullptr ? texts.outOfMemory : error.what());
  } catch (const std::exception& error) {
    throwUnlessPending(env, ErrorKind::kError, error.what());
  } catch (...) {
    throwUnlessPending(env, ErrorKind::kError, texts.unknown);
  }
  return nullptr;
}

// A Node-API callback for a handler known at compile time.
template <Handler kHandler, const NativeFailureTexts& kTexts>
napi_value guardedCallback(napi_env env, napi_callback_info info) noexcept {
  return runGuarded(env, info, kHandler, kTexts);
}

}  // namespace deskpet::napi
