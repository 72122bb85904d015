#include "pattern.h"

#include <algorithm>
#include <bitset>
#include <string_view>

#include "slot_trimming.h"
#include "text_scan.h"

namespace norvik {

namespace {

bool appendLiteral(Pattern& pattern, const std::string& text) {
  const NormalizedText normalized = normalizeText(text);
  if (normalized.chars.empty()) return true;
  if (!pattern.segments.empty() && !pattern.segments.back().isSlot) {
    pattern.segments.back().literal += normalized.chars;
  } else {
    PatternSegment segment;
    segment.literal = normalized.chars;
    pattern.segments.push_back(std::move(segment));
  }
  pattern.literalLength += normalized.chars.size();
  pattern.literals += normalized.chars;
  return true;
}

bool isNumeral(char32_t cp) {
  static const std::u32string kNumerals = U"0123456789零〇一二三四五六七八九十百千万两半";
  return kNumerals.find(cp) != std::u32string::npos;
}

// Words that name a time or the speaker's own whereabouts, never a place to look up.
const std::u32string_view kNotPlaceWords[] = {
    U"今天", U"明天", U"后天", U"昨天",   U"前天", U"大后天", U"现在", U"今晚", U"明晚", U"今早", U"明早",
    U"早上", U"上午", U"中午", U"下午",   U"晚上", U"夜里",   U"周末", U"这周", U"下周", U"本周", U"星期",
    U"礼拜", U"最近", U"未来", U"待会",   U"等会", U"一会",   U"天后", U"外面", U"这里", U"这边", U"那边",
    U"本地", U"当地", U"附近", U"我们这", U"我这", U"我",     U"你",   U"告诉", U"帮",   U"请",   U"看",
    U"查",   U"问",   U"今儿", U"明儿",   U"昨儿", U"小爱",   U"小度", U"天猫", U"精灵", U"同学", U"siri",
    U"小艺", U"小布", U"几天", U"五一",   U"国庆", U"十一",   U"春节", U"假期", U"几号"};

bool isPlace(std::u32string_view text, std::size_t begin, std::size_t end) {
  // A place name has two characters or more and no particle at its ends.
  if (end - begin < 2 || text[begin] == U'的' || text[end - 1] == U'的') return false;
  const std::u32string_view value = text.substr(begin, end - begin);
  for (const std::u32string_view word : kNotPlaceWords) {
    if (value.find(word) != std::u32string_view::npos) return false;
  }
  return true;
}

// A time or a duration is made of numerals, units and day words only ("明早六点",
// "半个钟头", "每天晚上十点"), with a numeral or a day in it: "删掉早上七点" is
// no time.
bool isTime(std::u32string_view text, std::size_t begin, std::size_t end) {
  static const std::u32string_view kTimeCharacters =
      U"点分秒钟刻小时个天日号月年周星期礼拜早晚上下午中夜凌晨今明后前每工作以之内过整多几傍头晌";
  static const std::u32string_view kDays = U"今明后每周";
  bool anchored = false;
  for (std::size_t i = begin; i < end; ++i) {
    const bool numeral = isNumeral(text[i]);
    if (!numeral && kTimeCharacters.find(text[i]) == std::u32string_view::npos) return false;
    anchored = anchored || numeral || kDays.find(text[i]) != std::u32string_view::npos;
  }
  return anchored;
}

bool slotAccepts(SlotKind kind, std::u32string_view text, std::size_t begin, std::size_t end) {
  switch (kind) {
    case SlotKind::Number:
      for (std::size_t i = begin; i < end; ++i) {
        if (!isNumeral(text[i]) && text[i] != U'之' && text[i] != U'分' && text[i] != U'点') return false;
      }
      return isNumeral(text[begin]) || text[begin] == U'百';
    case SlotKind::Time:
      return isTime(text, begin, end);
    case SlotKind::Place:
      return isPlace(text, begin, end);
    case SlotKind::Foreign:
      for (std::size_t i = begin; i < end; ++i) {
        if (isWordCharacter(text[i]) && !isHan(text[i]) && !isNumeral(text[i])) return true;
      }
      return false;
    case SlotKind::Any:
      break;
  }
  return true;
}

bool parseSlotKind(const std::string& text, SlotKind& kind) {
  if (text == "number") {
    kind = SlotKind::Number;
  } else if (text == "time") {
    kind = SlotKind::Time;
  } else if (text == "place") {
    kind = SlotKind::Place;
  } else if (text == "foreign") {
    kind = SlotKind::Foreign;
  } else {
    return false;
  }
  return true;
}

bool appendSlot(Pattern& pattern, std::string name, std::string& error) {
  SlotKind kind = SlotKind::Any;
  const std::size_t colon = name.find(':');
  if (colon != std::string::npos) {
    if (!parseSlotKind(name.substr(colon + 1), kind)) {
      error = "unknown slot kind in '" + name + "'";
      return false;
    }
    name.resize(colon);
  }
  if (name.empty()) {
    error = "empty slot name";
    return false;
  }
  std::size_t slots = 0;
  for (const PatternSegment& segment : pattern.segments) {
    if (!segment.isSlot) continue;
    ++slots;
    if (segment.slotName == name) {
      error = "duplicate slot name '" + name + "'";
      return false;
    }
  }
  if (slots >= kMaxSlots) {
    error = "too many slots";
    return false;
  }
  if (!pattern.segments.empty() && pattern.segments.back().isSlot) {
    error = "two slots need literal text between them";
    return false;
  }
  PatternSegment segment;
  segment.isSlot = true;
  segment.slotName = name;
  segment.kind = kind;
  pattern.segments.push_back(std::move(segment));
  return true;
}

// The (segment, position) states of a search, as a set of bits: on the stack
// for every pattern that parsePattern makes (at most 2 * kMaxSlots + 1
// segments), on the heap for larger ones.
class StateSet {
 public:
  explicit StateSet(std::size_t count) {
    if (count > kLocalStates) heap_.assign(count, false);
  }
  bool test(std::size_t state) const { return heap_.empty() ? local_.test(state) : heap_[state]; }
  void set(std::size_t state) {
    if (heap_.empty()) {
      local_.set(state);
    } else {
      heap_[state] = true;
    }
  }

 private:
  static constexpr std::size_t kLocalStates = (2 * kMaxSlots + 2) * (kMaxPatternQueryLength + 1);
  std::bitset<kLocalStates> local_;
  std::vector<bool> heap_;
};

struct Matcher {
  const Pattern& pattern;
  const QueryView& query;
  SlotSpans captures;  // [begin, end) in chars
  // (segment, position) states already known to lead to no match. Without them
  // a pattern whose literals recur in the query is tried again from the same
  // state for every way of reaching it: the work grew with the query length to
  // the power of the slot count (seconds per pattern at 96 characters).
  StateSet failed;

  Matcher(const Pattern& p, const QueryView& q)
      : pattern(p), query(q), failed((p.segments.size() + 1) * (q.size() + 1)) {}

  bool literalAt(const std::u32string& literal, std::size_t pos) const {
    return pos + literal.size() <= query.size() &&
           sameCharacters(literal.data(), query.chars.data() + pos, literal.size());
  }

  // The same search as tryMatch, never repeated from a state that failed.
  bool match(std::size_t segmentIndex, std::size_t pos) {
    const std::size_t state = segmentIndex * (query.size() + 1) + pos;
    if (failed.test(state)) return false;
    if (tryMatch(segmentIndex, pos)) return true;
    failed.set(state);
    return false;
  }

  bool tryMatch(std::size_t segmentIndex, std::size_t pos) {
    if (segmentIndex == pattern.segments.size()) return pos == query.size();
    const PatternSegment& segment = pattern.segments[segmentIndex];
    if (!segment.isSlot) {
      return literalAt(segment.literal, pos) && match(segmentIndex + 1, pos + segment.literal.size());
    }
    if (segmentIndex + 1 == pattern.segments.size()) {
      if (pos >= query.size() || !slotAccepts(segment.kind, query.chars, pos, query.size())) return false;
      return captures.push_back(pos, query.size());
    }
    // The next segment is a literal: try each place where it occurs.
    const std::u32string& next = pattern.segments[segmentIndex + 1].literal;
    for (std::size_t end = pos + 1; end + next.size() <= query.size(); ++end) {
      if (!literalAt(next, end) || !slotAccepts(segment.kind, query.chars, pos, end)) continue;
      if (!captures.push_back(pos, end)) return false;
      if (match(segmentIndex + 1, end)) return true;
      captures.pop_back();
    }
    return false;
  }
};

}  // namespace

std::optional<Pattern> parsePattern(const std::string& source, std::string& error) {
  Pattern pattern;
  pattern.source = source;
  std::string literal;
  std::size_t i = 0;
  while (i < source.size()) {
    const char c = source[i];
    if (c == '}') {
      error = "unbalanced '}'";
      return std::nullopt;
    }
    if (c != '{') {
      literal.push_back(c);
      ++i;
      continue;
    }
    const std::size_t close = source.find_first_of("{}", i + 1);
    if (close == std::string::npos || source[close] != '}') {
      error = "unbalanced '{'";
      return std::nullopt;
    }
    appendLiteral(pattern, literal);
    literal.clear();
    if (!appendSlot(pattern, source.substr(i + 1, close - i - 1), error)) return std::nullopt;
    i = close + 1;
  }
  appendLiteral(pattern, literal);
  if (pattern.literalLength == 0) {
    error = "a pattern needs literal text";
    return std::nullopt;
  }
  if (const PatternSegment& first = pattern.segments.front(); !first.isSlot) pattern.first = first.literal.front();
  if (const PatternSegment& last = pattern.segments.back(); !last.isSlot) pattern.last = last.literal.back();
  return pattern;
}

bool matchSlots(const Pattern& pattern, const QueryView& query, SlotSpans& spans) {
  if (!mayMatch(pattern, query)) return false;
  // A pattern that starts or ends with literal text matches only a query that
  // starts or ends with it.
  const std::u32string_view chars = query.chars;
  const PatternSegment& first = pattern.segments.front();
  if (!first.isSlot && !sameCharacters(first.literal.data(), chars.data(), first.literal.size())) return false;
  const PatternSegment& last = pattern.segments.back();
  if (!last.isSlot &&
      !sameCharacters(last.literal.data(), chars.data() + chars.size() - last.literal.size(), last.literal.size())) {
    return false;
  }
  // Every literal part must occur somewhere: most other patterns fail here,
  // before any search.
  for (const PatternSegment& segment : pattern.segments) {
    if (!segment.isSlot && chars.find(segment.literal) == std::u32string_view::npos) return false;
  }
  Matcher matcher(pattern, query);
  if (!matcher.match(0, 0)) return false;
  spans.clear();
  std::size_t captureIndex = 0;
  for (const PatternSegment& segment : pattern.segments) {
    if (!segment.isSlot) continue;
    std::size_t begin = matcher.captures[captureIndex].first;
    std::size_t end = matcher.captures[captureIndex++].second;
    trimSlot(chars, begin, end,
             [&](std::size_t b, std::size_t e) { return b < e && slotAccepts(segment.kind, chars, b, e); });
    spans.push_back(begin, end);
  }
  return true;
}

SlotValues slotValues(const Pattern& pattern, const QueryView& query, std::string_view original,
                      const SlotSpans& spans) {
  SlotValues values;
  values.reserve(spans.size());
  std::size_t slot = 0;
  for (const PatternSegment& segment : pattern.segments) {
    if (!segment.isSlot || slot == spans.size()) continue;
    const auto [begin, end] = spans[slot++];
    const uint32_t byteBegin = query.byteBegin[begin];
    const uint32_t byteEnd = query.byteEnd[end - 1];
    values.emplace_back(segment.slotName, std::string(original.substr(byteBegin, byteEnd - byteBegin)));
  }
  return values;
}

std::optional<SlotValues> matchPattern(const Pattern& pattern, const NormalizedText& query, std::string_view original,
                                       std::vector<std::pair<std::size_t, std::size_t>>* spans) {
  SlotSpans found;
  if (!matchSlots(pattern, query, found)) return std::nullopt;
  if (spans != nullptr) spans->assign(found.begin(), found.end());
  return slotValues(pattern, query, original, found);
}

}  // namespace norvik
