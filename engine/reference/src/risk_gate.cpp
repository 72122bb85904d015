#include "risk_gate.h"

namespace norvik {

namespace {

// Share of the query a command must explain, by risk class, without an explicit form.
constexpr double kHarmlessCover = 0.6;
constexpr double kChangeCover = 0.75;
constexpr double kDestructiveCover = 0.9;
// Meaningful characters of the query that a change command may leave unexplained.
constexpr std::size_t kChangeUnexplained = 1;
// Similarity to the command's closest text that a change or destructive command
// needs without an explicit form.
constexpr double kChangeSimilarity = 0.45;
constexpr double kExplainedChangeSimilarity = 0.35;
// …and when the query also holds one of its keywords whole: the request names
// the command's object and says nothing else ("亮度加大").
constexpr double kNamedChangeSimilarity = 0.25;
constexpr double kDestructiveSimilarity = 0.45;

constexpr const char* kOtherDirection = "a word of the request says another direction than the command";
constexpr const char* kNoOperation = "the request does not say what to do to it";
constexpr const char* kNegated = "the request negates what the command does";

GateDecision hold(const char* reason, bool aboutCoverage = false) {
  return GateDecision{false, reason, aboutCoverage};
}

GateDecision admitHarmless(const Evidence& e) {
  if (e.explicitForm) return {};
  if (!e.coverage.directionExplained) return hold(kOtherDirection, true);
  if (e.coverage.share() < kHarmlessCover) return hold("too little of the request", true);
  return {};
}

GateDecision admitChange(const Evidence& e, const QueryForm& form) {
  if (form.question == QuestionKind::Asking && !e.phrasesQuestion) {
    return hold("a question, not a request to change the machine");
  }
  if (!e.coverage.negationExplained) return hold(kNegated);
  if (e.explicitForm) return {};
  if (!e.coverage.directionExplained) return hold(kOtherDirection, true);
  if (!e.operationStated) return hold(kNoOperation, true);
  const std::size_t unexplained = e.coverage.content - e.coverage.explained;
  if (e.coverage.share() < kChangeCover || unexplained > (e.alternative ? 0 : kChangeUnexplained)) {
    return hold("too little for a command that changes the machine", true);
  }
  // A command that explains every word may match loosely ("声音再小一些").
  const double floor = unexplained != 0 ? kChangeSimilarity
                       : e.keywordHeld  ? kNamedChangeSimilarity
                                        : kExplainedChangeSimilarity;
  if (e.similarity < floor) return hold("too loose a match for a command that changes the machine");
  return {};
}

GateDecision admitDestructive(const Evidence& e, const QueryForm& form) {
  if (form.question != QuestionKind::None && !e.phrasesQuestion) {
    return hold("a question, never a request to shut down or close");
  }
  if (!e.coverage.negationExplained) return hold(kNegated);
  if (e.explicitForm) return {};
  if (!e.coverage.directionExplained) return hold(kOtherDirection, true);
  if (!e.operationStated) return hold(kNoOperation, true);
  if (e.similarity < kDestructiveSimilarity || e.coverage.share() < kDestructiveCover) {
    return hold("not an explicit command form for a command that can lose the user's work", true);
  }
  return {};
}

}  // namespace

GateDecision admitLocalRun(RiskClass risk, const Evidence& evidence, const QueryForm& form) {
  if (form.question == QuestionKind::About && !evidence.phrasesQuestion) {
    return hold("a question about it wants an answer, not the command");
  }
  if (evidence.speakerActs) return hold("the user says what they do; the pet is not asked to do it");
  switch (risk) {
    case RiskClass::None:
      return admitHarmless(evidence);
    case RiskClass::Destructive:
      return admitDestructive(evidence, form);
    case RiskClass::Change:
      break;
  }
  return admitChange(evidence, form);
}

}  // namespace norvik
