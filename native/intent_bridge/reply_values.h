// String values that route replies carry again and again: the route targets
// and the action types, operations and names of the engine's built-in
// corpus. The reply tape hands the builder an index into this table instead
// of a new string, and the builder holds each of these strings once per
// environment (the same string the host makes from the value's bytes).
//
// Plain C++ (no Node-API).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace intent_bridge {

constexpr std::string_view kReplyValues[] = {
    // Targets.
    "local", "llm", "chat",
    // Action types, operations and names.
    "open_app", "close_app", "network", "power", "media", "system", "volume", "pet", "window", "set", "query",
    "weather", "brightness", "start", "stop", "up", "down", "display", "screenshot", "screen_record", "sleep", "status",
    "today", "tomorrow", "timer", "cancel", "alarm", "reminder", "open_folder", "play_music", "play_video",
    "search_video", "web_search", "translate", "edit", "browser", "calculator", "notepad", "explorer", "settings",
    "terminal", "wechat", "mute", "unmute", "lock", "shutdown", "restart"};

constexpr std::size_t kReplyValueCount = sizeof kReplyValues / sizeof kReplyValues[0];

constexpr std::size_t longestReplyValue() {
  std::size_t longest = 0;
  for (const std::string_view value : kReplyValues) longest = value.size() > longest ? value.size() : longest;
  return longest;
}
constexpr std::size_t kLongestReplyValue = longestReplyValue();

// The index of the string value `bytes` in kReplyValues, or -1.
std::int32_t replyValueIndex(std::string_view bytes);

namespace reply_values_detail {

// Lower-case letters, digits and underscores: written in the builder's source
// between double quotes as they are.
constexpr bool allPlain() {
  for (const std::string_view value : kReplyValues) {
    if (value.empty()) return false;
    for (const char c : value) {
      if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_')) return false;
    }
  }
  return true;
}

}  // namespace reply_values_detail

static_assert(reply_values_detail::allPlain(), "every reply value is plain ASCII");

}  // namespace intent_bridge
