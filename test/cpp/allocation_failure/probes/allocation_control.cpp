#include "allocation_control.h"

#include <cstdint>

#include "failing_allocator.h"

namespace allocation_probe {

namespace {

napi_value arm(napi_env env, napi_callback_info info) {
  std::size_t count = 2;
  napi_value args[2] = {};
  napi_get_cb_info(env, info, &count, args, nullptr, nullptr);
  int64_t n = 0;
  bool persistent = false;
  napi_get_value_int64(env, args[0], &n);
  napi_get_value_bool(env, args[1], &persistent);
  failing_allocator::arm(static_cast<std::uint64_t>(n),
                         persistent ? failing_allocator::Mode::kPersistent : failing_allocator::Mode::kOnce);
  return nullptr;
}

napi_value disarm(napi_env env, napi_callback_info) {
  napi_value fired = nullptr;
  napi_get_boolean(env, failing_allocator::disarm(), &fired);
  return fired;
}

napi_value liveAllocations(napi_env env, napi_callback_info) {
  napi_value live = nullptr;
  napi_create_int64(env, failing_allocator::liveAllocations(), &live);
  return live;
}

}  // namespace

void exportAllocationControl(napi_env env, napi_value exports) {
  napi_value control = nullptr;
  napi_create_object(env, &control);
  const napi_property_descriptor functions[] = {
      {"arm", nullptr, arm, nullptr, nullptr, nullptr, napi_enumerable, nullptr},
      {"disarm", nullptr, disarm, nullptr, nullptr, nullptr, napi_enumerable, nullptr},
      {"liveAllocations", nullptr, liveAllocations, nullptr, nullptr, nullptr, napi_enumerable, nullptr},
  };
  napi_define_properties(env, control, 3, functions);
  napi_set_named_property(env, exports, "allocationControl", control);
}

}  // namespace allocation_probe
