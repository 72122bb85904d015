#pragma once

#include <atomic>
#include <mutex>

#include "openvino/genai/llm_pipeline.hpp"

namespace llm_bridge {

// The one model of the process, shared by every script environment (main thread
// and workers) that loads the module.
struct LlmState {
  // Serialises loading, unloading and every request. Not recursive: nothing that
  // runs while it is held locks it again.
  std::mutex mutex;
  // Owning pointer to the loaded pipeline, null when no model is loaded. Written
  // only under `mutex`; read without it by isModelLoaded, hence atomic.
  std::atomic<ov::genai::LLMPipeline*> pipeline{nullptr};
  // Set once the host has torn down an environment that loaded the module; from
  // then on a released pipeline is only forgotten, never destroyed. Never cleared.
  std::atomic<bool> environmentClosing{false};
};

// The process-wide instance. Its destructor never touches the pipeline, so a model
// still loaded when the process ends is not destroyed.
LlmState& llmState();

}  // namespace llm_bridge
