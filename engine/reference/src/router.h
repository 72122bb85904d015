// The routing decision: which command a query matches, the five scores, and
// whether the query runs locally, goes to the LLM's command selection, or is small
// talk for the chat pipeline.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "command.h"
#include "command_index.h"
#include "corpus_snapshot.h"

namespace norvik {

struct RouteScores {
  double semantic = 0.0;
  double complexity = 0.0;
  double domainKeyword = 0.0;
  double openEnded = 0.0;
  double entityMatch = 0.0;
  double combined = 0.0;
};

struct RouteCandidate {
  const Command* command = nullptr;
  uint32_t position = 0;  // in the snapshot's active commands (and the index)
  double similarity = 0.0;
  double raw = 0.0;
  double keywordCoverage = 0.0;
  const Pattern* pattern = nullptr;  // a pattern matching the whole query
  SlotValues slots;
  bool namedBySlot = false;  // a generic command's slot named this command
  double rank = 0.0;
};

struct RouteDecision {
  CommandTarget target = CommandTarget::Chat;
  double confidence = 0.0;
  std::string reasoning;
  RouteScores scores;
  bool hasMatch = false;  // matchedCommand is reported
  RouteCandidate best;
  bool hasPatternAction = false;
  ActionFields patternAction;              // the command's action plus captured slots
  std::vector<RouteCandidate> candidates;  // ranked, for verbose replies
};

// Below this similarity (and without a pattern match) no command is reported.
constexpr double kMinReportedSimilarity = 0.2;

RouteDecision routeQuery(const CorpusSnapshot& snapshot, std::string_view query);

}  // namespace norvik
