// Templates such as "把音量调到{level}": literal text with named slots. A pattern
// matches only when it covers the whole normalised query; each slot captures at
// least one character, and its value is cut from the original (unnormalised) text.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
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
  std::u32string literals;        // the literal text alone (the query without what the slots captured)
  char32_t first = 0;             // the first character, when the pattern starts with literal text, else 0
  char32_t last = 0;              // the last character, when it ends with literal text, else 0
};

using SlotValues = std::vector<std::pair<std::string, std::string>>;

// Parses a template; a slot is "{name}" or "{name:number}" / "{name:time}" / "{name:place}" / "{name:foreign}". Fails
// (returns nullopt and sets error) on unbalanced braces, empty or duplicate slot names, two slots without literal text
// between them, a template without any literal text, an unknown slot kind, or more than kMaxSlots slots.
std::optional<Pattern> parsePattern(const std::string& source, std::string& error);

constexpr std::size_t kMaxSlots = 4;
// Longer queries are not tried against patterns (bounds backtracking work).
constexpr std::size_t kMaxPatternQueryLength = 96;

using SlotSpan = std::pair<uint32_t, uint32_t>;  // [begin, end) in a query's characters

// Where the slots of a match stand, in slot order: at most kMaxSlots, held in
// place (a route copies and moves them several times).
class SlotSpans {
 public:
  SlotSpans() = default;
  SlotSpans(std::initializer_list<std::pair<std::size_t, std::size_t>> spans) {
    for (const auto& [begin, end] : spans) push_back(begin, end);
  }

  // Whether there was room: a pattern as parsed never has more slots.
  bool push_back(std::size_t begin, std::size_t end) {
    if (size_ == kMaxSlots) return false;
    spans_[size_++] = {static_cast<uint32_t>(begin), static_cast<uint32_t>(end)};
    return true;
  }
  void pop_back() { --size_; }
  void clear() { size_ = 0; }

  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  const SlotSpan& operator[](std::size_t i) const { return spans_[i]; }
  SlotSpan& operator[](std::size_t i) { return spans_[i]; }
  const SlotSpan* begin() const { return spans_.data(); }
  const SlotSpan* end() const { return spans_.data() + size_; }
  SlotSpan* begin() { return spans_.data(); }
  SlotSpan* end() { return spans_.data() + size_; }

 private:
  std::array<SlotSpan, kMaxSlots> spans_{};
  uint32_t size_ = 0;
};

// A normalised query, or a stretch of one, as patterns read it: its characters
// and the bytes of the original text each came from.
struct QueryView {
  std::u32string_view chars;
  const uint32_t* byteBegin = nullptr;
  const uint32_t* byteEnd = nullptr;

  QueryView() = default;
  QueryView(const NormalizedText& text)  // NOLINT: a whole text is a view of itself
      : chars(text.chars), byteBegin(text.byteBegin.data()), byteEnd(text.byteEnd.data()) {}
  std::size_t size() const { return chars.size(); }
  QueryView sub(std::size_t begin, std::size_t end) const {
    QueryView view;
    view.chars = chars.substr(begin, end - begin);
    view.byteBegin = byteBegin + begin;
    view.byteEnd = byteEnd + begin;
    return view;
  }
};

// Whether the pattern may match the query at all: its length allows it, and
// it starts and ends as the query does. Turns most patterns away at the cost of
// a few comparisons, before matchSlots.
inline bool mayMatch(const Pattern& pattern, const QueryView& query) {
  const std::size_t size = query.size();
  if (size == 0 || size > kMaxPatternQueryLength || size < pattern.literalLength || pattern.segments.empty()) {
    return false;
  }
  return (pattern.first == 0 || pattern.first == query.chars.front()) &&
         (pattern.last == 0 || pattern.last == query.chars.back());
}

// Matches the whole query; on success sets where the slots stand, without the
// measure words and fillers at their edges (see slot_trimming.h). Allocates
// nothing.
bool matchSlots(const Pattern& pattern, const QueryView& query, SlotSpans& spans);

// The values of a match's slots, by slot name, cut from the original text.
SlotValues slotValues(const Pattern& pattern, const QueryView& query, std::string_view original,
                      const SlotSpans& spans);

// Matches the whole query; on success returns the slot values in slot order,
// and, when `spans` is given, where they stand in the query's characters.
std::optional<SlotValues> matchPattern(const Pattern& pattern, const NormalizedText& query, std::string_view original,
                                       std::vector<std::pair<std::size_t, std::size_t>>* spans = nullptr);

}  // namespace norvik
