#include "script_functions.h"

#include <mutex>
#include <new>
#include <string>

#include "model_state.h"
#include "napi_callback.h"
#include "napi_exports.h"
#include "prompt_pipelines.h"
#include "promise_frame.h"

namespace llm_bridge {

namespace {

using deskpet::napi::CallArguments;

constexpr const char* kLoadModelUsage =
    "loadModel(modelPath, device [, cacheDir]) requires at least two string arguments";
constexpr const char* kGenerateUsage = "generate(userPrompt) requires a string argument";
constexpr const char* kGenerateWithMediaTypeUsage =
    "generateWithMediaType(userPrompt, mediaType) requires two string arguments";
constexpr const char* kChatUsage = "chat(userPrompt) requires a string argument";
constexpr const char* kModelNotLoaded = "Model is not loaded. Call loadModel() first.";

constexpr FailureTexts kLoadFailure{"Failed to load model: ", "Failed to load model: unknown C++ exception"};
constexpr FailureTexts kGenerationFailure{"Generation failed: ", "Generation failed: unknown C++ exception"};
constexpr FailureTexts kChatFailure{"Chat failed: ", "Chat failed: unknown C++ exception"};

// Outside the frames (isModelLoaded, unloadModel, and reading the call itself)
// a native exception becomes a pending script Error with its what() text.
constexpr deskpet::napi::NativeFailureTexts kNativeFailure{nullptr, "unknown C++ exception"};

// Runs a prompt pipeline on the loaded model under the state mutex and resolves
// with its text; rejects when no model is loaded.
template <typename Pipeline>
void answerFromModel(ScriptPromise& promise, Pipeline&& pipeline) {
  LlmState& state = llmState();
  const std::lock_guard<std::mutex> lock(state.mutex);
  ov::genai::LLMPipeline* const loaded = state.pipeline.load();
  if (loaded == nullptr) {
    promise.rejectWithText(kModelNotLoaded);
    return;
  }
  promise.resolveWithText(pipeline(*loaded));
}

// loadModel(modelPath, device [, cacheDir]) -> Promise<true>
napi_value loadModel(const CallArguments& args) {
  if (!args.areStrings(2)) return rejectedPromise(args.env, kLoadModelUsage);
  return runPromiseFrame(args.env, kLoadFailure, [&args](ScriptPromise& promise) {
    std::string modelPath;
    std::string device;
    std::string cacheDir;  // a third argument that is not a string counts as absent
    if (!args.readUtf8(0, modelPath) || !args.readUtf8(1, device)) return;
    if (args.isString(2) && !args.readUtf8(2, cacheDir)) return;

    const std::lock_guard<std::mutex> lock(llmState().mutex);
    loadPipeline(modelPath, device, cacheDir);
    promise.resolveWithBoolean(true);
  });
}

// generate(userPrompt) -> Promise<string>
napi_value generate(const CallArguments& args) {
  if (!args.areStrings(1)) return rejectedPromise(args.env, kGenerateUsage);
  return runPromiseFrame(args.env, kGenerationFailure, [&args](ScriptPromise& promise) {
    std::string userPrompt;
    if (!args.readUtf8(0, userPrompt)) return;
    answerFromModel(promise, [&](ov::genai::LLMPipeline& model) { return selectCommand(model, userPrompt); });
  });
}

// generateWithMediaType(userPrompt, mediaType) -> Promise<string>
napi_value generateWithMediaType(const CallArguments& args) {
  if (!args.areStrings(2)) return rejectedPromise(args.env, kGenerateWithMediaTypeUsage);
  return runPromiseFrame(args.env, kGenerationFailure, [&args](ScriptPromise& promise) {
    std::string userPrompt;
    std::string mediaType;
    if (!args.readUtf8(0, userPrompt) || !args.readUtf8(1, mediaType)) return;
    answerFromModel(promise,
                    [&](ov::genai::LLMPipeline& model) { return extractMediaRequest(model, userPrompt, mediaType); });
  });
}

// chat(userPrompt) -> Promise<string>
napi_value chat(const CallArguments& args) {
  if (!args.areStrings(1)) return rejectedPromise(args.env, kChatUsage);
  return runPromiseFrame(args.env, kChatFailure, [&args](ScriptPromise& promise) {
    std::string userPrompt;
    if (!args.readUtf8(0, userPrompt)) return;
    answerFromModel(promise, [&](ov::genai::LLMPipeline& model) { return replyAsCompanion(model, userPrompt); });
  });
}

// isModelLoaded() -> boolean
napi_value isModelLoaded(const CallArguments& args) {
  napi_value loaded = nullptr;
  if (napi_get_boolean(args.env, llmState().pipeline.load() != nullptr, &loaded) != napi_ok) {
    deskpet::napi::raiseLastNodeApiError(args.env);
  }
  return loaded;
}

// unloadModel() -> undefined
napi_value unloadModel(const CallArguments& args) {
  const std::lock_guard<std::mutex> lock(llmState().mutex);
  releasePipeline();
  return deskpet::napi::undefinedValue(args.env);
}

template <deskpet::napi::Handler kHandler>
constexpr napi_callback kCallback = deskpet::napi::guardedCallback<kHandler, kNativeFailure>;

struct ExportedFunction {
  const char* name;
  napi_callback callback;
};

// Set on the exports object in this order.
constexpr ExportedFunction kExportedFunctions[] = {
    {"loadModel", kCallback<loadModel>},
    {"generate", kCallback<generate>},
    {"generateWithMediaType", kCallback<generateWithMediaType>},
    {"chat", kCallback<chat>},
    {"isModelLoaded", kCallback<isModelLoaded>},
    {"unloadModel", kCallback<unloadModel>},
};

// What the cleanup hook of one environment needs; freed by the hook itself.
struct CleanupRecord {
  LlmState* state;
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
  auto* record = new (std::nothrow) CleanupRecord{&llmState()};
  if (record == nullptr) return;
  if (napi_add_env_cleanup_hook(env, onEnvironmentCleanup, record) != napi_ok) delete record;
}

}  // namespace

// A failing Node-API call stops the registration with the failure left pending
// as a script exception, which the host raises from require().
napi_value registerLlmExports(napi_env env, napi_value exports) {
  registerCleanupHook(env);
  for (const ExportedFunction& exported : kExportedFunctions) {
    if (!deskpet::napi::exportFunction(env, exports, exported.name, exported.callback)) break;
  }
  return exports;
}

}  // namespace llm_bridge
