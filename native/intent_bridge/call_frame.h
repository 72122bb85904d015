// The frame every exported function of intent_bridge shares: how a handler is
// bound to a nameless script function, how its first argument is tested and
// converted, and how engine failures reach the script. Argument reading and
// error throwing come from the Node-API layer both modules share (napi_common).
#pragma once

#include <node_api.h>

#include <cstdint>
#include <string>

#include "napi_arguments.h"
#include "napi_errors.h"

namespace intent_bridge {

// The arguments of one script call: `env`, `count` (what the script passed)
// and the first `values`, absent ones `undefined`.
using deskpet::napi::CallArguments;
using deskpet::napi::exceptionPending;
using deskpet::napi::undefinedValue;
using deskpet::napi::Utf8Argument;

using Handler = napi_value (*)(const CallArguments& args);

// Sets a nameless script function that runs `handler` as `name` on `exports`.
// Its native record is freed by a finalizer when the host collects the
// function. False, with a script exception pending, when it cannot be made.
bool exportHandler(napi_env env, napi_value exports, const char* name, Handler handler);

// Copies the UTF-8 bytes of the first argument into `text` when it is a
// string; otherwise throws a TypeError with `message` and returns false (also
// when the copy failed, with its exception pending).
bool requireStringArgument(const CallArguments& args, const char* message, Utf8Argument& text);

// Whether the first argument is an object or a function; otherwise throws a
// TypeError with `message`.
bool requireObjectArgument(const CallArguments& args, const char* message);

// Throws "<engineFunction> failed with code <code>" as a plain Error and
// returns `undefined`. When the engine offers a text for its last failure
// (Norvik_LastErrorMessage), the Error carries it as `detail`.
napi_value throwEngineError(napi_env env, const char* engineFunction, std::int32_t code);

// `true` when the engine returned 0, else the engine error.
napi_value trueOrEngineError(napi_env env, const char* engineFunction, std::int32_t code);

}  // namespace intent_bridge
