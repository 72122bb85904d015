#include "companion_chat.h"

#include "llm_state.h"
#include "prompt_texts.h"
#include "whitespace_trim.h"

namespace llm_bridge {

std::string replyAsCompanion(const std::string& userPrompt) {
  ov::genai::LLMPipeline& pipeline = *llmState().pipeline.load();

  std::string prompt;
  prompt.reserve(prompts::PersonaPromptHead.size() + userPrompt.size());
  prompt.append(prompts::PersonaPromptHead).append(userPrompt);

  std::string reply = generateText(pipeline, prompt, ChatSettings);
  trimWhitespace(reply);
  return reply;
}

}  // namespace llm_bridge
