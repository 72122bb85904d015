// A command of the corpus, as read from JSON and prepared for matching.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "pattern.h"

namespace norvik {

// Where a request that matches the command is sent.
enum class CommandTarget { Local, Llm, Chat };

// What a command's name says it does: a word of direction (取消, 调高, 下一首),
// one of opening or setting (打开, 设置), of action (播放, 更换), or nothing it
// must be told (桌宠跳舞).
enum class Operation { None, Action, Opening, Direction };

// How much running the command changes the machine (see risk_class.h).
enum class RiskClass { None, Change, Destructive };

const char* targetName(CommandTarget target);

// A hash of a normalised text (the standard library's), for telling whether a request is one
// of a command's own texts.
uint64_t textHash(std::u32string_view text);

using ActionFields = std::vector<std::pair<std::string, std::string>>;

// A set of characters as 512 bits, a character's bit chosen by its low bits:
// two sets that share no bit share no character.
// Aligned so that the test of two sets reads them 16 bytes at a time where
// the compiler has vectors (GCC, Clang).
class alignas(16) CharacterBits {
 public:
  void add(char32_t c) { bits_[(c >> 6) & 7] |= uint64_t{1} << (c & 63); }
  bool mayShare(const CharacterBits& other) const {
#if defined(__GNUC__)
    using Pair = uint64_t __attribute__((vector_size(16), may_alias));
    const auto* const mine = reinterpret_cast<const Pair*>(bits_);
    const auto* const theirs = reinterpret_cast<const Pair*>(other.bits_);
    const Pair common = (mine[0] & theirs[0]) | (mine[1] & theirs[1]) | (mine[2] & theirs[2]) | (mine[3] & theirs[3]);
    return (common[0] | common[1]) != 0;
#else
    uint64_t common = 0;
    for (std::size_t i = 0; i < 8; ++i) common |= bits_[i] & other.bits_[i];
    return common != 0;
#endif
  }

 private:
  uint64_t bits_[8] = {};
};

// The action types that routing asks about, a bit each: a command's type is
// tested against several at once with one AND.
enum ActionKind : uint32_t {
  kOpenApp = 1u << 0,
  kCloseApp = 1u << 1,
  kOpenWebsite = 1u << 2,
  kOpenFolder = 1u << 3,
  kPet = 1u << 4,
  kPlayMusic = 1u << 5,
  kMusicRequest = 1u << 6,
  kPlayVideo = 1u << 7,
  kSearchVideo = 1u << 8,
  kPlayMedia = 1u << 9,
};

// The kind bit of an action type (0 for another type or none).
uint32_t actionKindOf(const std::string* type);

struct Command {
  int32_t id = 0;
  std::string name;
  std::vector<std::string> examples;
  std::vector<std::string> keywords;
  std::vector<Pattern> patterns;
  ActionFields action;
  CommandTarget target = CommandTarget::Local;
  RiskClass risk = RiskClass::Change;  // the "risk" member, or the default for the action

  // Normalised keywords, ready for substring search in a normalised query.
  std::vector<std::u32string> normalizedKeywords;
  // Their first characters: a query that holds none of them holds no keyword.
  CharacterBits keywordFirsts;
  // Every pair of adjacent characters in the normalised name, examples and
  // keywords (numerals folded together), sorted: the words the command knows,
  // for telling how much of a query it explains.
  std::vector<uint64_t> knownPairs;
  // The words that name what the command acts on, folded and without fillers:
  // its keywords and the words of its name that say more than a direction or
  // an action (亮度, 回收站, 桌宠; not 调低), for telling whether a request names it.
  std::vector<std::u32string> thingWords;
  // Hashes of the normalised name and examples, sorted: a request that is one of
  // the command's own texts says what the corpus's author meant by the command.
  std::vector<uint64_t> ownTextHashes;
  // Some example asks a question (大盘怎么样, 比赛打完了吗): the command answers questions.
  bool answersQuestions = false;
  // What its name says it does to its object (打开微信, 调高音量, 播放音乐).
  Operation operation = Operation::None;
  // The first and the last characters of its patterns, a bit each (c & 63),
  // or every bit when some pattern starts (ends) with a slot: a text whose
  // first or last character has no bit here matches none of them.
  uint64_t patternFirsts = ~uint64_t{0};
  uint64_t patternLasts = ~uint64_t{0};
  // The ActionKind of its action's type, read with the action (a command made
  // otherwise leaves it unread and has its type looked up on each test).
  static constexpr uint32_t kKindUnread = ~uint32_t{0};
  uint32_t actionKind = kKindUnread;

  // The value of an action member ("type", "op"…), or null.
  const std::string* actionValue(std::string_view member) const;
  bool hasActionType(std::string_view type) const;
  // Whether the action's type is one of `kinds` (ActionKind bits).
  bool isOfKind(uint32_t kinds) const {
    return ((actionKind != kKindUnread ? actionKind : actionKindOf(actionValue("type"))) & kinds) != 0;
  }
  // Whether a normalised request with this textHash is the name or an example.
  bool hasOwnText(uint64_t hash) const;
};

// Sets the command's patternFirsts and patternLasts from its patterns.
void notePatternEnds(Command& command);

using CommandPtr = std::shared_ptr<const Command>;

}  // namespace norvik
