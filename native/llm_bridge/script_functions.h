// The six script functions of llm_bridge and their registration: argument
// checks, rejection texts, the state mutex, the loaded-model check, and the
// environment cleanup hook.
#pragma once

#include <node_api.h>

namespace llm_bridge {

// Registers the cleanup hook of `env` and sets loadModel, generate,
// generateWithMediaType, chat, isModelLoaded and unloadModel on `exports`, in
// that order; returns `exports`.
napi_value registerLlmExports(napi_env env, napi_value exports);

}  // namespace llm_bridge
