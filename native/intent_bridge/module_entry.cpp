// Module entry of intent_bridge.node: napi_register_module_v1 and
// node_api_module_get_api_version_v1 (which answers 8, the Node-API version the
// module is built for).
#include <node_api.h>

#include "router_handlers.h"

NAPI_MODULE_INIT() {
  return intent_bridge::registerRouterExports(env, exports);
}
