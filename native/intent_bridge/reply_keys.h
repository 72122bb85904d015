// Property names that the reply readers set again and again: the members of
// the route, similarity, score and configuration results, the engine's score
// and weight names, and the action members and slot names of its built-in
// corpus. The reply tape hands the builder an index into this table instead
// of a new string, and the builder holds each name once per environment.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace intent_bridge {

constexpr std::string_view kReplyKeys[] = {
    // Results.
    "target", "confidence", "reasoning", "scores", "matchedCommand", "patternAction", "id", "similarity", "name",
    "matches", "localThreshold", "verbose", "weights", "score", "raw", "cmdId",
    // Score and weight names.
    "semantic", "complexity", "domainKeyword", "openEnded", "entityMatch", "combined",
    // Action members and slot names.
    "type", "op", "app", "city", "level", "query", "topic", "time", "title", "actor", "duration", "singer", "song",
    "site", "text", "what", "thing", "episode", "day", "kind", "area", "device", "folder", "url", "path"};

constexpr std::size_t kReplyKeyCount = sizeof kReplyKeys / sizeof kReplyKeys[0];

// The index of `key` in kReplyKeys, or -1: one probe of a hash table built
// once, then one comparison.
std::int32_t replyKeyIndex(std::string_view key);

}  // namespace intent_bridge
