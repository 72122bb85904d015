#include "reply_tape.h"

#include <napi.h>

#include <new>
#include <string_view>

#include "reply_keys.h"
#include "reply_members.h"
#include "reply_values.h"

namespace intent_bridge {

namespace {

// Made once per environment by napi_run_script: given the step list and the
// numbers, returns the builder. Not strict mode: like napi_set_property, an
// assignment that the target refuses (an inherited read-only property) is
// passed over without an error. It reaches no global (script code may have
// replaced them) and keeps its registers in an object without a prototype,
// made once. The step numbers are those of ReplyTape::Step. The strings of
// kReplyValues (`"local", `) stand between kBuilderOpen and kNamesOpen, an
// empty string for each slot of the name cache (NameCache, the strings of
// command names) between kNamesOpen and kBuilderHead, the
// run steps (kRunSteps, each also in its into form) and the named set steps
// (one per name of kReplyKeys and kind of value,
// `case 24: registers[steps[at + 1]].target = numbers[n++]; at += 2; continue;`)
// between kBuilderHead and kBuilderTail, in one switch with the other steps.
constexpr std::string_view kBuilderOpen = R"JS((function (steps, numbers) {
  var registers = { __proto__: null }, values = [)JS";
constexpr std::string_view kNamesOpen = R"JS(];
  var names = [)JS";
constexpr std::string_view kNameSlot = "\"\", ";
constexpr std::string_view kBuilderHead = R"JS(];
  return function () {
    var at = 0, n = 0, s = 0, op = 0, k = 0, i = 0, o, v, key;
    for (;;) {
      op = steps[at];
      switch (op) {
)JS";
constexpr std::string_view kBuilderTail = R"JS(        case 0:
          k = steps[at + 1];
          if (k < 0) return;
          o = registers[k];
          for (i = steps[at + 2] - 1; i >= 0; i--) registers[i] = void 0;
          return o;
        case 1: registers[steps[at + 1]] = {}; at += 2; continue;
        case 2: registers[steps[at + 1]] = []; at += 2; continue;
        case 9: registers[steps[at + 1]][steps[at + 2]] = registers[steps[at + 3]]; at += 4; continue;
      }
      o = registers[steps[at + 1]];
      key = arguments[s++];
      switch (op) {
        case 3: v = numbers[n++]; at += 3; break;
        case 4: v = arguments[s++]; at += 3; break;
        case 5: v = true; at += 3; break;
        case 6: v = false; at += 3; break;
        case 7: v = null; at += 3; break;
        case 8: v = registers[steps[at + 3]]; at += 4; break;
        case 10: v = values[steps[at + 3]]; at += 4; break;
        default: return;
      }
      o[key] = v;
    }
  };
}))JS";
constexpr std::string_view kValueOpen = "\"";
constexpr std::string_view kValueClose = "\", ";
constexpr std::string_view kCaseOpen = "        case ";
constexpr std::string_view kCaseStore = ": registers[steps[at + 1]].";
constexpr std::string_view kCaseValue = " = ";
constexpr std::string_view kCaseAdvance = "; at += ";
constexpr std::string_view kCaseClose = "; continue;\n";
constexpr std::string_view kRunOpen = ": o = {}; ";
constexpr std::string_view kRunStore = " registers[steps[at + 1]]";
constexpr std::string_view kRunInto = ".";
constexpr std::string_view kRunValue = " = o";

// The run steps (ReplyTape::kNewScores ..): the members each sets on a new
// object `o`, in the run's order, the length of the step, and the key under
// which its "into" form (ReplyTape::into) sets the object on the step's
// register.
struct RunStep {
  std::string_view members;
  std::size_t length;
  std::string_view intoKey;
};
constexpr RunStep kRunSteps[] = {
    {"o.semantic = numbers[n]; o.complexity = numbers[n + 1]; o.domainKeyword = numbers[n + 2]; "
     "o.openEnded = numbers[n + 3]; o.entityMatch = numbers[n + 4]; o.combined = numbers[n + 5]; n += 6;",
     2, "scores"},
    {"o.id = numbers[n]; o.similarity = numbers[n + 1]; o.name = arguments[s++]; n += 2;", 2, "matchedCommand"},
    {"o.id = numbers[n]; o.similarity = numbers[n + 1]; o.name = values[steps[at + 2]]; n += 2;", 3, "matchedCommand"},
    {"o.id = numbers[n]; o.similarity = numbers[n + 1]; o.name = names[steps[at + 2]]; n += 2;", 3, "matchedCommand"},
    {"o.id = numbers[n]; o.similarity = numbers[n + 1]; v = arguments[s++]; names[steps[at + 2]] = v; o.name = v; "
     "n += 2;",
     3, "matchedCommand"},
};
static_assert(sizeof kRunSteps / sizeof kRunSteps[0] == ReplyTape::kRunSteps, "one text per run step");
static_assert(ReplyTape::kRunIntoKeys[0] == result_key::scores &&
                  ReplyTape::kRunIntoKeys[1] == result_key::matchedCommand &&
                  ReplyTape::kRunIntoKeys[2] == result_key::matchedCommand &&
                  ReplyTape::kRunIntoKeys[3] == result_key::matchedCommand &&
                  ReplyTape::kRunIntoKeys[4] == result_key::matchedCommand,
              "the keys of the run steps' into forms");

// The value each kind of named set step assigns, and the length of the step
// (the step number, the register and the value's operand if any), in the
// order of ReplyTape::valueKind.
struct ValueKind {
  std::string_view value;
  std::size_t length;
};
constexpr ValueKind kValueKinds[] = {{"numbers[n++]", 2},
                                     {"arguments[s++]", 2},
                                     {"true", 2},
                                     {"false", 2},
                                     {"null", 2},
                                     {"registers[steps[at + 2]]", 3},
                                     {"values[steps[at + 2]]", 3}};
static_assert(sizeof kValueKinds / sizeof kValueKinds[0] == ReplyTape::kValueKinds, "one value per kind");

static_assert(ReplyTape::kNewObject == 1 && ReplyTape::kNewArray == 2 && ReplyTape::kSetNumber == 3 &&
                  ReplyTape::kSetString == 4 && ReplyTape::kSetTrue == 5 && ReplyTape::kSetFalse == 6 &&
                  ReplyTape::kSetNull == 7 && ReplyTape::kSetValue == 8 && ReplyTape::kSetElement == 9 &&
                  ReplyTape::kSetHeld == 10 && ReplyTape::kNewScores == 11 && ReplyTape::kNewCommand == 12 &&
                  ReplyTape::kNewCommandHeld == 13 && ReplyTape::kNewCommandNamed == 14 &&
                  ReplyTape::kNewCommandNaming == 15,
              "the builder's step numbers");
static_assert(ReplyTape::valueKind(ReplyTape::kSetNumber) == 0 && ReplyTape::valueKind(ReplyTape::kSetString) == 1 &&
                  ReplyTape::valueKind(ReplyTape::kSetTrue) == 2 && ReplyTape::valueKind(ReplyTape::kSetFalse) == 3 &&
                  ReplyTape::valueKind(ReplyTape::kSetNull) == 4 && ReplyTape::valueKind(ReplyTape::kSetValue) == 5 &&
                  ReplyTape::valueKind(ReplyTape::kSetHeld) == 6,
              "the builder's kinds of value");
static_assert(ReplyTape::kFirstNamedSet > ReplyTape::kNewCommandNaming + ReplyTape::kRunSteps,
              "named set steps follow the others");
static_assert(kReplyKeys[member_run::kScores] == "semantic" && kReplyKeys[member_run::kScores + 1] == "complexity" &&
                  kReplyKeys[member_run::kScores + 2] == "domainKeyword" &&
                  kReplyKeys[member_run::kScores + 3] == "openEnded" &&
                  kReplyKeys[member_run::kScores + 4] == "entityMatch" &&
                  kReplyKeys[member_run::kScores + 5] == "combined" && kScoreRunLength == 6,
              "the builder's score run");

constexpr std::size_t decimalDigits(std::size_t value) {
  std::size_t digits = 1;
  for (; value >= 10; value /= 10) ++digits;
  return digits;
}

// The step number of run step `run`, or of its into form.
constexpr std::size_t runCaseNumber(std::size_t run, bool into) {
  return static_cast<std::size_t>(ReplyTape::kNewScores) + run + (into ? ReplyTape::kRunSteps : 0);
}

constexpr std::size_t runCaseLength(std::size_t run, bool into) {
  return kCaseOpen.size() + decimalDigits(runCaseNumber(run, into)) + kRunOpen.size() + kRunSteps[run].members.size() +
         kRunStore.size() + (into ? kRunInto.size() + kRunSteps[run].intoKey.size() : 0) + kRunValue.size() +
         kCaseAdvance.size() + decimalDigits(kRunSteps[run].length) + kCaseClose.size();
}

constexpr std::size_t builderSourceLength() {
  std::size_t length = kBuilderOpen.size() + kNamesOpen.size() + NameCache::kSlots * kNameSlot.size() +
                       kBuilderHead.size() + kBuilderTail.size();
  for (const std::string_view value : kReplyValues) length += kValueOpen.size() + value.size() + kValueClose.size();
  for (std::size_t run = 0; run < static_cast<std::size_t>(ReplyTape::kRunSteps); ++run) {
    length += runCaseLength(run, false) + runCaseLength(run, true);
  }
  for (std::size_t i = 0; i < kReplyKeyCount; ++i) {
    for (std::size_t kind = 0; kind < ReplyTape::kValueKinds; ++kind) {
      const std::size_t step = ReplyTape::kFirstNamedSet + i * ReplyTape::kValueKinds + kind;
      length += kCaseOpen.size() + decimalDigits(step) + kCaseStore.size() + kReplyKeys[i].size() + kCaseValue.size() +
                kValueKinds[kind].value.size() + kCaseAdvance.size() + decimalDigits(kValueKinds[kind].length) +
                kCaseClose.size();
    }
  }
  return length;
}

struct BuilderSource {
  char text[builderSourceLength()] = {};
};

constexpr void append(char* text, std::size_t& at, std::string_view part) {
  for (const char c : part) text[at++] = c;
}

constexpr void appendDecimal(char* text, std::size_t& at, std::size_t value) {
  const std::size_t digits = decimalDigits(value);
  for (std::size_t place = digits; place > 0; --place, value /= 10)
    text[at + place - 1] = static_cast<char>('0' + value % 10);
  at += digits;
}

constexpr BuilderSource makeBuilderSource() {
  BuilderSource source;
  std::size_t at = 0;
  append(source.text, at, kBuilderOpen);
  for (const std::string_view value : kReplyValues) {
    append(source.text, at, kValueOpen);
    append(source.text, at, value);
    append(source.text, at, kValueClose);
  }
  append(source.text, at, kNamesOpen);
  for (std::size_t slot = 0; slot < NameCache::kSlots; ++slot) append(source.text, at, kNameSlot);
  append(source.text, at, kBuilderHead);
  for (const bool into : {false, true}) {
    for (std::size_t run = 0; run < static_cast<std::size_t>(ReplyTape::kRunSteps); ++run) {
      append(source.text, at, kCaseOpen);
      appendDecimal(source.text, at, runCaseNumber(run, into));
      append(source.text, at, kRunOpen);
      append(source.text, at, kRunSteps[run].members);
      append(source.text, at, kRunStore);
      if (into) {
        append(source.text, at, kRunInto);
        append(source.text, at, kRunSteps[run].intoKey);
      }
      append(source.text, at, kRunValue);
      append(source.text, at, kCaseAdvance);
      appendDecimal(source.text, at, kRunSteps[run].length);
      append(source.text, at, kCaseClose);
    }
  }
  for (std::size_t i = 0; i < kReplyKeyCount; ++i) {
    for (std::size_t kind = 0; kind < ReplyTape::kValueKinds; ++kind) {
      append(source.text, at, kCaseOpen);
      appendDecimal(source.text, at, ReplyTape::kFirstNamedSet + i * ReplyTape::kValueKinds + kind);
      append(source.text, at, kCaseStore);
      append(source.text, at, kReplyKeys[i]);
      append(source.text, at, kCaseValue);
      append(source.text, at, kValueKinds[kind].value);
      append(source.text, at, kCaseAdvance);
      appendDecimal(source.text, at, kValueKinds[kind].length);
      append(source.text, at, kCaseClose);
    }
  }
  append(source.text, at, kBuilderTail);
  return source;
}

constexpr BuilderSource kBuilderSource = makeBuilderSource();

constexpr std::size_t kNumbersBytes = 1024 * sizeof(double);

// Turns the host's last Node-API error into a pending script exception, as
// node-addon-api does for its own calls.
void raiseLastError(napi_env env) {
  Napi::Error::New(env).ThrowAsJavaScriptException();
}

napi_value compileFactory(napi_env env) {
  napi_value source = nullptr;
  napi_value factory = nullptr;
  if (napi_create_string_latin1(env, kBuilderSource.text, sizeof kBuilderSource.text, &source) != napi_ok ||
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
  napi_value views[2] = {};
  napi_value receiver = nullptr;
  napi_value builder = nullptr;
  const napi_value factory = compileFactory(env);
  const bool made =
      factory != nullptr &&
      napi_create_arraybuffer(env, kNumbersBytes + kStepCapacity * sizeof(std::int32_t), &memory, &buffer) == napi_ok &&
      napi_create_typedarray(env, napi_int32_array, kStepCapacity, buffer, kNumbersBytes, &views[0]) == napi_ok &&
      napi_create_typedarray(env, napi_float64_array, kNumberCapacity, buffer, 0, &views[1]) == napi_ok &&
      napi_get_undefined(env, &receiver) == napi_ok &&
      napi_call_function(env, receiver, factory, 2, views, &builder) == napi_ok &&
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
  return borrow(ofEnvironment(env));
}

ReplyTape* ReplyTape::borrow(ReplyTape* tape) {
  if (tape == nullptr || tape->builder_ == nullptr || tape->lent_) return nullptr;
  tape->lent_ = true;
  tape->stepCount_ = tape->numberCount_ = tape->stringCount_ = 0;
  return tape;
}

ReplyTape* ReplyTape::borrowRouteReply(napi_env env) {
  ReplyTape* tape = ofEnvironment(env);
  if (tape == nullptr || tape->routeReplyLent_) return nullptr;
  tape->routeReplyLent_ = true;
  return tape;
}

napi_value ReplyTape::run(std::int32_t root, std::int32_t registers) {
  step(kEnd);
  step(root);
  step(registers);
  napi_value builder = nullptr;
  napi_value receiver = nullptr;
  napi_value result = nullptr;
  napi_status status = napi_get_reference_value(env_, builder_, &builder);
  if (status == napi_ok) status = napi_get_undefined(env_, &receiver);
  if (status == napi_ok) status = napi_call_function(env_, receiver, builder, stringCount_, strings_, &result);
  stepCount_ = numberCount_ = stringCount_ = 0;
  if (status != napi_ok) {
    names_.clear();  // the steps after a failure did not store their names
    raiseLastError(env_);
    return nullptr;
  }
  return root < 0 ? nullptr : result;
}

}  // namespace intent_bridge
