#include "risk_class.h"

#include <algorithm>

#include "json_document.h"
#include "risk_defaults.h"

namespace norvik {

namespace {

bool readRule(simdjson::dom::object fields, RiskRules::Rule& rule, std::string& error) {
  bool hasRisk = false;
  for (auto field : fields) {
    std::string_view text;
    if (field.value.get_string().get(text) != simdjson::SUCCESS) {
      error = "risk rule member '" + std::string(field.key) + "' must be a string";
      return false;
    }
    if (field.key == "risk") {
      const auto risk = parseRiskName(text);
      if (!risk) {
        error = "unknown risk class \"" + std::string(text) + "\"";
        return false;
      }
      rule.risk = *risk;
      hasRisk = true;
    } else {
      rule.members.emplace_back(std::string(field.key), std::string(text));
    }
  }
  if (!hasRisk) error = "a risk rule needs a \"risk\" member";
  return hasRisk;
}

}  // namespace

const char* riskName(RiskClass risk) {
  switch (risk) {
    case RiskClass::None:
      return "none";
    case RiskClass::Destructive:
      return "destructive";
    case RiskClass::Change:
      break;
  }
  return "change";
}

std::optional<RiskClass> parseRiskName(std::string_view text) {
  if (text == "none") return RiskClass::None;
  if (text == "change") return RiskClass::Change;
  if (text == "destructive") return RiskClass::Destructive;
  return std::nullopt;
}

bool parseRiskRules(std::string_view json, RiskRules& out, std::string& error) {
  simdjson::dom::parser parser;
  simdjson::dom::element root;
  if (parseJsonDocument(json, parser, root, error) != NORVIK_OK) return false;
  RiskRules table;
  simdjson::dom::array rules;
  std::string_view otherwise;
  if (root["rules"].get_array().get(rules) != simdjson::SUCCESS ||
      root["otherwise"].get_string().get(otherwise) != simdjson::SUCCESS) {
    error = "a risk table is {\"rules\": [...], \"otherwise\": \"<class>\"}";
    return false;
  }
  const auto fallback = parseRiskName(otherwise);
  if (!fallback) {
    error = "unknown risk class \"" + std::string(otherwise) + "\"";
    return false;
  }
  table.otherwise = *fallback;
  for (simdjson::dom::element item : rules) {
    simdjson::dom::object fields;
    RiskRules::Rule rule;
    if (item.get_object().get(fields) != simdjson::SUCCESS) {
      error = "a risk rule must be an object";
      return false;
    }
    if (!readRule(fields, rule, error)) return false;
    table.rules.push_back(std::move(rule));
  }
  out = std::move(table);
  return true;
}

const RiskRules& defaultRiskRules() {
  static const RiskRules rules = [] {
    RiskRules table;
    std::string error;
    // The embedded table is checked by the unit tests; should it ever be
    // unreadable, every command without its own class counts as a change.
    parseRiskRules(riskDefaultsJson(), table, error);
    return table;
  }();
  return rules;
}

RiskClass defaultRisk(const RiskRules& rules, const ActionFields& action, CommandTarget target) {
  if (target != CommandTarget::Local) return RiskClass::None;
  for (const RiskRules::Rule& rule : rules.rules) {
    const bool matches = std::all_of(rule.members.begin(), rule.members.end(), [&](const auto& member) {
      return std::find(action.begin(), action.end(), member) != action.end();
    });
    if (matches) return rule.risk;
  }
  return rules.otherwise;
}

}  // namespace norvik
