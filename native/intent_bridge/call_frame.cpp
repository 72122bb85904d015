#include "call_frame.h"

#include <napi.h>

#include <exception>
#include <new>

namespace intent_bridge {

namespace {

// The native data of one exported function: the handler it runs.
struct HandlerRecord {
  Handler handler;
};

enum class ErrorKind { kError, kTypeError };

// Throws a new error unless one is already pending: the first exception of a
// call is the one the script sees. Allocates nothing natively, so it is safe
// inside a catch clause.
void throwNew(napi_env env, ErrorKind kind, const char* message) noexcept {
  if (exceptionPending(env)) return;
  napi_value text = nullptr;
  napi_value error = nullptr;
  napi_status status = napi_create_string_utf8(env, message, NAPI_AUTO_LENGTH, &text);
  if (status == napi_ok) {
    status = kind == ErrorKind::kTypeError ? napi_create_type_error(env, nullptr, text, &error)
                                           : napi_create_error(env, nullptr, text, &error);
  }
  if (status == napi_ok && napi_throw(env, error) == napi_ok) return;
  // Creating the error object failed; let the host make a plain one.
  napi_throw_error(env, nullptr, message);
}

// Turns the host's last Node-API error into a pending script exception, the
// same way node-addon-api does for the value helpers.
void raiseLastNodeApiError(napi_env env) {
  Napi::Error::New(env).ThrowAsJavaScriptException();
}

napi_value runHandler(napi_env env, napi_callback_info info) {
  CallArguments args;
  args.env = env;
  std::size_t count = CallArguments::kRead;
  void* data = nullptr;
  if (napi_get_cb_info(env, info, &count, args.values, nullptr, &data) != napi_ok || data == nullptr) {
    raiseLastNodeApiError(env);
    return nullptr;
  }
  args.count = count;
  return static_cast<const HandlerRecord*>(data)->handler(args);
}

// Entry point of every exported function. Native exceptions (running out of
// memory while copying a string or growing a buffer) stop here and reach the
// script as an Error.
napi_value trampoline(napi_env env, napi_callback_info info) {
  try {
    return runHandler(env, info);
  } catch (const std::bad_alloc&) {
    throwNew(env, ErrorKind::kError, "intent_bridge: out of memory");
  } catch (const std::exception& e) {
    throwNew(env, ErrorKind::kError, e.what());
  } catch (...) {
    throwNew(env, ErrorKind::kError, "intent_bridge: unknown native error");
  }
  return nullptr;
}

bool firstArgumentHasType(const CallArguments& args, bool (*accepts)(napi_valuetype)) {
  if (args.count < 1) return false;
  napi_valuetype type = napi_undefined;
  return napi_typeof(args.env, args.values[0], &type) == napi_ok && accepts(type);
}

void freeHandlerRecord(napi_env /*env*/, void* data, void* /*hint*/) {
  delete static_cast<HandlerRecord*>(data);
}

}  // namespace

napi_value createHandlerFunction(napi_env env, Handler handler) {
  auto* record = new (std::nothrow) HandlerRecord{handler};
  if (record == nullptr) {
    throwNew(env, ErrorKind::kError, "intent_bridge: out of memory");
    return nullptr;
  }
  napi_value function = nullptr;
  if (napi_create_function(env, nullptr, 0, trampoline, record, &function) != napi_ok) {
    delete record;
    raiseLastNodeApiError(env);
    return nullptr;
  }
  if (napi_add_finalizer(env, function, record, freeHandlerRecord, nullptr, nullptr) != napi_ok) {
    // The function is dropped unpublished, so nothing can call it and reach the
    // record after it is freed here.
    delete record;
    raiseLastNodeApiError(env);
    return nullptr;
  }
  return function;
}

bool exceptionPending(napi_env env) noexcept {
  bool pending = false;
  return napi_is_exception_pending(env, &pending) != napi_ok || pending;
}

napi_value undefinedValue(napi_env env) {
  napi_value value = nullptr;
  napi_get_undefined(env, &value);
  return value;
}

std::optional<std::string> requireStringArgument(const CallArguments& args, const char* message) {
  if (!firstArgumentHasType(args, [](napi_valuetype t) { return t == napi_string; })) {
    throwNew(args.env, ErrorKind::kTypeError, message);
    return std::nullopt;
  }
  std::string bytes = Napi::String(args.env, args.values[0]).Utf8Value();
  if (exceptionPending(args.env)) return std::nullopt;  // the copy failed; the engine is not called
  return bytes;
}

bool requireObjectArgument(const CallArguments& args, const char* message) {
  if (!firstArgumentHasType(args, [](napi_valuetype t) { return t == napi_object || t == napi_function; })) {
    throwNew(args.env, ErrorKind::kTypeError, message);
    return false;
  }
  return true;
}

napi_value throwEngineError(napi_env env, const char* engineFunction, std::int32_t code) {
  const std::string message = std::string(engineFunction) + " failed with code " + std::to_string(code);
  throwNew(env, ErrorKind::kError, message.c_str());
  return undefinedValue(env);
}

napi_value trueOrEngineError(napi_env env, const char* engineFunction, std::int32_t code) {
  if (code != 0) return throwEngineError(env, engineFunction, code);
  return Napi::Boolean::New(env, true);
}

}  // namespace intent_bridge
