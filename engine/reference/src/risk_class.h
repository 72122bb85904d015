// How much a command changes the user's machine, which decides how much
// evidence a local run needs: none (queries and searches), change (settings,
// opening apps, media, timers, the pet) or destructive (power off, closing apps
// and windows, emptying the recycle bin: anything that can lose the user's work).
// A command states its class in the corpus member "risk"; without it the class
// comes from its action by the rule table of corpus/risk_defaults.json, embedded
// at build time.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "command.h"

namespace norvik {

const char* riskName(RiskClass risk);
std::optional<RiskClass> parseRiskName(std::string_view text);

// The rule table: the first rule whose every member equals the action's member
// of the same name decides; with no rule matching, `otherwise`.
struct RiskRules {
  struct Rule {
    ActionFields members;
    RiskClass risk = RiskClass::Change;
  };
  std::vector<Rule> rules;
  RiskClass otherwise = RiskClass::Change;
};

// Reads a table in the format of risk_defaults.json; false (with `error`) when
// the text is not such a table.
bool parseRiskRules(std::string_view json, RiskRules& out, std::string& error);

// The embedded table, read once.
const RiskRules& defaultRiskRules();

// The class of a command without a "risk" member: commands resolved by the LLM
// or by chat change nothing themselves; others follow the table.
RiskClass defaultRisk(const RiskRules& rules, const ActionFields& action, CommandTarget target);

}  // namespace norvik
