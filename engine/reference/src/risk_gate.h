// Whether a local command may run on a query. The more a command changes the
// machine, the more evidence it needs, and the evidence must be positive: the
// request is in the command's own form, not merely free of known failures. A
// query command runs when it explains enough of the query. A change (volume,
// opening an app, a timer…) runs on an explicit command form (a pattern or an
// open-by-name reading), or when the command explains every meaningful word of
// the request, says its operation, names the thing it acts on (a word of its
// own, or a close match of one of its texts), matches closely, and no other
// command fits the request about as well. A destructive command (power off,
// closing apps…) needs the same and a closer match, never on a question. No
// local command answers a question about something (怎么关机) unless its own
// words carry the question (用英语怎么说), and no machine-changing command runs
// against a negation it does not spell out (不要关机).
#pragma once

#include <cstddef>

#include "command.h"
#include "query_coverage.h"
#include "query_form.h"

namespace norvik {

struct Evidence {
  bool explicitForm = false;     // a pattern of the command read the whole query, or an open-by-name reading
  bool ownText = false;          // the query is the command's name or one of its examples, word for word
  double similarity = 0.0;       // to the command's closest name or example
  bool operationStated = true;   // the request says what to do, when the command's name does ("闹钟" does not)
  bool keywordHeld = false;      // the query holds a keyword of the command
  bool thingNamed = false;       // …one that names what the command acts on (亮度, 闹钟, 回收站; not 调低)
  Coverage coverage;             // how much of the query the command explains
  bool phrasesQuestion = false;  // the command's own words carry the query's question words
  bool alternative = false;      // weighed after a better-ranked command was held back
  bool speakerActs = false;  // the command is something the pet does, and the user says they do it ("我要睡觉了")
  bool rivalFits = false;    // another command ranks about as high and explains the request as well
  bool reported = false;     // the request reports what happens ("电脑要关机了"), it does not ask for it
  bool wantsAnApp = false;   // the request names an app ("录屏软件") and the command does something else
  bool stateOnly = false;    // a word of direction says how things are ("声音有点大"), not what to do
  bool levelZero = false;    // a level of zero ("音量调到0"): muting or switching off is another command
};

struct GateDecision {
  bool run = true;
  const char* reason = "";     // why the command was held back
  bool aboutCoverage = false;  // the reason is how little of the query the command explains
  bool looseMatch = false;     // held back on similarity: a closer measure of it may admit the command
};

// How much evidence a machine-changing command needs without an explicit form.
// Levels run from 0 (the least) up; each asks at least what the one before
// asks. The engine routes at kDefaultStrictness; the routing benchmark varies
// the level to measure harmful routes against served requests.
struct Strictness {
  std::size_t changeUnexplained;  // meaningful characters a change command may leave unexplained
  double changeSimilarity;        // least similarity of a change command that leaves some unexplained
  double explainedSimilarity;     // …that explains every character
  double namedSimilarity;         // …that also finds a word of its own thing in the request
  bool thingRequired;             // the request must name the command's thing, or match a text closely
  double closeMatch;              // the similarity that counts as a close match of a text
  double destructiveSimilarity;   // least similarity of a destructive command
  double rivalMargin;             // another command ranked within this of the chosen one may fit as well
};

constexpr int kStrictnessLevels = 9;
constexpr int kDefaultStrictness = 5;

const Strictness& strictnessLevel(int level);

GateDecision admitLocalRun(RiskClass risk, const Evidence& evidence, const QueryForm& form,
                           const Strictness& strictness);

}  // namespace norvik
