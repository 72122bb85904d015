#include "router.h"

#include <algorithm>
#include <cstdio>

#include "query_signals.h"
#include "text_normalizer.h"

namespace norvik {

namespace {

// How many of the most similar commands are examined further (patterns, keywords).
constexpr std::size_t kCandidateCount = 10;
// Ranking bonuses: a whole-query pattern match is strong evidence for a command,
// its keywords in the query weaker evidence.
constexpr double kPatternBonus = 0.35;
constexpr double kKeywordBonus = 0.1;
// A command that is resolved by the LLM or by chat needs at least this similarity
// (or a pattern match) to claim the query.
constexpr double kDelegateFloor = 0.3;
// Without a claiming command, queries this open-ended go to chat.
constexpr double kChatOpenEnded = 0.4;

double keywordCoverage(const Command& command, const std::u32string& query) {
  if (query.empty() || command.normalizedKeywords.empty()) return 0.0;
  std::vector<bool> covered(query.size(), false);
  for (const std::u32string& keyword : command.normalizedKeywords) {
    for (std::size_t pos = query.find(keyword); pos != std::u32string::npos;
         pos = query.find(keyword, pos + 1)) {
      std::fill(covered.begin() + static_cast<long>(pos),
                covered.begin() + static_cast<long>(pos + keyword.size()), true);
    }
  }
  const auto count = static_cast<double>(std::count(covered.begin(), covered.end(), true));
  return std::min(1.0, 2.0 * count / static_cast<double>(query.size()));
}

void matchPatterns(RouteCandidate& candidate, const NormalizedText& query, std::string_view raw) {
  for (const Pattern& pattern : candidate.command->patterns) {
    if (auto slots = matchPattern(pattern, query, raw)) {
      candidate.pattern = &pattern;
      candidate.slots = std::move(*slots);
      return;
    }
  }
}

std::vector<RouteCandidate> rankCandidates(const CorpusSnapshot& snapshot, const NormalizedText& query,
                                           std::string_view raw, bool tryPatterns) {
  std::vector<RouteCandidate> candidates;
  for (const SimilarityHit& hit : snapshot.index->search(query.chars, kCandidateCount)) {
    RouteCandidate candidate;
    candidate.command = snapshot.active[hit.command].get();
    candidate.similarity = hit.similarity;
    candidate.raw = hit.raw;
    candidate.keywordCoverage = keywordCoverage(*candidate.command, query.chars);
    if (tryPatterns) matchPatterns(candidate, query, raw);
    candidate.rank = candidate.similarity + kKeywordBonus * candidate.keywordCoverage +
                     (candidate.pattern != nullptr ? kPatternBonus : 0.0);
    candidates.push_back(std::move(candidate));
  }
  std::stable_sort(candidates.begin(), candidates.end(),
                   [](const RouteCandidate& a, const RouteCandidate& b) { return a.rank > b.rank; });
  return candidates;
}

double combine(const RouteScores& s, const Weights& w) {
  const double total = w.sum();
  if (!(total > 0.0)) return 0.0;
  const double value = w.semantic * s.semantic + w.complexity * (1.0 - s.complexity) +
                       w.domainKeyword * s.domainKeyword + w.openEnded * (1.0 - s.openEnded) +
                       w.entityMatch * s.entityMatch;
  return std::clamp(value / total, 0.0, 1.0);
}

std::string format(const char* fmt, double a, double b = 0.0) {
  char buffer[160];
  std::snprintf(buffer, sizeof buffer, fmt, a, b);
  return buffer;
}

std::string describeMatch(const RouteCandidate& best) {
  std::string text = "closest command \"" + best.command->name + "\"" +
                     format(" (similarity %.2f", best.similarity);
  if (best.pattern != nullptr) text += ", pattern \"" + best.pattern->source + "\"";
  return text + ")";
}

// Decides the target once the scores are known; fills target, confidence, reasoning.
void decide(RouteDecision& d, const QuerySignals& signals, double threshold) {
  const bool claimed = d.hasMatch && (d.best.similarity >= kDelegateFloor || d.best.pattern != nullptr);
  if (d.hasMatch) {
    const CommandTarget kind = d.best.command->target;
    if (kind == CommandTarget::Local && !signals.multiStep && d.scores.combined >= threshold) {
      d.target = CommandTarget::Local;
      d.confidence = d.scores.combined;
      d.reasoning = describeMatch(d.best) +
                    format("; combined score %.2f >= threshold %.2f: run locally", d.scores.combined, threshold);
      return;
    }
    if (kind != CommandTarget::Local && claimed && !signals.multiStep) {
      d.target = kind;
      d.confidence = std::min(1.0, d.best.rank);
      d.reasoning = describeMatch(d.best) +
                    (kind == CommandTarget::Llm ? "; the command needs details that the LLM extracts"
                                                : "; small talk for the pet");
      return;
    }
  }
  const std::string prefix = d.hasMatch ? describeMatch(d.best) + format("; combined score %.2f", d.scores.combined) +
                                              (signals.multiStep ? ", several steps" : "")
                                        : std::string("no similar command");
  const bool commandLike = signals.imperative || signals.multiStep ||
                           (claimed && d.best.command->target != CommandTarget::Chat);
  if (commandLike && !(signals.openEnded >= kChatOpenEnded && !signals.imperative)) {
    d.target = CommandTarget::Llm;
    d.confidence = std::clamp(1.0 - d.scores.combined, 0.0, 1.0);
    d.reasoning = prefix + "; a request the LLM should resolve";
  } else {
    d.target = CommandTarget::Chat;
    d.confidence = std::clamp(std::max(signals.openEnded, 1.0 - d.scores.combined), 0.0, 1.0);
    d.reasoning = prefix + "; conversation for the pet";
  }
}

}  // namespace

RouteDecision routeQuery(const CorpusSnapshot& snapshot, std::string_view query) {
  RouteDecision d;
  const NormalizedText normalized = normalizeText(query);
  const QuerySignals signals = readQuerySignals(query, normalized.chars);
  d.candidates = rankCandidates(snapshot, normalized, query, !signals.multiStep);
  d.scores.complexity = signals.complexity;
  d.scores.openEnded = signals.openEnded;
  if (!d.candidates.empty()) {
    const RouteCandidate& best = d.candidates.front();
    d.hasMatch = best.similarity >= kMinReportedSimilarity || best.pattern != nullptr;
    if (d.hasMatch) {
      d.best = best;
      d.scores.semantic = best.similarity;
      d.scores.domainKeyword = best.keywordCoverage;
      d.scores.entityMatch = best.pattern != nullptr ? 1.0 : 0.0;
    }
  }
  d.scores.combined = combine(d.scores, snapshot.config.weights);
  decide(d, signals, snapshot.config.localThreshold);
  if (d.hasMatch && d.best.pattern != nullptr) {
    d.hasPatternAction = true;
    d.patternAction = d.best.command->action;
    for (const auto& [name, value] : d.best.slots) {
      auto same = std::find_if(d.patternAction.begin(), d.patternAction.end(),
                               [&name = name](const auto& field) { return field.first == name; });
      if (same != d.patternAction.end()) {
        same->second = value;
      } else {
        d.patternAction.emplace_back(name, value);
      }
    }
  }
  return d;
}

}  // namespace norvik
