#include "media_request.h"

#include "command_selection.h"
#include "llm_state.h"

namespace llm_bridge {

std::string extractMediaRequest(const std::string& userPrompt, const std::string& mediaType) {
  ov::genai::LLMPipeline& pipeline = *llmState().pipeline.load();
  if (mediaType == "music") return extractMediaSlots(pipeline, userPrompt, MediaSlotKind::Music);
  if (mediaType == "video") return extractMediaSlots(pipeline, userPrompt, MediaSlotKind::VideoPlay);
  return std::string();
}

}  // namespace llm_bridge
