#include "promise_frame.h"

#include "napi_errors.h"

namespace llm_bridge {

using deskpet::napi::exceptionPending;
using deskpet::napi::raiseLastNodeApiError;

ScriptPromise::ScriptPromise(napi_env env) noexcept : env_(env) {
  napi_deferred deferred = nullptr;
  napi_value promise = nullptr;
  if (napi_create_promise(env, &deferred, &promise) != napi_ok) {
    raiseLastNodeApiError(env);
    return;
  }
  deferred_ = deferred;
  promise_ = promise;
}

void ScriptPromise::settle(napi_value value, bool resolve) noexcept {
  // A Promise settles once; a second attempt, or one without a Promise or a
  // value, does nothing.
  if (deferred_ == nullptr || value == nullptr || exceptionPending(env_)) return;
  const napi_deferred deferred = deferred_;
  deferred_ = nullptr;
  const napi_status status =
      resolve ? napi_resolve_deferred(env_, deferred, value) : napi_reject_deferred(env_, deferred, value);
  if (status != napi_ok) raiseLastNodeApiError(env_);
}

namespace {

// A script string of these bytes, or null with the failure pending.
napi_value scriptString(napi_env env, const char* bytes, std::size_t length) noexcept {
  napi_value text = nullptr;
  if (napi_create_string_utf8(env, bytes, length, &text) != napi_ok) {
    raiseLastNodeApiError(env);
    return nullptr;
  }
  return text;
}

}  // namespace

void ScriptPromise::resolveWithText(const std::string& text) noexcept {
  settle(scriptString(env_, text.data(), text.size()), true);
}

void ScriptPromise::resolveWithBoolean(bool value) noexcept {
  napi_value flag = nullptr;
  if (napi_get_boolean(env_, value, &flag) != napi_ok) raiseLastNodeApiError(env_);
  settle(flag, true);
}

void ScriptPromise::rejectWithText(const char* reason) noexcept {
  settle(scriptString(env_, reason, NAPI_AUTO_LENGTH), false);
}

void ScriptPromise::rejectWithText(const std::string& reason) noexcept {
  settle(scriptString(env_, reason.data(), reason.size()), false);
}

napi_value rejectedPromise(napi_env env, const char* reason) noexcept {
  ScriptPromise promise(env);
  promise.rejectWithText(reason);
  return promise.value();
}

void rejectWithFailure(ScriptPromise& promise, const FailureTexts& texts, const char* what) noexcept {
  std::string reason;
  try {
    reason.append(texts.prefix).append(what != nullptr ? what : "");
  } catch (...) {
    promise.rejectWithText(texts.unknown);
    return;
  }
  promise.rejectWithText(reason);
}

}  // namespace llm_bridge
