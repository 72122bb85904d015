#include "reply_checks.h"

#include <cmath>
#include <cstring>
#include <string_view>

#include "engine_session.h"
#include "simdjson.h"

namespace deskpet_fuzz {

namespace {

using simdjson::dom::element;
using simdjson::dom::object;

element parsed(simdjson::dom::parser& parser, const std::string& json) {
  element root;
  require(parser.parse(json).get(root) == simdjson::SUCCESS, "reply is valid JSON and UTF-8");
  return root;
}

double numberIn(const element& value, double low, double high, const char* what) {
  double number = 0;
  require(value.get_double().get(number) == simdjson::SUCCESS, what);
  require(std::isfinite(number) && number >= low && number <= high, what);
  return number;
}

void checkCommandRef(const element& value) {
  object command;
  require(value.get_object().get(command) == simdjson::SUCCESS, "command reference is an object");
  int64_t id = 0;
  require(command["id"].get_int64().get(id) == simdjson::SUCCESS, "command id is an integer");
  require(id != -1, "command id is not -1");
  element similarity;
  require(command["similarity"].get(similarity) == simdjson::SUCCESS, "command similarity present");
  numberIn(similarity, 0.0, 1.0, "command similarity in [0, 1]");
  std::string_view name;
  require(command["name"].get_string().get(name) == simdjson::SUCCESS, "command name is a string");
}

}  // namespace

std::string checkedReplyText(const char* buffer, std::int32_t capacity, std::uint32_t length) {
  require(capacity > 0 && length < static_cast<std::uint32_t>(capacity), "reply and NUL fit the buffer");
  require(buffer[length] == '\0', "reply is NUL-terminated at its length");
  require(std::memchr(buffer, '\0', length) == nullptr, "no NUL inside the reply");
  return std::string(buffer, length);
}

bool isValidJson(const std::string& json) {
  simdjson::dom::parser parser;
  element root;
  return parser.parse(json).get(root) == simdjson::SUCCESS;
}

void checkRouteReply(const std::string& json) {
  simdjson::dom::parser parser;
  object reply;
  require(parsed(parser, json).get_object().get(reply) == simdjson::SUCCESS, "route reply is an object");
  std::string_view target;
  require(reply["target"].get_string().get(target) == simdjson::SUCCESS, "target is a string");
  require(target == "local" || target == "llm" || target == "chat", "target is local, llm or chat");
  element value;
  require(reply["confidence"].get(value) == simdjson::SUCCESS, "confidence present");
  numberIn(value, 0.0, 1.0, "confidence in [0, 1]");
  std::string_view reasoning;
  require(reply["reasoning"].get_string().get(reasoning) == simdjson::SUCCESS, "reasoning is a string");

  object scores;
  require(reply["scores"].get_object().get(scores) == simdjson::SUCCESS, "scores is an object");
  for (auto field : scores) numberIn(field.value, 0.0, 1.0, "score in [0, 1]");

  require(reply["matchedCommand"].get(value) == simdjson::SUCCESS, "matchedCommand present");
  if (!value.is_null()) checkCommandRef(value);

  require(reply["patternAction"].get(value) == simdjson::SUCCESS, "patternAction present");
  if (!value.is_null()) {
    object action;
    require(value.get_object().get(action) == simdjson::SUCCESS, "patternAction is an object");
    for (auto field : action) require(field.value.is_string(), "patternAction values are strings");
  }
}

void checkSimilarityReply(const std::string& json, std::size_t limit) {
  simdjson::dom::parser parser;
  simdjson::dom::array matches;
  require(parsed(parser, json)["matches"].get_array().get(matches) == simdjson::SUCCESS, "matches is an array");
  require(matches.size() <= limit, "no more matches than asked for");
  double previous = 1.0;
  for (element match : matches) {
    checkCommandRef(match);
    double similarity = 0;
    require(match["similarity"].get_double().get(similarity) == simdjson::SUCCESS, "similarity is a number");
    require(similarity <= previous, "matches sorted by similarity");
    previous = similarity;
  }
}

void checkConfigReply(const std::string& json) {
  simdjson::dom::parser parser;
  object config;
  require(parsed(parser, json).get_object().get(config) == simdjson::SUCCESS, "config reply is an object");
  element value;
  require(config["localThreshold"].get(value) == simdjson::SUCCESS, "localThreshold present");
  numberIn(value, 0.0, 1.0, "localThreshold in [0, 1]");
  bool verbose = false;
  require(config["verbose"].get_bool().get(verbose) == simdjson::SUCCESS, "verbose is a boolean");
  object weights;
  require(config["weights"].get_object().get(weights) == simdjson::SUCCESS, "weights is an object");
  std::size_t count = 0;
  double sum = 0;
  for (auto field : weights) {
    sum += numberIn(field.value, 0.0, HUGE_VAL, "weight finite and >= 0");
    ++count;
  }
  require(count == 5, "five weights");
  require(sum > 0.0, "some weight positive");
}

}  // namespace deskpet_fuzz
