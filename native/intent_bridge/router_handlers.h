// The handlers behind the thirteen script functions of intent_bridge, grouped
// by the file that implements them.
#pragma once

#include "call_frame.h"

namespace intent_bridge {

// Sets the thirteen functions on `exports`, in order, and returns it
// (router_exports.cpp).
napi_value registerRouterExports(napi_env env, napi_value exports);

// Engine lifecycle and corpus (lifecycle_and_corpus.cpp).
napi_value handleInit(const CallArguments& args);
napi_value handleInitFromFile(const CallArguments& args);
napi_value handleAddCorpus(const CallArguments& args);
napi_value handleAddCorpusFromFile(const CallArguments& args);
napi_value handleClearUserCorpus(const CallArguments& args);
napi_value handleGetCommandCount(const CallArguments& args);
napi_value handleDestroy(const CallArguments& args);
napi_value handleVersion(const CallArguments& args);

// Routing (route_call.cpp).
napi_value handleRoute(const CallArguments& args);

// Similarity (similarity_queries.cpp).
napi_value handleQuerySimilarity(const CallArguments& args);
napi_value handleSemanticScore(const CallArguments& args);

// Configuration (router_config.cpp).
napi_value handleUpdateConfig(const CallArguments& args);
napi_value handleGetConfig(const CallArguments& args);

}  // namespace intent_bridge
