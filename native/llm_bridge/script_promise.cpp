#include "script_promise.h"

namespace llm_bridge {

namespace {

bool exceptionPending(Napi::Env env) noexcept {
  return env.IsExceptionPending();
}

// Turns the failure of the last Node-API call into a pending script exception,
// the way node-addon-api reports failures with C++ exceptions disabled.
void reportFailure(Napi::Env env) noexcept {
  Napi::Error::New(env).ThrowAsJavaScriptException();
}

}  // namespace

ScriptPromise::ScriptPromise(Napi::Env env) noexcept : env_(env) {
  napi_deferred deferred = nullptr;
  napi_value promise = nullptr;
  if (napi_create_promise(env, &deferred, &promise) != napi_ok) {
    reportFailure(env);
    return;
  }
  deferred_ = deferred;
  promise_ = promise;
}

Napi::Value ScriptPromise::value() const noexcept {
  return Napi::Value(env_, promise_);
}

void ScriptPromise::settle(napi_value value, bool resolve) noexcept {
  // A Promise settles once; a second attempt, or one without a Promise or a
  // value, does nothing.
  if (deferred_ == nullptr || value == nullptr || exceptionPending(env_)) return;
  const napi_deferred deferred = deferred_;
  deferred_ = nullptr;
  const napi_status status =
      resolve ? napi_resolve_deferred(env_, deferred, value) : napi_reject_deferred(env_, deferred, value);
  if (status != napi_ok) reportFailure(env_);
}

void ScriptPromise::resolveWithText(const std::string& text) noexcept {
  settle(Napi::String::New(env_, text), true);
}

void ScriptPromise::resolveWithBoolean(bool value) noexcept {
  settle(Napi::Boolean::New(env_, value), true);
}

void ScriptPromise::rejectWithText(const char* reason) noexcept {
  settle(Napi::String::New(env_, reason), false);
}

void ScriptPromise::rejectWithText(const std::string& reason) noexcept {
  settle(Napi::String::New(env_, reason), false);
}

}  // namespace llm_bridge
