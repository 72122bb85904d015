#include "pattern.h"

#include <gtest/gtest.h>

namespace norvik {
namespace {

Pattern parsed(const std::string& source) {
  std::string error;
  auto pattern = parsePattern(source, error);
  EXPECT_TRUE(pattern.has_value()) << source << ": " << error;
  return pattern.value_or(Pattern{});
}

std::optional<SlotValues> match(const std::string& source, const std::string& query) {
  const Pattern pattern = parsed(source);
  return matchPattern(pattern, normalizeText(query), query);
}

TEST(Pattern, RefusesMalformedTemplates) {
  for (const char* bad : {"打开{app", "打开app}", "打开{}", "{a}{b}", "{app}", "把{x}和{x}", "{a}一{b}二{c}三{d}四{e}",
                          "调到{level:colour}"}) {
    std::string error;
    EXPECT_FALSE(parsePattern(bad, error).has_value()) << bad;
    EXPECT_FALSE(error.empty()) << bad;
  }
}

TEST(Pattern, MatchesOnlyTheWholeNormalisedQuery) {
  auto slots = match("打开{app}", "打开，计算器！");
  ASSERT_TRUE(slots);
  ASSERT_EQ(slots->size(), 1u);
  EXPECT_EQ((*slots)[0], (std::pair<std::string, std::string>{"app", "计算器"}));
  EXPECT_FALSE(match("打开{app}", "请打开计算器"));
  EXPECT_FALSE(match("打开{app}", "打开"));  // a slot takes at least one character
  EXPECT_TRUE(match("ＯＰＥＮ {app}", "open notepad"));
}

TEST(Pattern, SlotValuesComeFromTheOriginalText) {
  auto slots = match("打开{app}", "打开 Visual Studio Code");
  ASSERT_TRUE(slots);
  EXPECT_EQ((*slots)[0].second, "Visual Studio Code");
  slots = match("播放{singer}的{song}", "播放周杰伦的《晴天》");
  ASSERT_TRUE(slots);
  EXPECT_EQ((*slots)[0], (std::pair<std::string, std::string>{"singer", "周杰伦"}));
  EXPECT_EQ((*slots)[1], (std::pair<std::string, std::string>{"song", "晴天"}));
}

TEST(Pattern, BacktracksOverRepeatedLiterals) {
  auto slots = match("{time}提醒我{thing}", "明天提醒我提醒他开会");
  ASSERT_TRUE(slots);
  EXPECT_EQ((*slots)[0].second, "明天");
  EXPECT_EQ((*slots)[1].second, "提醒他开会");
  EXPECT_TRUE(match("把{a}的{b}给我", "把我的的书给我"));
}

// Four slots whose literals recur all through a query of the longest length
// tried: every way of splitting it fails, which once took seconds per pattern
// and made a corpus of such patterns stall every route call. The answers are
// those of the plain search.
TEST(Pattern, FailsFastWhenEverySplitOfARepetitiveQueryFails) {
  const std::string query(kMaxPatternQueryLength, 'a');
  for (int round = 0; round < 200; ++round) EXPECT_FALSE(match("{a}aaa{b}a{c}a{d}b", query));
  auto slots = match("{a}aaa{b}a{c}a{d}", std::string(20, 'a'));
  ASSERT_TRUE(slots);
  EXPECT_EQ(*slots, (SlotValues{{"a", "a"}, {"b", "a"}, {"c", "a"}, {"d", std::string(12, 'a')}}));
  EXPECT_FALSE(match("{n:number}分{m:number}分钟", "一分二分三分四分五分钟六"));
  slots = match("{n:number}分{m:number}分钟", "一分二分三分四分五分钟");
  ASSERT_TRUE(slots);
  EXPECT_EQ((*slots)[1].second, "二分三分四分五");
}

TEST(Pattern, TypedSlotsAcceptOnlyTheirKind) {
  EXPECT_TRUE(match("音量调到{level:number}", "音量调到50"));
  EXPECT_TRUE(match("音量调到{level:number}", "音量调到百分之二十"));
  EXPECT_TRUE(match("音量调到{level:number}", "音量调到七十"));
  EXPECT_FALSE(match("音量调到{level:number}", "音量调到最大"));
  auto slots = match("{time:time}后关机", "半小时后关机");
  ASSERT_TRUE(slots);
  EXPECT_EQ((*slots)[0], (std::pair<std::string, std::string>{"time", "半小时"}));
  EXPECT_FALSE(match("{time:time}后关机", "然后关机"));
}

TEST(Pattern, PlaceSlotsRefuseTimeWordsAndHere) {
  auto slots = match("{city:place}天气怎么样", "北京天气怎么样");
  ASSERT_TRUE(slots);
  EXPECT_EQ((*slots)[0], (std::pair<std::string, std::string>{"city", "北京"}));
  for (const char* query : {"今天天气怎么样", "明天天气怎么样", "北京明天天气怎么样", "这周末天气怎么样",
                            "外面天气怎么样", "现在天气怎么样", "的天气怎么样", "京天气怎么样"}) {
    EXPECT_FALSE(match("{city:place}天气怎么样", query)) << query;
  }
  // The literal after the slot still finds the place before a time word.
  slots = match("{city:place}明天会下雨吗", "北京明天会下雨吗");
  ASSERT_TRUE(slots);
  EXPECT_EQ((*slots)[0].second, "北京");
  EXPECT_TRUE(match("{city:place}天气", "三亚天气"));  // a numeral alone is no time word
}

// Ranking matches patterns on a stretch of the query (without its fillers) in
// place: the slots stand where they stand in the stretch, and their values are
// cut from the original text as when the stretch is a text of its own.
TEST(Pattern, MatchesAStretchOfAQueryInPlace) {
  const struct {
    const char* pattern;
    const char* query;
    std::size_t begin;  // of the stretch, in normalised characters
    std::size_t end;    // counted from the end of the query
  } cases[] = {{"打开{app}", "帮我打开 QQ 音乐吧", 2, 1},
               {"{city:place}天气怎么样", "请问北京天气怎么样", 2, 0},
               {"播放{singer}的{song}", "麻烦播放周杰伦的《晴天》谢谢", 2, 2},
               {"打开{app}", "帮我关掉微信吧", 2, 1},
               {"音量调到{level:number}", "嗯音量调到最大", 1, 0}};
  std::size_t matches = 0;
  for (const auto& c : cases) {
    const Pattern pattern = parsed(c.pattern);
    const NormalizedText query = normalizeText(c.query);
    const std::size_t end = query.size() - c.end;
    SlotSpans spans;
    const bool matched = matchSlots(pattern, QueryView(query).sub(c.begin, end), spans);
    // The same stretch as a text of its own, cut from the original bytes.
    const uint32_t from = query.byteBegin[c.begin];
    const std::string stretch(std::string_view(c.query).substr(from, query.byteEnd[end - 1] - from));
    std::vector<std::pair<std::size_t, std::size_t>> ownSpans;
    const auto own = matchPattern(pattern, normalizeText(stretch), stretch, &ownSpans);
    ASSERT_EQ(matched, own.has_value()) << c.query;
    if (!matched) continue;
    ++matches;
    const std::vector<std::pair<std::size_t, std::size_t>> found(spans.begin(), spans.end());
    EXPECT_EQ(found, ownSpans) << c.query;
    EXPECT_EQ(slotValues(pattern, QueryView(query).sub(c.begin, end), c.query, spans), *own) << c.query;
  }
  EXPECT_EQ(matches, 3u);
}

TEST(Pattern, IgnoresVeryLongQueries) {
  EXPECT_FALSE(match("打开{app}", "打开" + std::string(kMaxPatternQueryLength * 3, 'a')));
}

}  // namespace
}  // namespace norvik
