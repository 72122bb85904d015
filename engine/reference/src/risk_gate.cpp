#include "risk_gate.h"

namespace norvik {

namespace {

// Share of the query a command must explain, by risk class, without an explicit form.
constexpr double kHarmlessCover = 0.6;
constexpr double kChangeCover = 0.75;
constexpr double kDestructiveCover = 0.9;

// Level 0 is the gate of the previous engine: one character may stay unexplained
// and any similar text will do. From level 1 every meaningful character must be
// explained, from level 2 the request must name the command's thing (or match
// one of its texts closely), from level 3 no other command may fit about as
// well; the higher levels raise the similarities.
constexpr Strictness kLevels[kStrictnessLevels] = {
    // unexplained, change, explained, named, thing, close, destructive, rival margin
    {1, 0.45, 0.35, 0.25, false, 1.0, 0.45, 0.0},  //
    {0, 0.45, 0.35, 0.25, false, 1.0, 0.45, 0.0},  //
    {0, 0.45, 0.35, 0.25, true, 0.8, 0.45, 0.0},   //
    {0, 0.45, 0.4, 0.3, true, 0.8, 0.5, 0.05},     //
    {0, 0.5, 0.45, 0.35, true, 0.85, 0.55, 0.1},   //
    {0, 0.55, 0.5, 0.4, true, 0.9, 0.6, 0.15},     //
    {0, 0.6, 0.6, 0.5, true, 0.9, 0.65, 0.2},      //
    {0, 0.7, 0.7, 0.6, true, 0.9, 0.7, 0.2},       //
    {0, 0.8, 0.8, 0.7, true, 0.9, 0.8, 0.25},      //
};

constexpr const char* kOtherDirection = "a word of the request says another direction than the command";
constexpr const char* kNoOperation = "the request does not say what to do to it";
constexpr const char* kNegated = "the request negates what the command does";
constexpr const char* kNoThing = "the request does not name what the command acts on";
constexpr const char* kRival = "another command fits the request about as well";
constexpr const char* kWantsAnApp = "the request asks for an app, not for what the command does";
constexpr const char* kReported = "the request says what happens to the machine; it does not ask for it";

GateDecision hold(const char* reason, bool aboutCoverage = false, bool looseMatch = false) {
  return GateDecision{false, reason, aboutCoverage, looseMatch};
}

GateDecision admitHarmless(const Evidence& e) {
  if (e.explicitForm) return {};
  if (!e.coverage.directionExplained) return hold(kOtherDirection, true);
  if (e.coverage.share() < kHarmlessCover) return hold("too little of the request", true);
  return {};
}

// What every machine-changing command needs beyond what its class asks: the
// thing it acts on named or a close match, and no rival.
GateDecision admitCommandForm(const Evidence& e, const Strictness& s) {
  if (s.thingRequired && !e.thingNamed && e.similarity < s.closeMatch) return hold(kNoThing, true, true);
  if (e.rivalFits) return hold(kRival, true);
  return {};
}

// A request that is word for word one of the command's own texts runs it, even
// when that text is a question or a report ("我的快递到哪了" as an example of a
// parcel command): the corpus says that is how users ask for the command.
GateDecision admitChange(const Evidence& e, const QueryForm& form, const Strictness& s) {
  if (e.ownText) return {};
  if (e.wantsAnApp) return hold(kWantsAnApp);
  if (e.levelZero) return hold("a level of zero: muting or switching off, which another command does");
  if (e.stateOnly) return hold("the request says how things are; its word of direction is no operation");
  if (form.question == QuestionKind::Asking && !e.phrasesQuestion) {
    return hold("a question, not a request to change the machine");
  }
  if (e.reported) return hold(kReported);
  if (!e.coverage.negationExplained) return hold(kNegated);
  if (e.explicitForm) return {};
  if (!e.coverage.directionExplained) return hold(kOtherDirection, true);
  if (!e.operationStated) return hold(kNoOperation, true);
  const std::size_t unexplained = e.coverage.content - e.coverage.explained;
  if (e.coverage.share() < kChangeCover || unexplained > (e.alternative ? 0 : s.changeUnexplained)) {
    return hold("too little for a command that changes the machine", true);
  }
  // A command that explains every word may match loosely ("声音再小一些").
  const double floor = unexplained != 0 ? s.changeSimilarity
                       : e.keywordHeld  ? s.namedSimilarity
                                        : s.explainedSimilarity;
  if (e.similarity < floor) return hold("too loose a match for a command that changes the machine", false, true);
  return admitCommandForm(e, s);
}

GateDecision admitDestructive(const Evidence& e, const QueryForm& form, const Strictness& s) {
  if (e.wantsAnApp) return hold(kWantsAnApp);
  if (form.question != QuestionKind::None && !e.phrasesQuestion) {
    return hold("a question, never a request to shut down or close");
  }
  if (e.reported) return hold(kReported);
  if (!e.coverage.negationExplained) return hold(kNegated);
  if (e.explicitForm) return {};
  if (!e.coverage.directionExplained) return hold(kOtherDirection, true);
  if (!e.operationStated) return hold(kNoOperation, true);
  const std::size_t unexplained = e.coverage.content - e.coverage.explained;
  if (e.similarity < s.destructiveSimilarity || e.coverage.share() < kDestructiveCover ||
      unexplained > s.changeUnexplained) {
    return hold("not an explicit command form for a command that can lose the user's work", true,
                e.similarity < s.destructiveSimilarity);
  }
  return admitCommandForm(e, s);
}

}  // namespace

const Strictness& strictnessLevel(int level) {
  return kLevels[level < 0 ? 0 : level >= kStrictnessLevels ? kStrictnessLevels - 1 : level];
}

GateDecision admitLocalRun(RiskClass risk, const Evidence& evidence, const QueryForm& form,
                           const Strictness& strictness) {
  if (form.question == QuestionKind::About && !evidence.phrasesQuestion) {
    return hold("a question about it wants an answer, not the command");
  }
  if (evidence.speakerActs) return hold("the user says what they do; the pet is not asked to do it");
  switch (risk) {
    case RiskClass::None:
      return admitHarmless(evidence);
    case RiskClass::Destructive:
      return admitDestructive(evidence, form, strictness);
    case RiskClass::Change:
      break;
  }
  return admitChange(evidence, form, strictness);
}

}  // namespace norvik
