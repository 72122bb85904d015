// Templates such as "把音量调到{level}": literal text with named slots. A pattern
// matches only when it covers the whole normalised query; each slot captures at
// least one character, and its value is cut from the original (unnormalised) text.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "text_normalizer.h"

namespace norvik {

// What a slot accepts: anything, a number ("50", "七十", "百分之二十"), a time
// or duration (numerals, units and day words, e.g. "十分钟", "明早六点"), or
// a place (any text without a time word or a word such as "这里": in
// "今天天气怎么样", "今天" is not a city), or foreign text (holding a letter of a
// script other than Chinese: "hello" in "hello是什么意思", never "关机").
enum class SlotKind { Any, Number, Time, Place, Foreign };

struct PatternSegment {
  bool isSlot = false;
  std::u32string literal;  // normalised literal text when !isSlot
  std::string slotName;    // when isSlot
  SlotKind kind = SlotKind::Any;
};

struct Pattern {
  std::string source;
  std::vector<PatternSegment> segments;
  std::size_t literalLength = 0;  // total normalised literal characters
};

using SlotValues = std::vector<std::pair<std::string, std::string>>;

// Parses a template; a slot is "{name}" or "{name:number}" / "{name:time}" / "{name:place}" / "{name:foreign}". Fails
// (returns nullopt and sets error) on unbalanced braces, empty or duplicate slot names, two slots without literal text
// between them, a template without any literal text, an unknown slot kind, or more than kMaxSlots slots.
std::optional<Pattern> parsePattern(const std::string& source, std::string& error);

constexpr std::size_t kMaxSlots = 4;
// Longer queries are not tried against patterns (bounds backtracking work).
constexpr std::size_t kMaxPatternQueryLength = 96;

// Matches the whole query; on success returns the slot values in slot order,
// without the measure words and fillers at their edges (see slot_trimming.h),
// and, when `spans` is given, where they stand in the query's characters.
std::optional<SlotValues> matchPattern(const Pattern& pattern, const NormalizedText& query, std::string_view original,
                                       std::vector<std::pair<std::size_t, std::size_t>>* spans = nullptr);

}  // namespace norvik
