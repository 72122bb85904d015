#include "reply_tape.h"

#include <napi.h>

#include <new>

#include "reply_keys.h"

namespace intent_bridge {

namespace {

// Made once per environment by napi_run_script: given the step list, the
// numbers and the key names, returns the builder. Not strict mode: like
// napi_set_property, an assignment that the target refuses (an inherited
// read-only property) is passed over without an error. It reaches no global
// (script code may have replaced them) and keeps its registers in an object
// without a prototype. The step numbers are those of ReplyTape::Step.
constexpr const char kBuilderSource[] = R"JS((function (steps, numbers, keys) {
  var registers = { __proto__: null }, count = 0;
  return function () {
    var at = 0, n = 0, s = 0, k = 0, o, root;
    for (;;) {
      switch (steps[at]) {
        case 0:
          root = steps[at + 1];
          if (root < 0) return;
          o = registers[root];
          registers = { __proto__: null };
          count = 0;
          return o;
        case 1: registers = { __proto__: null }; count = 0; at += 1; break;
        case 2: registers[count++] = {}; at += 1; break;
        case 3: registers[count++] = []; at += 1; break;
        case 4: k = steps[at + 2]; registers[steps[at + 1]][k < 0 ? arguments[s++] : keys[k]] = numbers[n++]; at += 3; break;
        case 5: k = steps[at + 2]; registers[steps[at + 1]][k < 0 ? arguments[s++] : keys[k]] = arguments[s++]; at += 3; break;
        case 6: k = steps[at + 2]; registers[steps[at + 1]][k < 0 ? arguments[s++] : keys[k]] = true; at += 3; break;
        case 7: k = steps[at + 2]; registers[steps[at + 1]][k < 0 ? arguments[s++] : keys[k]] = false; at += 3; break;
        case 8: k = steps[at + 2]; registers[steps[at + 1]][k < 0 ? arguments[s++] : keys[k]] = null; at += 3; break;
        case 9: k = steps[at + 2]; registers[steps[at + 1]][k < 0 ? arguments[s++] : keys[k]] = registers[steps[at + 3]]; at += 4; break;
        case 10: registers[steps[at + 1]][steps[at + 2]] = registers[steps[at + 3]]; at += 4; break;
        default: return;
      }
    }
  };
}))JS";

constexpr std::size_t kNumbersBytes = 1024 * sizeof(double);

// Turns the host's last Node-API error into a pending script exception, as
// node-addon-api does for its own calls.
void raiseLastError(napi_env env) {
  Napi::Error::New(env).ThrowAsJavaScriptException();
}

napi_value keyNames(napi_env env) {
  napi_value names = nullptr;
  if (napi_create_array_with_length(env, kReplyKeyCount, &names) != napi_ok) return nullptr;
  for (std::size_t i = 0; i < kReplyKeyCount; ++i) {
    napi_value name = nullptr;
    if (napi_create_string_latin1(env, kReplyKeys[i].data(), kReplyKeys[i].size(), &name) != napi_ok ||
        napi_set_element(env, names, static_cast<std::uint32_t>(i), name) != napi_ok) {
      return nullptr;
    }
  }
  return names;
}

napi_value compileFactory(napi_env env) {
  napi_value source = nullptr;
  napi_value factory = nullptr;
  if (napi_create_string_latin1(env, kBuilderSource, sizeof kBuilderSource - 1, &source) != napi_ok ||
      napi_run_script(env, source, &factory) != napi_ok) {
    return nullptr;
  }
  return factory;
}

}  // namespace

ReplyTape* ReplyTape::setUp(napi_env env) {
  static_assert(kNumbersBytes == kNumberCapacity * sizeof(double), "numbers come first in the buffer");
  auto* tape = new (std::nothrow) ReplyTape();
  if (tape == nullptr) return nullptr;
  tape->env_ = env;
  if (napi_set_instance_data(env, tape, finalize, nullptr) != napi_ok) {
    delete tape;
    return nullptr;
  }
  // From here the environment owns the tape. Whatever fails below leaves it
  // without a builder, and every reader of this environment then builds
  // through Node-API calls.
  void* memory = nullptr;
  napi_value buffer = nullptr;
  napi_value views[3] = {};
  napi_value receiver = nullptr;
  napi_value builder = nullptr;
  const napi_value factory = compileFactory(env);
  const bool made =
      factory != nullptr &&
      napi_create_arraybuffer(env, kNumbersBytes + kStepCapacity * sizeof(std::int32_t), &memory, &buffer) == napi_ok &&
      napi_create_typedarray(env, napi_int32_array, kStepCapacity, buffer, kNumbersBytes, &views[0]) == napi_ok &&
      napi_create_typedarray(env, napi_float64_array, kNumberCapacity, buffer, 0, &views[1]) == napi_ok &&
      (views[2] = keyNames(env)) != nullptr && napi_get_undefined(env, &receiver) == napi_ok &&
      napi_call_function(env, receiver, factory, 3, views, &builder) == napi_ok &&
      napi_create_reference(env, builder, 1, &tape->builder_) == napi_ok;
  if (!made) {
    tape->builder_ = nullptr;
    napi_value ignored = nullptr;
    napi_get_and_clear_last_exception(env, &ignored);
    return tape;
  }
  tape->numbers_ = static_cast<double*>(memory);
  tape->steps_ = reinterpret_cast<std::int32_t*>(static_cast<char*>(memory) + kNumbersBytes);
  return tape;
}

void ReplyTape::finalize(napi_env env, void* data, void* /*hint*/) {
  auto* tape = static_cast<ReplyTape*>(data);
  if (tape->builder_ != nullptr) napi_delete_reference(env, tape->builder_);
  delete tape;
}

ReplyTape* ReplyTape::ofEnvironment(napi_env env) {
  bool pending = false;
  if (napi_is_exception_pending(env, &pending) != napi_ok || pending) return nullptr;
  void* data = nullptr;
  if (napi_get_instance_data(env, &data) != napi_ok) return nullptr;
  return data != nullptr ? static_cast<ReplyTape*>(data) : setUp(env);
}

ReplyTape* ReplyTape::borrow(napi_env env) {
  ReplyTape* tape = ofEnvironment(env);
  if (tape == nullptr || tape->builder_ == nullptr || tape->lent_) return nullptr;
  tape->lent_ = true;
  tape->stepCount_ = tape->numberCount_ = tape->stringCount_ = 0;
  tape->step(kBegin);
  return tape;
}

ReplyTape* ReplyTape::borrowRouteReply(napi_env env) {
  ReplyTape* tape = ofEnvironment(env);
  if (tape == nullptr || tape->routeReplyLent_) return nullptr;
  tape->routeReplyLent_ = true;
  return tape;
}

napi_value ReplyTape::run(std::int32_t root) {
  step(kEnd);
  step(root);
  napi_value builder = nullptr;
  napi_value receiver = nullptr;
  napi_value result = nullptr;
  napi_status status = napi_get_reference_value(env_, builder_, &builder);
  if (status == napi_ok) status = napi_get_undefined(env_, &receiver);
  if (status == napi_ok) status = napi_call_function(env_, receiver, builder, stringCount_, strings_, &result);
  stepCount_ = numberCount_ = stringCount_ = 0;
  if (status != napi_ok) {
    raiseLastError(env_);
    return nullptr;
  }
  return root < 0 ? nullptr : result;
}

}  // namespace intent_bridge
