// Module entry of intent_bridge.node: publishes the thirteen script functions
// on the exports object, in a fixed order. The module keeps no state; every
// call goes straight to the engine.
#include <node_api.h>
#include <napi.h>

#include "call_frame.h"
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

// A row that cannot be registered leaves a pending exception; the remaining
// rows are still registered.
napi_value registerRouterExports(napi_env env, napi_value exports) {
  for (const RouterExport& row : kRouterExports) {
    napi_value function = createHandlerFunction(env, row.handler);
    if (function == nullptr) continue;
    if (napi_set_named_property(env, exports, row.name, function) != napi_ok) {
      Napi::Error::New(env).ThrowAsJavaScriptException();
    }
  }
  return exports;
}

}  // namespace
}  // namespace intent_bridge

// Defines napi_register_module_v1 and node_api_module_get_api_version_v1
// (which answers the Node-API version the module is built for, 8).
NAPI_MODULE_INIT() {
  return intent_bridge::registerRouterExports(env, exports);
}
