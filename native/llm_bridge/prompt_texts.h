#pragma once

#include <string_view>

// The fixed pieces of every prompt the bridge sends to the model, and the
// phrases it recognises in the model's replies. The bytes are exact: the text
// after 用户 uses the full-width colon "：" (U+FF1A), the cues after 智能体 use the
// ASCII colon ":", and "\n" is a single line feed.
namespace llm_bridge::prompts {

// Command selection: head + user text + AgentCue.
inline constexpr std::string_view CommandPromptHead =
    "你是个智能体，请根据用户的问题，选择最满足用户需求的电脑指令。\n用户：";
inline constexpr std::string_view AgentCue = "\n智能体:";

// Media slot extraction: head + user text + cue; the cue opens the clause the
// model is asked to complete.
inline constexpr std::string_view MusicSlotPromptHead =
    "你是个智能体，用户提出了播放歌曲的要求，请根据用户的问题，从中提取用户指定歌曲的歌名，歌手。\n用户：";
inline constexpr std::string_view VideoPlaySlotPromptHead =
    "你是个智能体，用户提出了播放视频的要求，请根据用户的问题，从中提取用户指定视频的演员，剧名，剧集。\n用户：";
inline constexpr std::string_view VideoSearchSlotPromptHead =
    "你是个智能体，用户提出了搜索视频的要求，请根据用户的问题，从中提取用户指定视频的演员，剧名，剧集。\n用户：";
inline constexpr std::string_view SingerCue = "\n智能体:歌手为";
inline constexpr std::string_view ActorCue = "\n智能体:演员为";

// Companion chat: head + user text, nothing after it.
inline constexpr std::string_view PersonaPromptHead =
    "你是豆豆，一只住在桌面上的可爱桌宠。请用简短、口语化、友好的中文回答用户，不超过两三句话。\n用户：";

// Command names of the first reply that the command pipeline acts on.
inline constexpr std::string_view MusicCommandShort = "指定音乐指令";
inline constexpr std::string_view MusicCommand = "播放指定音乐指令";
inline constexpr std::string_view VideoPlayCommand = "播放指定视频指令";
inline constexpr std::string_view VideoSearchCommand = "搜索指定视频指令";
inline constexpr std::string_view MusicOrVideoCommand = "播放指定音乐或视频指令";

// Answer asking the script side to confirm whether music or video is meant.
inline constexpr std::string_view ConfirmMusicOrVideo = "[CONFIRM:MUSIC_OR_VIDEO]";

}  // namespace llm_bridge::prompts
