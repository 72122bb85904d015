#include "router.h"

#include <algorithm>
#include <cstdio>
#include <optional>

#include "occurrences.h"
#include "query_signals.h"
#include "text_normalizer.h"

namespace norvik {

namespace {

// How many of the most similar commands are examined further (patterns, keywords).
constexpr std::size_t kCandidateCount = 10;
// Commands whose patterns are anchored in the query are examined too, up to this many.
constexpr std::size_t kPatternCandidateCount = 32;
// Ranking bonuses: a whole-query pattern match is strong evidence for a command,
// its keywords in the query weaker evidence.
constexpr double kPatternBonus = 0.2;
constexpr double kPatternLiteralBonus = 0.3;
constexpr double kKeywordBonus = 0.1;
// A pattern's reading of the query displaces a better-ranked candidate when it
// matches the pattern's literal text by this much more, and ranks at most this
// much lower.
constexpr double kLiteralLead = 0.1;
constexpr double kReadingGap = 0.3;
// Commands looked up by a slot value when no candidate is the one it names.
constexpr std::size_t kSlotLookups = 3;
// A command that is resolved by the LLM or by chat needs at least this similarity
// (or a pattern match) to claim the query.
constexpr double kDelegateFloor = 0.3;
// Without a claiming command, queries this open-ended go to chat.
constexpr double kChatOpenEnded = 0.4;

double keywordCoverage(const Command& command, const std::u32string& query) {
  if (query.empty() || command.normalizedKeywords.empty()) return 0.0;
  std::vector<bool> covered(query.size(), false);
  for (const std::u32string& keyword : command.normalizedKeywords) {
    // Occurrences come in increasing order: each position is marked once.
    std::size_t markedTo = 0;
    forEachOccurrence(query, keyword, [&](std::size_t pos) {
      const std::size_t end = pos + keyword.size();
      for (std::size_t i = std::max(pos, markedTo); i < end; ++i) covered[i] = true;
      markedTo = std::max(markedTo, end);
    });
  }
  const auto count = static_cast<double>(std::count(covered.begin(), covered.end(), true));
  return std::min(1.0, 2.0 * count / static_cast<double>(query.size()));
}

// Politeness around a request that patterns need not spell out.
const std::u32string kLeadingFillers[] = {U"麻烦你", U"你帮我", U"帮我", U"麻烦", U"请", U"帮忙"};
const std::u32string kTrailingFillers[] = {U"可以吗", U"好吗", U"谢谢", U"吧", U"啊", U"呀", U"哦", U"嘛"};

NormalizedText slice(const NormalizedText& text, std::size_t begin, std::size_t end) {
  NormalizedText out;
  out.chars = text.chars.substr(begin, end - begin);
  out.byteBegin.assign(text.byteBegin.begin() + static_cast<long>(begin),
                       text.byteBegin.begin() + static_cast<long>(end));
  out.byteEnd.assign(text.byteEnd.begin() + static_cast<long>(begin), text.byteEnd.begin() + static_cast<long>(end));
  return out;
}

// The query without a leading and a trailing filler word, or nothing when it has neither.
std::optional<NormalizedText> withoutFillers(const NormalizedText& query) {
  std::size_t begin = 0;
  std::size_t end = query.size();
  for (const std::u32string& filler : kLeadingFillers) {
    if (query.chars.compare(0, filler.size(), filler) == 0 && filler.size() < end) {
      begin = filler.size();
      break;
    }
  }
  for (const std::u32string& filler : kTrailingFillers) {
    if (end - begin > filler.size() && query.chars.compare(end - filler.size(), filler.size(), filler) == 0) {
      end -= filler.size();
      break;
    }
  }
  if (begin == 0 && end == query.size()) return std::nullopt;
  return slice(query, begin, end);
}

// Among the command's patterns that match the whole query, takes the one with the
// most literal text: "搜索一下{query}" is a better reading than "搜索{query}". The
// query without its fillers is tried first so that a trailing "吧" does not end
// up inside a slot.
void matchPatterns(RouteCandidate& candidate, const NormalizedText& query, const std::optional<NormalizedText>& trimmed,
                   std::string_view raw) {
  for (const NormalizedText* text : {trimmed ? &*trimmed : nullptr, &query}) {
    if (text == nullptr) continue;
    for (const Pattern& pattern : candidate.command->patterns) {
      if (candidate.pattern != nullptr && pattern.literalLength <= candidate.pattern->literalLength) continue;
      if (auto slots = matchPattern(pattern, *text, raw)) {
        candidate.pattern = &pattern;
        candidate.slots = std::move(*slots);
      }
    }
    if (candidate.pattern != nullptr) return;
  }
}

bool slotNamesCommand(const SlotValues& slots, const Command& command) {
  for (const auto& slot : slots) {
    const std::u32string value = normalizeText(slot.second).chars;
    if (value.size() < 2) continue;
    for (const std::u32string& keyword : command.normalizedKeywords) {
      if (keyword.size() < 2) continue;
      // The keyword names the slot's content: it contains the value, or makes up
      // at least half of it.
      if (keyword.find(value) != std::u32string::npos) return true;
      if (2 * keyword.size() >= value.size() && value.find(keyword) != std::u32string::npos) return true;
    }
  }
  return false;
}

std::u32string literalText(const Pattern& pattern) {
  std::u32string text;
  for (const PatternSegment& segment : pattern.segments) text += segment.literal;
  return text;
}

// A pattern that reads the whole query is weighed against a better-ranked
// candidate without one by comparing both on the pattern's literal text alone
// (the query without what the slots captured). The pattern's command wins when
// the other one matches that text at least as well as the whole query, so the
// slot holds what the other command leaves out ("北京" in "北京明天会下雨吗"), or
// when it matches the literal text clearly better and is not far behind, so the
// words around the slots decide ("搜索" against "放一下" in
// "搜索胡歌演的琅琊榜", where the title matches an example of the other).
void preferPatternReading(std::vector<RouteCandidate>& candidates, const CommandIndex& index) {
  if (candidates.size() < 2 || candidates.front().pattern != nullptr) return;
  const auto reading = std::find_if(candidates.begin() + 1, candidates.end(),
                                    [](const RouteCandidate& c) { return c.pattern != nullptr && !c.slots.empty(); });
  if (reading == candidates.end() || slotNamesCommand(reading->slots, *candidates.front().command)) return;
  const RouteCandidate& best = candidates.front();
  double bestOnLiteral = 0.0;
  double readingOnLiteral = 0.0;
  for (const SimilarityHit& hit : index.search(literalText(*reading->pattern), 0, {best.position, reading->position})) {
    if (hit.command == best.position) bestOnLiteral = hit.similarity;
    if (hit.command == reading->position) readingOnLiteral = hit.similarity;
  }
  const bool slotIsLeftOut = bestOnLiteral >= best.similarity;
  const bool wordsDecide = readingOnLiteral > bestOnLiteral + kLiteralLead && reading->rank + kReadingGap >= best.rank;
  if (slotIsLeftOut || wordsDecide) std::rotate(candidates.begin(), reading, reading + 1);
}

// A generic command whose slot captured what another candidate is specifically
// about ("关掉{app}" reading "关掉声音") gives way to that candidate.
void preferSpecific(std::vector<RouteCandidate>& candidates, const CorpusSnapshot& snapshot,
                    const NormalizedText& query) {
  if (candidates.empty() || candidates.front().pattern == nullptr) return;
  const SlotValues& slots = candidates.front().slots;
  for (std::size_t i = 1; i < candidates.size(); ++i) {
    // A command with patterns of its own reads its details from slots too: it
    // is no more specific ("电影" captured by a video search names no film).
    if (candidates[i].command->target == CommandTarget::Chat || !candidates[i].command->patterns.empty()) continue;
    if (slotNamesCommand(slots, *candidates[i].command)) {
      candidates[i].namedBySlot = true;
      std::rotate(candidates.begin(), candidates.begin() + static_cast<long>(i),
                  candidates.begin() + static_cast<long>(i + 1));
      return;
    }
  }
  // The named command may share too little with the whole query to be a
  // candidate ("open qq" is one unknown word): look the slot values up. Found
  // this way, it must do the same kind of thing as the generic command (open an
  // app, not close it).
  const auto type = [](const Command& command) -> const std::string* {
    for (const auto& field : command.action) {
      if (field.first == "type") return &field.second;
    }
    return nullptr;
  };
  const std::string* genericType = type(*candidates.front().command);
  if (genericType == nullptr) return;
  for (const auto& slot : slots) {
    for (const SimilarityHit& hit : snapshot.index->search(normalizeText(slot.second).chars, kSlotLookups)) {
      const Command& command = *snapshot.active[hit.command];
      const std::string* commandType = type(command);
      if (command.target == CommandTarget::Chat || !command.patterns.empty() || commandType == nullptr ||
          *commandType != *genericType || !slotNamesCommand(slots, command)) {
        continue;
      }
      RouteCandidate named;
      named.command = &command;
      named.position = hit.command;
      for (const SimilarityHit& self : snapshot.index->search(query.chars, 0, {hit.command})) {
        named.similarity = self.similarity;
        named.raw = self.raw;
      }
      named.keywordCoverage = keywordCoverage(command, query.chars);
      named.rank = named.similarity + kKeywordBonus * named.keywordCoverage;
      named.namedBySlot = true;
      candidates.insert(candidates.begin(), std::move(named));
      return;
    }
  }
}

std::vector<RouteCandidate> rankCandidates(const CorpusSnapshot& snapshot, const NormalizedText& query,
                                           std::string_view raw, bool tryPatterns) {
  std::vector<RouteCandidate> candidates;
  const std::optional<NormalizedText> trimmed = tryPatterns ? withoutFillers(query) : std::nullopt;
  const std::vector<uint32_t> withPatterns =
      tryPatterns ? snapshot.index->patternCommands(query.chars, kPatternCandidateCount) : std::vector<uint32_t>{};
  for (const SimilarityHit& hit : snapshot.index->search(query.chars, kCandidateCount, withPatterns)) {
    RouteCandidate candidate;
    candidate.command = snapshot.active[hit.command].get();
    candidate.position = hit.command;
    candidate.similarity = hit.similarity;
    candidate.raw = hit.raw;
    candidate.keywordCoverage = keywordCoverage(*candidate.command, query.chars);
    if (tryPatterns) matchPatterns(candidate, query, trimmed, raw);
    candidate.rank = candidate.similarity + kKeywordBonus * candidate.keywordCoverage;
    if (candidate.pattern != nullptr) {
      // The more of the query the pattern spells out, the stronger the evidence.
      const double literalShare = static_cast<double>(candidate.pattern->literalLength) /
                                  static_cast<double>(std::max<std::size_t>(query.size(), 1));
      candidate.rank += kPatternBonus + kPatternLiteralBonus * std::min(1.0, literalShare);
    }
    candidates.push_back(std::move(candidate));
  }
  std::stable_sort(candidates.begin(), candidates.end(),
                   [](const RouteCandidate& a, const RouteCandidate& b) { return a.rank > b.rank; });
  preferPatternReading(candidates, *snapshot.index);
  preferSpecific(candidates, snapshot, query);
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
  std::string text = "closest command \"" + best.command->name + "\"" + format(" (similarity %.2f", best.similarity);
  if (best.pattern != nullptr) text += ", pattern \"" + best.pattern->source + "\"";
  return text + ")";
}

// Decides the target once the scores are known; fills target, confidence, reasoning.
void decide(RouteDecision& d, const QuerySignals& signals, double threshold) {
  const bool claimed =
      d.hasMatch && (d.best.similarity >= kDelegateFloor || d.best.pattern != nullptr || d.best.namedBySlot);
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
      d.reasoning =
          describeMatch(d.best) + (kind == CommandTarget::Llm ? "; the command needs details that the LLM extracts"
                                                              : "; small talk for the pet");
      return;
    }
  }
  const std::string prefix = d.hasMatch ? describeMatch(d.best) + format("; combined score %.2f", d.scores.combined) +
                                              (signals.multiStep ? ", several steps" : "")
                                        : std::string("no similar command");
  const bool commandLike =
      signals.imperative || signals.multiStep || (claimed && d.best.command->target != CommandTarget::Chat);
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
    d.hasMatch = best.similarity >= kMinReportedSimilarity || best.pattern != nullptr || best.namedBySlot;
    if (d.hasMatch) {
      d.best = best;
      d.scores.semantic = best.similarity;
      d.scores.domainKeyword = best.keywordCoverage;
      d.scores.entityMatch = best.pattern != nullptr || best.namedBySlot ? 1.0 : 0.0;
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
