// JSON text of the engine's replies.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "command_index.h"
#include "corpus_snapshot.h"
#include "router.h"

namespace norvik {

// A reply is measured first (an upper bound of its length), then written in one
// pass without a check per piece: straight into `direct`, the caller's buffer of
// `capacity` bytes, when it surely fits there with a NUL after it, else into
// `spare`, whose capacity serves later calls. The reply's bytes are returned,
// without a NUL; `direct` past them may have been written. The commands' ids
// and names come from the snapshot's CommandReplyText.

// {"target","confidence","reasoning","scores","matchedCommand","patternAction"}, and
// with verbose on a "candidates" list.
std::string_view writeRouteReply(const CorpusSnapshot& snapshot, const RouteDecision& decision, bool verbose,
                                 char* direct, std::size_t capacity, std::string& spare);

// {"matches":[{"id","similarity","name"}...]}
std::string_view writeSimilarityReply(const CorpusSnapshot& snapshot, const std::vector<SimilarityHit>& hits,
                                      char* direct, std::size_t capacity, std::string& spare);

// The same replies as strings, written into `buffer`, which is returned: a
// caller that hands the same buffer back each time allocates nothing once it
// is large enough.
std::string writeRouteReply(const CorpusSnapshot& snapshot, const RouteDecision& decision, bool verbose,
                            std::string buffer = {});
std::string writeSimilarityReply(const CorpusSnapshot& snapshot, const std::vector<SimilarityHit>& hits,
                                 std::string buffer = {});

}  // namespace norvik
