#include "routing_config.h"

#include <cmath>
#include <utility>

#include "deskpet/json_writer.h"
#include "json_document.h"
#include "norvik.h"
#include "simdjson.h"

namespace norvik {

namespace {

using simdjson::dom::element;

bool readNumber(const element& value, double& out) {
  double number = 0;
  if (value.get_double().get(number) == simdjson::SUCCESS) {
    out = number;
    return true;
  }
  int64_t integer = 0;
  if (value.get_int64().get(integer) == simdjson::SUCCESS) {
    out = static_cast<double>(integer);
    return true;
  }
  uint64_t unsignedInteger = 0;
  if (value.get_uint64().get(unsignedInteger) == simdjson::SUCCESS) {
    out = static_cast<double>(unsignedInteger);
    return true;
  }
  return false;
}

double* weightSlot(Weights& weights, std::string_view key) {
  if (key == "semantic") return &weights.semantic;
  if (key == "complexity") return &weights.complexity;
  if (key == "domainKeyword") return &weights.domainKeyword;
  if (key == "openEnded") return &weights.openEnded;
  if (key == "entityMatch") return &weights.entityMatch;
  return nullptr;
}

int32_t refuse(std::string& error, const std::string& rule, const element& value) {
  error = rule + " (got " + describeJsonValue(value) + ")";
  return NORVIK_INVALID_ARGUMENT;
}

int32_t applyWeights(const element& value, Weights& weights, std::string& error) {
  simdjson::dom::object object;
  if (value.get_object().get(object) != simdjson::SUCCESS) {
    return refuse(error, "\"weights\" must be an object of numbers", value);
  }
  for (auto field : object) {
    double* slot = weightSlot(weights, field.key);
    if (slot == nullptr) continue;
    double number = 0;
    if (!readNumber(field.value, number) || !std::isfinite(number) || number < 0) {
      return refuse(error, "\"weights\" member \"" + std::string(field.key) + "\" must be a finite number >= 0",
                    field.value);
    }
    *slot = number;
  }
  return NORVIK_OK;
}

}  // namespace

int32_t applyConfigObject(const element& value, const Config& base, Config& out, std::string& error) {
  simdjson::dom::object object;
  if (value.get_object().get(object) != simdjson::SUCCESS) {
    error = "the configuration must be a JSON object (got " + describeJsonValue(value) + ")";
    return NORVIK_BAD_INPUT;
  }
  Config next = base;
  for (auto field : object) {
    if (field.key == "localThreshold") {
      double number = 0;
      if (!readNumber(field.value, number) || !(number >= 0.0 && number <= 1.0)) {
        return refuse(error, "\"localThreshold\" must be a number from 0 to 1", field.value);
      }
      next.localThreshold = number;
    } else if (field.key == "verbose") {
      bool flag = false;
      if (field.value.get_bool().get(flag) != simdjson::SUCCESS) {
        return refuse(error, "\"verbose\" must be true or false", field.value);
      }
      next.verbose = flag;
    } else if (field.key == "weights") {
      const int32_t code = applyWeights(field.value, next.weights, error);
      if (code != NORVIK_OK) return code;
    }
  }
  if (!(next.weights.sum() > 0.0) || !std::isfinite(next.weights.sum())) {
    error = "\"weights\": at least one of the five weights must be positive, and their sum finite";
    return NORVIK_INVALID_ARGUMENT;
  }
  out = next;
  return NORVIK_OK;
}

int32_t applyConfigText(std::string_view json, const Config& base, Config& out, std::string& error) {
  simdjson::dom::parser parser;
  element root;
  if (const int32_t code = parseJsonDocument(json, parser, root, error); code != NORVIK_OK) return code;
  return applyConfigObject(root, base, out, error);
}

std::string writeConfigJson(const Config& config) {
  deskpet::JsonWriter w;
  w.beginObject();
  w.key("localThreshold");
  w.numberShortest(config.localThreshold);
  w.key("verbose");
  w.boolean(config.verbose);
  w.key("weights");
  w.beginObject();
  const std::pair<const char*, double> weights[] = {
      {"semantic", config.weights.semantic},           {"complexity", config.weights.complexity},
      {"domainKeyword", config.weights.domainKeyword}, {"openEnded", config.weights.openEnded},
      {"entityMatch", config.weights.entityMatch},
  };
  for (const auto& [name, value] : weights) {
    w.key(name);
    w.numberShortest(value);
  }
  w.endObject();
  w.endObject();
  return w.take();
}

}  // namespace norvik
