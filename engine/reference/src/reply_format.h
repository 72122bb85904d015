// JSON text of the engine's replies.
#pragma once

#include <string>
#include <vector>

#include "command_index.h"
#include "corpus_snapshot.h"
#include "router.h"

namespace norvik {

// {"target","confidence","reasoning","scores","matchedCommand","patternAction"}, and
// with verbose on a "candidates" list.
std::string writeRouteReply(const RouteDecision& decision, bool verbose);

// {"matches":[{"id","similarity","name"}...]}
std::string writeSimilarityReply(const CorpusSnapshot& snapshot, const std::vector<SimilarityHit>& hits);

}  // namespace norvik
