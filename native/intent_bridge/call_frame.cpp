#include "call_frame.h"

#include <napi.h>

#include <new>

#include "engine_error_text.h"
#include "napi_callback.h"
#include "napi_exports.h"

namespace intent_bridge {

namespace {

using deskpet::napi::ErrorKind;
using deskpet::napi::throwUnlessPending;

// The native data of one exported function: the handler it runs.
struct HandlerRecord {
  Handler handler;
};

// Native exceptions (running out of memory while copying a string or growing a
// buffer) stop at the entry of every function and reach the script as an Error.
constexpr deskpet::napi::NativeFailureTexts kFailureTexts{"intent_bridge: out of memory",
                                                          "intent_bridge: unknown native error"};

napi_value runRecordedHandler(const CallArguments& args) {
  return static_cast<const HandlerRecord*>(args.data)->handler(args);
}

void freeHandlerRecord(napi_env /*env*/, void* data, void* /*hint*/) {
  delete static_cast<HandlerRecord*>(data);
}

}  // namespace

bool exportHandler(napi_env env, napi_value exports, const char* name, Handler handler) {
  auto* record = new (std::nothrow) HandlerRecord{handler};
  if (record == nullptr) {
    throwUnlessPending(env, ErrorKind::kError, kFailureTexts.outOfMemory);
    return false;
  }
  return deskpet::napi::exportFunction(
      env, exports, name, deskpet::napi::guardedCallback<runRecordedHandler, kFailureTexts>, record, freeHandlerRecord);
}

bool requireStringArgument(const CallArguments& args, const char* message, Utf8Argument& text) {
  if (!args.isString(0)) {
    throwUnlessPending(args.env, ErrorKind::kTypeError, message);
    return false;
  }
  return args.readUtf8(0, text);  // when the copy failed, the engine is not called
}

bool requireObjectArgument(const CallArguments& args, const char* message) {
  if (!args.isObjectLike(0)) {
    throwUnlessPending(args.env, ErrorKind::kTypeError, message);
    return false;
  }
  return true;
}

napi_value throwEngineError(napi_env env, const char* engineFunction, std::int32_t code) {
  // Read before anything else can call the engine on this thread.
  const char* const detail = engineErrorText();
  const std::string message = std::string(engineFunction) + " failed with code " + std::to_string(code);
  throwUnlessPending(env, ErrorKind::kError, message.c_str(), detail);
  return undefinedValue(env);
}

napi_value trueOrEngineError(napi_env env, const char* engineFunction, std::int32_t code) {
  if (code != 0) return throwEngineError(env, engineFunction, code);
  return Napi::Boolean::New(env, true);
}

}  // namespace intent_bridge
