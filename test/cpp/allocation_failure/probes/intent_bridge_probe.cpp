// intent_bridge built with the failing allocator: the module's thirteen
// functions, bound to the scripted engine, and `allocationControl`.
#include <node_api.h>

#include "allocation_control.h"
#include "router_handlers.h"

NAPI_MODULE_INIT() {
  intent_bridge::registerRouterExports(env, exports);
  allocation_probe::exportAllocationControl(env, exports);
  return exports;
}
