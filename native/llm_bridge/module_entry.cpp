// Registration of llm_bridge with the Node.js host: one call per script
// environment (the main thread and every worker) that loads the module.
#include <cstdint>
#include <new>

#include <node_api.h>

#include "llm_state.h"
#include "native_callback.h"
#include "script_functions.h"

namespace {

using llm_bridge::nativeCallback;

// What the cleanup hook of one environment needs; freed by the hook itself.
struct CleanupRecord {
  llm_bridge::LlmState* state;
};

// The host is tearing an environment down: from now on a released pipeline is
// only forgotten, never destroyed. The pipeline itself is left alone here.
void onEnvironmentCleanup(void* arg) {
  auto* record = static_cast<CleanupRecord*>(arg);
  record->state->environmentClosing.store(true);
  delete record;
}

// Without a record or a successful registration the environment simply has no
// hook; nothing is reported.
void registerCleanupHook(napi_env env) noexcept {
  auto* record = new (std::nothrow) CleanupRecord{&llm_bridge::llmState()};
  if (record == nullptr) return;
  if (napi_add_env_cleanup_hook(env, onEnvironmentCleanup, record) != napi_ok) delete record;
}

struct ExportedFunction {
  const char* name;
  napi_callback callback;
};

// Set on the exports object in this order.
constexpr ExportedFunction ExportedFunctions[] = {
    {"loadModel", nativeCallback<llm_bridge::script::loadModel>},
    {"generate", nativeCallback<llm_bridge::script::generate>},
    {"generateWithMediaType", nativeCallback<llm_bridge::script::generateWithMediaType>},
    {"chat", nativeCallback<llm_bridge::script::chat>},
    {"isModelLoaded", nativeCallback<llm_bridge::script::isModelLoaded>},
    {"unloadModel", nativeCallback<llm_bridge::script::unloadModel>},
};

// Each function is created without a name (its `name` is "") and set by a plain
// property assignment. A failing Node-API call stops here with the failure left
// pending as a script exception, which the host raises from require().
void exportFunctions(napi_env env, napi_value exports) noexcept {
  for (const ExportedFunction& exported : ExportedFunctions) {
    napi_value function = nullptr;
    if (napi_create_function(env, nullptr, 0, exported.callback, nullptr, &function) != napi_ok ||
        napi_set_named_property(env, exports, exported.name, function) != napi_ok) {
      Napi::Error::New(env).ThrowAsJavaScriptException();
      return;
    }
  }
}

}  // namespace

extern "C" {

NAPI_MODULE_EXPORT int32_t node_api_module_get_api_version_v1(void) {
  return 8;
}

NAPI_MODULE_EXPORT napi_value napi_register_module_v1(napi_env env, napi_value exports) {
  registerCleanupHook(env);
  exportFunctions(env, exports);
  return exports;
}

}  // extern "C"
