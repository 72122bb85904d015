#pragma once

#include <string>

#include "generation_call.h"

namespace llm_bridge {

// Settings of the chat call: sampled, at most 256 new tokens, and the pipeline
// wraps the prompt in the model's own chat template.
inline constexpr GenerationSettings ChatSettings{256, 0.7f, 0.8f, true, true};

// A short, friendly answer in the voice of the desktop pet 豆豆: the persona
// instruction followed by the user's words, one sampled call, and the reply with
// its leading and trailing ASCII whitespace removed. No history is kept. The caller
// holds llmState().mutex and a model is loaded.
std::string replyAsCompanion(const std::string& userPrompt);

}  // namespace llm_bridge
