// The control of the failing allocator from script, in the probe builds of the
// modules (never in the modules users get): `allocationControl` on the exports
// object, with
//   arm(n, persistent)  fail allocation n from now (and every later one when
//                       `persistent` is true)
//   disarm()            true when the armed allocation was reached
//   liveAllocations()   allocations of the module not yet freed
#pragma once

#include <node_api.h>

namespace allocation_probe {

// Sets `allocationControl` on `exports`. Allocates nothing natively.
void exportAllocationControl(napi_env env, napi_value exports);

}  // namespace allocation_probe
