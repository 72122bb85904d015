// How much of a query a command explains: the share of the query's meaningful
// characters (fillers such as 请, 帮我, 一下, 吧 left out) that stand in a pair
// of adjacent characters the command knows from its name, examples and
// keywords, or that its pattern captured in a slot. A command that explains
// little of a query ("看中国好声音" for a volume command that knows 声音) is not
// what the user asked for, however similar it looks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "command.h"

namespace norvik {

struct Coverage {
  std::size_t content = 0;    // meaningful characters of the query
  std::size_t explained = 0;  // of those, the ones the command explains
  bool negationExplained = true;  // every negation of the query stands in the command's words
  bool directionExplained = true;  // the command knows every word of direction (开/关, 高/低, 上/下…)

  double share() const { return content == 0 ? 0.0 : static_cast<double>(explained) / static_cast<double>(content); }
  std::size_t unexplained() const { return content - explained; }
};

// Longer queries are never explained: a machine-changing command does not run
// on a paragraph.
constexpr std::size_t kMaxCoveredQueryLength = 96;

// The sorted pairs of adjacent characters of the command's texts.
std::vector<uint64_t> collectKnownPairs(const Command& command);

// Whether the command knows every pair of adjacent characters of `words`.
bool knowsWords(const Command& command, const std::u32string& words);

// Whether the command knows the character in some pair of its words.
bool knowsCharacter(const Command& command, char32_t c);
// Whether the character decides what a command does to its object (开/关, 高/低,
// 上/下, 取消…): a command must explain such a character to run.
bool isDirectionCharacter(char32_t c);

// Whether the command knows every word of direction in the pattern's literal
// text: 静音 knows the 关 of "关掉{app}", the full-screen command does not know
// the 退 of "退出{app}".
bool knowsDirections(const Command& command, const Pattern& pattern);

// The query without its fillers ("帮我关一下电脑" → "关电脑").
std::u32string contentCharacters(const std::u32string& query);

// Coverage of query[begin, end); `given` (empty, or one flag per query character)
// marks characters that a pattern captured. Negations are the positions listed in
// `negations`.
Coverage coverQuery(const Command& command, const std::u32string& query, std::size_t begin, std::size_t end,
                    const std::vector<bool>& given = {}, const std::vector<std::size_t>& negations = {});

}  // namespace norvik
