// The thirteen script functions of intent_bridge, published on the exports
// object in a fixed order. The module keeps no state; every call goes straight
// to the engine.
#include "router_handlers.h"

namespace intent_bridge {
namespace {

struct RouterExport {
  const char* name;
  Handler handler;
};

constexpr RouterExport kRouterExports[] = {
    {"init", handleInit},
    {"initFromFile", handleInitFromFile},
    {"route", handleRoute},
    {"querySimilarity", handleQuerySimilarity},
    {"semanticScore", handleSemanticScore},
    {"updateConfig", handleUpdateConfig},
    {"getConfig", handleGetConfig},
    {"addCorpus", handleAddCorpus},
    {"addCorpusFromFile", handleAddCorpusFromFile},
    {"clearUserCorpus", handleClearUserCorpus},
    {"getCommandCount", handleGetCommandCount},
    {"destroy", handleDestroy},
    {"version", handleVersion},
};

}  // namespace

// A row that cannot be registered leaves a pending exception; the remaining
// rows are still registered.
napi_value registerRouterExports(napi_env env, napi_value exports) {
  for (const RouterExport& row : kRouterExports) exportHandler(env, exports, row.name, row.handler);
  return exports;
}

}  // namespace intent_bridge
