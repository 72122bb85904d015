#include "router_config.h"

#include <charconv>
#include <cmath>
#include <cstdint>

#include "argument_messages.h"
#include "config_reply.h"
#include "norvik.h"
#include "reply_builder.h"
#include "router_handlers.h"

namespace intent_bridge {

namespace {

constexpr std::int32_t kConfigCapacity = 1024;

// Weight keys in the order they are always written.
constexpr const char* kWeightKeys[] = {"semantic", "complexity", "domainKeyword", "openEnded", "entityMatch"};

bool isObjectLike(const Napi::Value& value) {
  return value.IsObject() || value.IsFunction();
}

// The property `name` of `object` when it is present and `accepts` its value.
template <typename Accepts>
bool takeProperty(const Napi::Object& object, const char* name, Accepts accepts, Napi::Value& value) {
  if (!object.Has(name)) return false;
  value = object.Get(name);
  return accepts(value);
}

// Numbers the engine can read: NaN and the infinities have no JSON form, so a
// member holding one is left out like a member of the wrong type.
bool isWritableNumber(const Napi::Value& value) {
  return value.IsNumber() && std::isfinite(value.As<Napi::Number>().DoubleValue());
}

// Appends `,` before every member but the first.
class MemberList {
 public:
  explicit MemberList(std::string& text) : text_(text) {}
  void beginMember(const char* key) {
    if (written_) text_ += ',';
    written_ = true;
    text_ += '"';
    text_ += key;
    text_ += "\":";
  }

 private:
  std::string& text_;
  bool written_ = false;
};

void appendWeights(std::string& text, const Napi::Object& weights) {
  text += '{';
  MemberList members(text);
  for (const char* key : kWeightKeys) {
    Napi::Value weight;
    if (!takeProperty(weights, key, isWritableNumber, weight)) continue;
    members.beginMember(key);
    appendFixedSix(text, weight.As<Napi::Number>().DoubleValue());
  }
  text += '}';
}

}  // namespace

void appendFixedSix(std::string& text, double value) {
  char digits[400];  // the largest double has 309 integer digits
  const auto written = std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed, 6);
  text.append(digits, written.ptr);
}

std::string buildConfigJson(Napi::Object config) {
  std::string text = "{";
  MemberList members(text);
  Napi::Value value;
  if (takeProperty(config, "localThreshold", isWritableNumber, value)) {
    members.beginMember("localThreshold");
    appendFixedSix(text, value.As<Napi::Number>().DoubleValue());
  }
  if (takeProperty(
          config, "verbose", [](const Napi::Value& v) { return v.IsBoolean(); }, value)) {
    members.beginMember("verbose");
    text += value.As<Napi::Boolean>().Value() ? "true" : "false";
  }
  if (takeProperty(config, "weights", isObjectLike, value)) {
    members.beginMember("weights");
    appendWeights(text, value.As<Napi::Object>());
  }
  text += '}';
  return text;
}

napi_value parseConfigReply(napi_env env, EngineReply reply) {
  return buildReplyValue(env, [reply](auto& sink) { return readConfigReply(sink, reply); });
}

napi_value handleUpdateConfig(const CallArguments& args) {
  if (!requireObjectArgument(args, kExpectedConfig)) return undefinedValue(args.env);
  const std::string json = buildConfigJson(Napi::Object(args.env, args.values[0]));
  // A property read that threw (a getter, a proxy) leaves its exception for
  // the script; the engine is not handed a configuration read only in part.
  if (exceptionPending(args.env)) return undefinedValue(args.env);
  return trueOrEngineError(args.env, "Norvik_UpdateConfig", Norvik_UpdateConfig(json.c_str()));
}

napi_value handleGetConfig(const CallArguments& args) {
  // The engine writes its reply here; the buffer is not cleared first and a
  // reply that does not fit is not retried.
  char buffer[kConfigCapacity];
  std::uint32_t outLength = 0;
  const std::int32_t code = Norvik_GetConfig(buffer, kConfigCapacity, &outLength);
  if (code != 0) return throwEngineError(args.env, "Norvik_GetConfig", code);
  return parseConfigReply(args.env, clampedReply(buffer, sizeof buffer, outLength));
}

}  // namespace intent_bridge
