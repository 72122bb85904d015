#pragma once

#include <napi.h>

// The six script functions of the module, in the order they are exported.
namespace llm_bridge::script {

// loadModel(modelPath, device [, cacheDir]) -> Promise<true>
Napi::Value loadModel(const Napi::CallbackInfo& info);
// generate(userPrompt) -> Promise<string>
Napi::Value generate(const Napi::CallbackInfo& info);
// generateWithMediaType(userPrompt, mediaType) -> Promise<string>
Napi::Value generateWithMediaType(const Napi::CallbackInfo& info);
// chat(userPrompt) -> Promise<string>
Napi::Value chat(const Napi::CallbackInfo& info);
// isModelLoaded() -> boolean
Napi::Value isModelLoaded(const Napi::CallbackInfo& info);
// unloadModel() -> undefined
Napi::Value unloadModel(const Napi::CallbackInfo& info);

}  // namespace llm_bridge::script
