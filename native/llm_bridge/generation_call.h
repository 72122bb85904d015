#pragma once

#include <cstdint>
#include <string>

#include "openvino/genai/llm_pipeline.hpp"

namespace llm_bridge {

// The generation settings of one model call. Every other generation parameter
// keeps the pipeline's default.
struct GenerationSettings {
  std::int32_t maxNewTokens;
  float temperature;
  float topP;
  bool doSample;
  bool applyChatTemplate;
};

// The settings as the library expects them: exactly the keys "max_new_tokens"
// (size_t), "temperature" and "top_p" (float), "do_sample" and
// "apply_chat_template" (bool).
ov::AnyMap generationConfig(const GenerationSettings& settings);

// Runs one generation of `prompt` (a single string input, no chat history) and
// returns the reply text byte for byte. Throws whatever the library throws. The
// caller holds llmState().mutex and `pipeline` is the loaded pipeline.
std::string generateText(ov::genai::LLMPipeline& pipeline, const std::string& prompt,
                         const GenerationSettings& settings);

}  // namespace llm_bridge
