// Similarity figures for a query: the engine's list of matches
// (querySimilarity) and its semantic score (semanticScore).
#pragma once

#include <napi.h>

#include "json_cursor.h"

namespace intent_bridge {

// { matches: [...] } from the first list in the reply: one object with `id`
// and `similarity` (each when present) per object element, in order.
napi_value buildSimilarityResult(napi_env env, EngineReply reply);

}  // namespace intent_bridge
