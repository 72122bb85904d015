#pragma once

#include <string>

#include "generation_call.h"
#include "openvino/genai/llm_pipeline.hpp"

namespace llm_bridge {

// Settings of every command and media call: greedy, at most 30 new tokens, and
// the prompt goes to the model as raw text (no chat template).
inline constexpr GenerationSettings CommandSettings{30, 0.0f, 1.0f, false, false};

// The three slot prompts that ask for the details of a media request.
enum class MediaSlotKind {
  Music,        // song title and singer
  VideoPlay,    // actor, title and episode of a video to play
  VideoSearch,  // actor, title and episode of a video to search for
};

// Asks the model for the details of a media request: the kind's head, the user's
// own text and the kind's cue, with CommandSettings. Returns the reply unchanged
// (the model's continuation of the cue, without the cue).
std::string extractMediaSlots(ov::genai::LLMPipeline& pipeline, const std::string& userPrompt, MediaSlotKind kind);

// Names the computer command that best meets the user's request. For the media
// commands the result is the reply of a second call that extracts the details; for
// the music-or-video command it is the confirmation token; for anything else it is
// the model's first reply, untouched. The caller holds llmState().mutex and a
// model is loaded.
std::string selectCommand(const std::string& userPrompt);

}  // namespace llm_bridge
