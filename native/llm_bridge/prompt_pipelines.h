// The three prompt pipelines of the module: command selection (generate),
// media request extraction (generateWithMediaType) and companion chat (chat),
// with the fixed texts of their prompts, their generation settings and how they
// read the model's replies. Each one works on the pipeline it is given; the
// caller holds llmState().mutex and that pipeline is the loaded one.
#pragma once

#include <string>
#include <string_view>

#include "generation_call.h"
#include "openvino/genai/llm_pipeline.hpp"

namespace llm_bridge {

// The fixed pieces of every prompt the bridge sends to the model, and the
// phrases it recognises in the model's replies. The bytes are exact: the text
// after 用户 uses the full-width colon "：" (U+FF1A), the cues after 智能体 use the
// ASCII colon ":", and "\n" is a single line feed.
namespace prompts {

// Command selection: head + user text + kAgentCue.
inline constexpr std::string_view kCommandPromptHead =
    "你是个智能体，请根据用户的问题，选择最满足用户需求的电脑指令。\n用户：";
inline constexpr std::string_view kAgentCue = "\n智能体:";

// Media slot extraction: head + user text + cue; the cue opens the clause the
// model is asked to complete.
inline constexpr std::string_view kMusicSlotPromptHead =
    "你是个智能体，用户提出了播放歌曲的要求，请根据用户的问题，从中提取用户指定歌曲的歌名，歌手。\n用户：";
inline constexpr std::string_view kVideoPlaySlotPromptHead =
    "你是个智能体，用户提出了播放视频的要求，请根据用户的问题，从中提取用户指定视频的演员，剧名，剧集。\n用户：";
inline constexpr std::string_view kVideoSearchSlotPromptHead =
    "你是个智能体，用户提出了搜索视频的要求，请根据用户的问题，从中提取用户指定视频的演员，剧名，剧集。\n用户：";
inline constexpr std::string_view kSingerCue = "\n智能体:歌手为";
inline constexpr std::string_view kActorCue = "\n智能体:演员为";

// Companion chat: head + user text, nothing after it.
inline constexpr std::string_view kPersonaPromptHead =
    "你是豆豆，一只住在桌面上的可爱桌宠。请用简短、口语化、友好的中文回答用户，不超过两三句话。\n用户：";

// Command names of the first reply that the command pipeline acts on.
inline constexpr std::string_view kMusicCommandShort = "指定音乐指令";
inline constexpr std::string_view kMusicCommand = "播放指定音乐指令";
inline constexpr std::string_view kVideoPlayCommand = "播放指定视频指令";
inline constexpr std::string_view kVideoSearchCommand = "搜索指定视频指令";
inline constexpr std::string_view kMusicOrVideoCommand = "播放指定音乐或视频指令";

// Answer asking the script side to confirm whether music or video is meant.
inline constexpr std::string_view kConfirmMusicOrVideo = "[CONFIRM:MUSIC_OR_VIDEO]";

}  // namespace prompts

// Settings of every command and media call: greedy, at most 30 new tokens, and
// the prompt goes to the model as raw text (no chat template).
inline constexpr GenerationSettings kCommandSettings{30, 0.0f, 1.0f, false, false};

// Settings of the chat call: sampled, at most 256 new tokens, and the pipeline
// wraps the prompt in the model's own chat template.
inline constexpr GenerationSettings kChatSettings{256, 0.7f, 0.8f, true, true};

// The three slot prompts that ask for the details of a media request.
enum class MediaSlotKind {
  kMusic,        // song title and singer
  kVideoPlay,    // actor, title and episode of a video to play
  kVideoSearch,  // actor, title and episode of a video to search for
};

// Removes leading and trailing ASCII whitespace (space, \t, \n, \v, \f, \r) in
// place. Bytes of 0x80 and above are never whitespace, so non-ASCII spaces such as
// U+3000 stay and a multi-byte UTF-8 character is never cut. Inner text is kept.
void trimWhitespace(std::string& text);

// Asks the model for the details of a media request: the kind's head, the user's
// own text and the kind's cue, with kCommandSettings. Returns the reply unchanged
// (the model's continuation of the cue, without the cue).
std::string extractMediaSlots(ov::genai::LLMPipeline& pipeline, const std::string& userPrompt, MediaSlotKind kind);

// Names the computer command that best meets the user's request. For the media
// commands the result is the reply of a second call that extracts the details; for
// the music-or-video command it is the confirmation token; for anything else it is
// the model's first reply, untouched.
std::string selectCommand(ov::genai::LLMPipeline& pipeline, const std::string& userPrompt);

// Extracts the details of a media request whose kind the caller already knows:
// "music" asks for song title and singer, "video" for actor, title and episode of
// a video to play. Any other media type (compared exactly, case-sensitively) gives
// an empty result without a model call. The reply is returned unchanged.
std::string extractMediaRequest(ov::genai::LLMPipeline& pipeline, const std::string& userPrompt,
                                const std::string& mediaType);

// A short, friendly answer in the voice of the desktop pet 豆豆: the persona
// instruction followed by the user's words, one sampled call, and the reply with
// its leading and trailing ASCII whitespace removed. No history is kept.
std::string replyAsCompanion(ov::genai::LLMPipeline& pipeline, const std::string& userPrompt);

}  // namespace llm_bridge
