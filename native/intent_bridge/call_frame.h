// The frame every exported function of intent_bridge shares: how a handler is
// bound to a nameless script function, how its first argument is tested and
// converted, and how engine failures reach the script.
#pragma once

#include <node_api.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace intent_bridge {

// The arguments of one script call. Only the first two are ever read; absent
// ones are `undefined`, and `count` is what the script actually passed.
struct CallArguments {
  static constexpr std::size_t kRead = 2;

  napi_env env = nullptr;
  std::size_t count = 0;
  napi_value values[kRead] = {};
};

using Handler = napi_value (*)(const CallArguments& args);

// A nameless script function that runs `handler`. Its native record is freed
// by a finalizer when the host collects the function. Returns null, with a
// script exception pending, when the function cannot be made.
napi_value createHandlerFunction(napi_env env, Handler handler);

// The UTF-8 bytes of the first argument when it is a string; otherwise throws
// a TypeError with `message` and returns nothing.
std::optional<std::string> requireStringArgument(const CallArguments& args, const char* message);

// Whether the first argument is an object or a function; otherwise throws a
// TypeError with `message`.
bool requireObjectArgument(const CallArguments& args, const char* message);

// Throws "<engineFunction> failed with code <code>" as a plain Error and
// returns `undefined`.
napi_value throwEngineError(napi_env env, const char* engineFunction, std::int32_t code);

// `true` when the engine returned 0, else the engine error.
napi_value trueOrEngineError(napi_env env, const char* engineFunction, std::int32_t code);

napi_value undefinedValue(napi_env env);

// Whether a script exception is pending in `env`.
bool exceptionPending(napi_env env) noexcept;

}  // namespace intent_bridge
