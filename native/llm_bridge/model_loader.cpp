#include "model_loader.h"

#include <filesystem>
#include <memory>

#include "device_properties.h"
#include "llm_state.h"
#include "model_paths.h"
#include "working_directory_scope.h"

namespace llm_bridge {

void releasePipeline() noexcept {
  LlmState& state = llmState();
  ov::genai::LLMPipeline* old = state.pipeline.exchange(nullptr);
  // Once the host has begun tearing environments down, the library's own
  // teardown may already be under way; leave the object alone then.
  if (old != nullptr && !state.environmentClosing.load()) delete old;
}

void loadPipeline(const std::string& modelPath, const std::string& device, const std::string& cacheDir) {
  releasePipeline();

  const std::filesystem::path modelDirectory = absoluteNormalPath(modelPath);
  const std::string key = deviceKey(device);
  // Resolved before the working directory moves, so that a default or relative
  // cache directory lands under the directory the caller was in.
  const std::string cacheDirectory = isNpuDeviceKey(key) ? npuCacheDirectory(cacheDir) : std::string();

  // The pipeline is constructed from inside the model directory, so that files
  // the model refers to by relative path resolve there.
  WorkingDirectoryScope scope(modelDirectory);
  const ov::AnyMap properties = pipelineProperties(key, cacheDirectory);
  auto pipeline = std::make_unique<ov::genai::LLMPipeline>(modelDirectory, device, properties);
  llmState().pipeline.store(pipeline.release());
}

}  // namespace llm_bridge
