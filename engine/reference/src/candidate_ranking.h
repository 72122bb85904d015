// Candidate commands for a query: the most similar ones and those whose
// patterns are anchored in it, each with its keyword coverage and the pattern
// that reads the whole query, ranked, with the readings that move a more
// specific command or a pattern's reading to the front.
#pragma once

#include <string_view>
#include <vector>

#include "command.h"
#include "corpus_snapshot.h"
#include "text_normalizer.h"
#include "text_scan.h"

namespace norvik {

struct RouteCandidate {
  RouteCandidate() = default;
  // A candidate found by ranking's search.
  RouteCandidate(const Command* found, uint32_t at, double similarityFound, double rawFound)
      : command(found), position(at), similarity(similarityFound), raw(rawFound), searched(true) {}

  const Command* command = nullptr;
  uint32_t position = 0;  // in the snapshot's active commands (and the index)
  double similarity = 0.0;
  double raw = 0.0;
  double keywordCoverage = 0.0;
  const Pattern* pattern = nullptr;  // a pattern matching the whole query
  SlotValues slots;
  SlotSpans slotSpans;       // where the slots stand in the normalised query
  bool namedBySlot = false;  // a generic command's slot named this command
  // The similarity is the ranking search's, of the query as searchText reads it.
  bool searched = false;
  double rank = 0.0;
};

// Ranked candidates, best first, into `candidates` (emptied first, its space
// kept from one route to the next). Patterns are tried only when
// `tryPatterns`. `spoken` holds the query's normalised characters as the user
// said them (see colloquial_words.h): what a slot names is read in them.
void rankCandidates(const CorpusSnapshot& snapshot, const NormalizedText& query, const std::u32string& spoken,
                    std::string_view raw, bool tryPatterns, std::vector<RouteCandidate>& candidates);

// The query as ranking searches the commands' texts for it: without
// politeness and particles ("帮我把音量调大一点吧" is "音量调大"), or whole when
// that leaves nothing.
void searchText(const std::u32string& query, std::u32string& text);

// Share of the query's characters covered by the command's keywords, doubled,
// capped at 1. `characters` holds the query's characters.
double keywordCoverage(const Command& command, const std::u32string& query, const CharacterFilter& characters);
double keywordCoverage(const Command& command, const std::u32string& query);

// A candidate for a command found otherwise than by ranking, with its similarity to the query.
RouteCandidate candidateFor(const CorpusSnapshot& snapshot, uint32_t position, const NormalizedText& query);

}  // namespace norvik
