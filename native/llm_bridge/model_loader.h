#pragma once

#include <string>

namespace llm_bridge {

// Replaces the loaded model by a pipeline built from `modelPath` on `device`.
// The old model is released first, so a load that fails at any step leaves no
// model loaded. `cacheDir` (may be empty) only matters for the NPU. Throws on any
// failure: std::filesystem::filesystem_error from the path steps, or whatever the
// pipeline constructor throws. The caller holds llmState().mutex.
void loadPipeline(const std::string& modelPath, const std::string& device, const std::string& cacheDir);

// Forgets the loaded model, destroying it unless an environment has already been
// torn down. Does nothing when no model is loaded. The caller holds
// llmState().mutex.
void releasePipeline() noexcept;

}  // namespace llm_bridge
