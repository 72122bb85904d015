// How much of a query a command explains: the share of the query's meaningful
// characters (fillers such as 请, 帮我, 一下, 吧 left out) that stand in a pair
// of adjacent characters the command knows from its name, examples and
// keywords, or that its pattern captured in a slot. A command that explains
// little of a query ("看中国好声音" for a volume command that knows 声音) is not
// what the user asked for, however similar it looks. Words of direction (开/关,
// 高/低, 今天/明天…) and negations must be the command's own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "command.h"

namespace norvik {

struct Coverage {
  std::size_t content = 0;          // meaningful characters of the query
  std::size_t explained = 0;        // of those, the ones the command explains
  bool negationExplained = true;    // every negation of the query stands in the command's words
  bool directionExplained = true;   // the command knows every word of direction (开/关, 高/低, 上/下…)
  bool operationExplained = false;  // some explained character says what to do (a word of direction or action)
  bool wishExplained = false;       // some explained character asks for something (听, 看, 来…)

  double share() const { return content == 0 ? 0.0 : static_cast<double>(explained) / static_cast<double>(content); }
};

// Longer queries are never explained: a machine-changing command does not run
// on a paragraph.
constexpr std::size_t kMaxCoveredQueryLength = 96;

// A query prepared once for measuring how much of it commands explain: its
// characters folded (numerals together, 低/减/降 with 小, 高/增/加 with 大), which
// of them are fillers and which say a direction.
class CoveredQuery {
 public:
  CoveredQuery() = default;
  CoveredQuery(const std::u32string& query, const std::vector<std::size_t>& negations) { reset(query, negations); }

  // Prepares another query, reusing the space of the one before. The query
  // must outlive its use here (a route's query does).
  void reset(const std::u32string& query, const std::vector<std::size_t>& negations);

  // Coverage of query[begin, end) by the command; `given` (empty, or one flag
  // per character) marks characters that a pattern captured.
  Coverage cover(const Command& command, std::size_t begin, std::size_t end,
                 const std::vector<uint8_t>& given = {}) const;

  // The meaningful characters alone ("帮我关一下电脑" → "关电脑"), read when first asked for.
  const std::u32string& content() const;

  // Whether query[begin, end) asks for nothing: no word of direction or of
  // action (打开, 调, 放, 搜, 换…) that a negation does not take back. "电脑卡住了"
  // and "我不想关机" state; "打开微信" and "声音调大" ask.
  bool states(std::size_t begin, std::size_t end) const;

  // Whether query[begin, end) holds a keyword of the command that names the
  // thing it acts on (亮度, 闹钟, 回收站, 小声), not only a word of direction or
  // action (调低, 打开): positive evidence that the request is about that thing.
  // True for a command that acts on no thing of its own (暂停播放).
  bool namesThing(const Command& command, std::size_t begin, std::size_t end) const;

  // The first meaningful character that the negation at `n` applies to, or `end`.
  std::size_t negatedWord(std::size_t n, std::size_t end) const;

 private:
  std::u32string folded_;
  std::vector<uint8_t> filler_;     // 1 for a filler
  std::vector<uint8_t> direction_;  // 1 for a word of direction
  std::vector<std::size_t> negations_;
  const std::u32string* query_ = nullptr;  // the query prepared, which outlives the preparation
  mutable std::u32string content_;
  mutable bool contentRead_ = false;
  std::u32string foldedContent_;    // the meaningful characters folded
  uint64_t foldedContentBits_ = 0;  // its characters, one bit each (c & 63)
  // The meaningful characters of the stretch namesThing looks at: space kept
  // from one call to the next (an object serves one route on one thread).
  mutable std::u32string stretch_;
};

// The sorted pairs of adjacent characters of the command's texts.
std::vector<uint64_t> collectKnownPairs(const Command& command);

// The command's thing words (see Command::thingWords): its keywords and name
// when they hold more than words of direction or action, and the stretches of
// its name and examples that say no direction or action; none when its name
// and keywords name no thing (暂停播放).
std::vector<std::u32string> collectThingWords(const Command& command);

// Whether the command knows every pair of adjacent characters of `words`, or,
// for a single character, the character.
bool knowsWords(const Command& command, const std::u32string& words);

// Whether the command knows the character in some pair of its words.
bool knowsCharacter(const Command& command, char32_t c);

// What a command's name says it does to its object: a word of direction (打开,
// 调高, 取消, 下一首) or of action (播放, 更换), or nothing (桌宠跳舞, 秒表).
Operation namedOperation(const std::string& name);

// Whether the request, as the command explains it, says what to do: a word of
// direction for a command named with one ("下一首" needs 下 or the like, not
// just 听); for one that opens, starts or sets something also a wish for it
// (`wish`: the request says 要, 想, 用 or 需: "我需要计算器"); any word of action
// or wish for a command named with an action ("来首歌" plays music); nothing
// for the rest. "闹钟" alone says nothing.
bool statesOperation(const Command& command, const Coverage& coverage, bool wish);

// Whether the character decides what a command does to its object (开/关, 高/低,
// 上/下, 取消, 今/明…): a command must explain such a character to run.
bool isDirectionCharacter(char32_t c);

// Whether the character says a direction or an action or asks for something
// (开, 关, 录, 放, 看…): a verb rather than part of a name.
bool isVerbCharacter(char32_t c);

// Whether the command knows every word of direction in the pattern's literal
// text: 静音 knows the 关 of "关掉{app}", the full-screen command does not know
// the 退 of "退出{app}".
bool knowsDirections(const Command& command, const Pattern& pattern);

}  // namespace norvik
