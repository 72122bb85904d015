// The routing decision: which command a query matches, the five scores, and
// whether the query runs locally, goes to the LLM's command selection, or is small
// talk for the chat pipeline.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "candidate_ranking.h"
#include "command.h"
#include "corpus_snapshot.h"
#include "risk_gate.h"

namespace norvik {

struct RouteScores {
  double semantic = 0.0;
  double complexity = 0.0;
  double domainKeyword = 0.0;
  double openEnded = 0.0;
  double entityMatch = 0.0;
  double combined = 0.0;
};

// routeQueryInto sets each member back as a fresh decision has it: a member
// added here is reset there too.
struct RouteDecision {
  CommandTarget target = CommandTarget::Chat;
  double confidence = 0.0;
  std::string reasoning;
  RouteScores scores;
  bool hasMatch = false;  // a command was chosen: matchedCommand is reported
  RouteCandidate best;    // the chosen command
  bool hasPatternAction = false;
  ActionFields patternAction;              // the chosen command's action plus its slots
  std::vector<RouteCandidate> candidates;  // ranked, for verbose replies
};

// Below this similarity (and without a pattern match) no command is reported.
constexpr double kMinReportedSimilarity = 0.2;

// `strictness` is the level of evidence a machine-changing command needs (see
// risk_gate.h); benchmarks vary it, the engine uses the default.
RouteDecision routeQuery(const CorpusSnapshot& snapshot, std::string_view query, int strictness = kDefaultStrictness);
// The same into `decision`, whatever it held, keeping the space of its
// candidates, reasoning and action: a caller that routes into the same
// decision each time allocates little once it has grown.
void routeQueryInto(const CorpusSnapshot& snapshot, std::string_view query, RouteDecision& decision,
                    int strictness = kDefaultStrictness);

}  // namespace norvik
