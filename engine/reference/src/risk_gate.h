// Whether a local command may run on a query. The more a command changes the
// machine, the more evidence it needs: a query command runs when it explains
// enough of the query; a change (volume, opening an app, a timer…) needs most of
// the query explained and a close match, or an explicit command form (a pattern
// or an open-by-name reading); a destructive command (power off, closing apps…)
// runs only on an explicit command form or a close match of its own words, never
// on a question. No local command answers a question about something (怎么关机)
// unless its own words carry the question (用英语怎么说), and no
// machine-changing command runs against a negation it does not spell out
// (不要关机).
#pragma once

#include "command.h"
#include "query_coverage.h"
#include "query_form.h"

namespace norvik {

struct Evidence {
  bool explicitForm = false;     // a pattern of the command read the whole query, or an open-by-name reading
  double similarity = 0.0;       // to the command's closest name or example
  bool operationStated = true;   // the request says what to do, when the command's name does ("闹钟" does not)
  bool keywordHeld = false;      // the query holds a keyword of the command (its object: 亮度, 闹钟…)
  Coverage coverage;             // how much of the query the command explains
  bool phrasesQuestion = false;  // the command's own words carry the query's question words
  bool alternative = false;      // weighed after a better-ranked command was held back
  bool speakerActs = false;  // the command is something the pet does, and the user says they do it ("我要睡觉了")
};

struct GateDecision {
  bool run = true;
  const char* reason = "";     // why the command was held back
  bool aboutCoverage = false;  // the reason is how little of the query the command explains
};

GateDecision admitLocalRun(RiskClass risk, const Evidence& evidence, const QueryForm& form);

}  // namespace norvik
