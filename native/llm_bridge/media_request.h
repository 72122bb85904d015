#pragma once

#include <string>

namespace llm_bridge {

// Extracts the details of a media request whose kind the caller already knows:
// "music" asks for song title and singer, "video" for actor, title and episode of
// a video to play. Any other media type (compared exactly, case-sensitively) gives
// an empty result without a model call. The reply is returned unchanged. The caller
// holds llmState().mutex and a model is loaded.
std::string extractMediaRequest(const std::string& userPrompt, const std::string& mediaType);

}  // namespace llm_bridge
