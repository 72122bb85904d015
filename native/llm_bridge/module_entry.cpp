// Module entry of llm_bridge.node: napi_register_module_v1, called once per
// script environment (the main thread and every worker) that loads the module,
// and node_api_module_get_api_version_v1 (which answers 8, the Node-API version
// the module is built for).
#include <node_api.h>

#include "script_functions.h"

NAPI_MODULE_INIT() {
  return llm_bridge::registerLlmExports(env, exports);
}
