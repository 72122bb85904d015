#include "script_functions.h"

#include <mutex>
#include <string>

#include "command_selection.h"
#include "companion_chat.h"
#include "llm_state.h"
#include "media_request.h"
#include "model_loader.h"
#include "promise_frame.h"
#include "script_arguments.h"

namespace llm_bridge::script {

namespace {

constexpr const char* LoadModelUsage =
    "loadModel(modelPath, device [, cacheDir]) requires at least two string arguments";
constexpr const char* GenerateUsage = "generate(userPrompt) requires a string argument";
constexpr const char* GenerateWithMediaTypeUsage =
    "generateWithMediaType(userPrompt, mediaType) requires two string arguments";
constexpr const char* ChatUsage = "chat(userPrompt) requires a string argument";
constexpr const char* ModelNotLoaded = "Model is not loaded. Call loadModel() first.";

constexpr FailureTexts LoadFailure{"Failed to load model: ", "Failed to load model: unknown C++ exception"};
constexpr FailureTexts GenerationFailure{"Generation failed: ", "Generation failed: unknown C++ exception"};
constexpr FailureTexts ChatFailure{"Chat failed: ", "Chat failed: unknown C++ exception"};

// Runs a prompt pipeline on the loaded model under the state mutex and resolves
// with its text; rejects when no model is loaded.
template <typename Pipeline>
void answerFromModel(ScriptPromise& promise, Pipeline&& pipeline) {
  LlmState& state = llmState();
  const std::lock_guard<std::mutex> lock(state.mutex);
  if (state.pipeline.load() == nullptr) {
    promise.rejectWithText(ModelNotLoaded);
    return;
  }
  promise.resolveWithText(pipeline());
}

}  // namespace

Napi::Value loadModel(const Napi::CallbackInfo& info) {
  const Napi::Env env = info.Env();
  if (!hasStringArguments(info, 2)) return rejectedPromise(env, LoadModelUsage);
  return runPromiseFrame(env, LoadFailure, [&info](ScriptPromise& promise) {
    std::string modelPath;
    std::string device;
    std::string cacheDir;  // a third argument that is not a string counts as absent
    if (!readUtf8(info[0], modelPath) || !readUtf8(info[1], device)) return;
    if (isStringArgument(info, 2) && !readUtf8(info[2], cacheDir)) return;

    const std::lock_guard<std::mutex> lock(llmState().mutex);
    loadPipeline(modelPath, device, cacheDir);
    promise.resolveWithBoolean(true);
  });
}

Napi::Value generate(const Napi::CallbackInfo& info) {
  const Napi::Env env = info.Env();
  if (!hasStringArguments(info, 1)) return rejectedPromise(env, GenerateUsage);
  return runPromiseFrame(env, GenerationFailure, [&info](ScriptPromise& promise) {
    std::string userPrompt;
    if (!readUtf8(info[0], userPrompt)) return;
    answerFromModel(promise, [&userPrompt] { return selectCommand(userPrompt); });
  });
}

Napi::Value generateWithMediaType(const Napi::CallbackInfo& info) {
  const Napi::Env env = info.Env();
  if (!hasStringArguments(info, 2)) return rejectedPromise(env, GenerateWithMediaTypeUsage);
  return runPromiseFrame(env, GenerationFailure, [&info](ScriptPromise& promise) {
    std::string userPrompt;
    std::string mediaType;
    if (!readUtf8(info[0], userPrompt) || !readUtf8(info[1], mediaType)) return;
    answerFromModel(promise, [&] { return extractMediaRequest(userPrompt, mediaType); });
  });
}

Napi::Value chat(const Napi::CallbackInfo& info) {
  const Napi::Env env = info.Env();
  if (!hasStringArguments(info, 1)) return rejectedPromise(env, ChatUsage);
  return runPromiseFrame(env, ChatFailure, [&info](ScriptPromise& promise) {
    std::string userPrompt;
    if (!readUtf8(info[0], userPrompt)) return;
    answerFromModel(promise, [&userPrompt] { return replyAsCompanion(userPrompt); });
  });
}

Napi::Value isModelLoaded(const Napi::CallbackInfo& info) {
  return Napi::Boolean::New(info.Env(), llmState().pipeline.load() != nullptr);
}

Napi::Value unloadModel(const Napi::CallbackInfo& info) {
  const std::lock_guard<std::mutex> lock(llmState().mutex);
  releasePipeline();
  return info.Env().Undefined();
}

}  // namespace llm_bridge::script
