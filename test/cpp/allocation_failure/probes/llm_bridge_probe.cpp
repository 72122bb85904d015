// llm_bridge built with the failing allocator (and the OpenVINO stand-in): the
// module's six functions and `allocationControl`.
#include <node_api.h>

#include "allocation_control.h"
#include "script_functions.h"

NAPI_MODULE_INIT() {
  llm_bridge::registerLlmExports(env, exports);
  allocation_probe::exportAllocationControl(env, exports);
  return exports;
}
