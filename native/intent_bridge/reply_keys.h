// Property names that the reply readers set again and again: the members of
// the route, similarity, score and configuration results, the engine's score
// and weight names, and the action members and slot names of its built-in
// corpus. The reply tape hands the builder an index into this table instead
// of a new string, and the builder stores each of these names at a site of
// its own (see reply_tape.h).
//
// Plain C++ (no Node-API): the reply readers name their keys with it.
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

// Indexes of the result members in kReplyKeys, by the members' names.
namespace result_key {
enum : std::int32_t {
  target,
  confidence,
  reasoning,
  scores,
  matchedCommand,
  patternAction,
  id,
  similarity,
  name,
  matches,
  localThreshold,
  verbose,
  weights,
  score,
  raw,
  cmdId,
};
}  // namespace result_key

// The index of `key` in kReplyKeys, or -1: one probe of a hash table laid
// out at compile time, then one comparison.
std::int32_t replyKeyIndex(std::string_view key);
// The same, comparing `key` with kReplyKeys[expected] first: a reader passes
// the member that usually comes next (kReplyKeys lists members in the order
// the engine writes them), which then takes one comparison and no probe.
std::int32_t replyKeyIndex(std::string_view key, std::int32_t expected);

// A property name together with its index in kReplyKeys (-1 when the table
// does not hold it), so that a reader that has looked a key up once hands
// the index on. Sinks that want only the name take it as a std::string_view.
struct ReplyKey {
  std::string_view name;
  std::int32_t index;

  // The key of a reply member: its name looked up in kReplyKeys.
  static ReplyKey of(std::string_view name) { return ReplyKey{name, replyKeyIndex(name)}; }
  static ReplyKey of(std::string_view name, std::int32_t expected) {
    return ReplyKey{name, replyKeyIndex(name, expected)};
  }
  // The result member `index` of kReplyKeys.
  static constexpr ReplyKey known(std::int32_t index) { return ReplyKey{kReplyKeys[index], index}; }

  constexpr operator std::string_view() const { return name; }
};

// The name kReplyKeys holds at `index`; empty past either end.
constexpr std::string_view replyKeyName(std::int32_t index) {
  return index >= 0 && static_cast<std::size_t>(index) < kReplyKeyCount ? kReplyKeys[index] : std::string_view();
}

namespace reply_keys_detail {

// kReplyKeys and an empty name after its last: the name after any member
// found (or after none, -1) without a test of the index.
struct NamesAndEnd {
  std::string_view names[kReplyKeyCount + 1];
};
constexpr NamesAndEnd makeNamesAndEnd() {
  NamesAndEnd table{};
  for (std::size_t i = 0; i < kReplyKeyCount; ++i) table.names[i] = kReplyKeys[i];
  return table;
}
inline constexpr NamesAndEnd kNamesAndEnd = makeNamesAndEnd();

}  // namespace reply_keys_detail

// The member a reader expects next in an object, starting from a given one
// and moving to the one after each member found (kReplyKeys lists members in
// the order the engine writes them). name() is the guess the cursor's member
// walk takes keys by.
class ExpectedKey {
 public:
  explicit constexpr ExpectedKey(std::int32_t index) : index_(index), name_(replyKeyName(index)) {}

  const std::string_view& name() const { return name_; }

  // The index of `key` in kReplyKeys, or -1.
  std::int32_t indexOf(std::string_view key) {
    // A key the walk took by the guess is the guess itself.
    const bool guessed = !name_.empty() && key.data() == name_.data() && key.size() == name_.size();
    const std::int32_t found = guessed ? index_ : replyKeyIndex(key, index_);
    index_ = found + 1;  // 0 .. kReplyKeyCount
    name_ = reply_keys_detail::kNamesAndEnd.names[index_];
    return found;
  }

 private:
  std::int32_t index_;
  std::string_view name_;
};

namespace reply_keys_detail {

constexpr bool isIdentifier(std::string_view name) {
  if (name.empty()) return false;
  for (const char c : name) {
    if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'))) return false;
  }
  return true;
}

constexpr bool allIdentifiers() {
  for (const std::string_view name : kReplyKeys) {
    if (!isIdentifier(name)) return false;
  }
  return true;
}

constexpr bool resultKeysInOrder() {
  return kReplyKeys[result_key::target] == "target" && kReplyKeys[result_key::confidence] == "confidence" &&
         kReplyKeys[result_key::reasoning] == "reasoning" && kReplyKeys[result_key::scores] == "scores" &&
         kReplyKeys[result_key::matchedCommand] == "matchedCommand" &&
         kReplyKeys[result_key::patternAction] == "patternAction" && kReplyKeys[result_key::id] == "id" &&
         kReplyKeys[result_key::similarity] == "similarity" && kReplyKeys[result_key::name] == "name" &&
         kReplyKeys[result_key::matches] == "matches" && kReplyKeys[result_key::localThreshold] == "localThreshold" &&
         kReplyKeys[result_key::verbose] == "verbose" && kReplyKeys[result_key::weights] == "weights" &&
         kReplyKeys[result_key::score] == "score" && kReplyKeys[result_key::raw] == "raw" &&
         kReplyKeys[result_key::cmdId] == "cmdId";
}

}  // namespace reply_keys_detail

// The builder writes `object.name = value` for each name: plain ASCII letters.
static_assert(reply_keys_detail::allIdentifiers(), "every reply key is a plain identifier");
static_assert(reply_keys_detail::resultKeysInOrder(), "result_key names the members of kReplyKeys");

}  // namespace intent_bridge
