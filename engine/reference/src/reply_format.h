// JSON text of the engine's replies.
#pragma once

#include <string>
#include <vector>

#include "command_index.h"
#include "corpus_snapshot.h"
#include "router.h"

namespace norvik {

// The replies are written into `buffer` (emptied first), which is returned:
// a caller that hands the same buffer back each time allocates nothing once it
// is large enough.

// {"target","confidence","reasoning","scores","matchedCommand","patternAction"}, and
// with verbose on a "candidates" list.
std::string writeRouteReply(const RouteDecision& decision, bool verbose, std::string buffer = {});

// {"matches":[{"id","similarity","name"}...]}
std::string writeSimilarityReply(const CorpusSnapshot& snapshot, const std::vector<SimilarityHit>& hits,
                                 std::string buffer = {});

}  // namespace norvik
