#include <gtest/gtest.h>

#include <set>

#include "command_index.h"
#include "corpus_parser.h"
#include "corpus_snapshot.h"
#include "default_corpus.h"
#include "occurrences.h"
#include "router.h"
#include "deskpet/utf8.h"
#include "norvik.h"

namespace norvik {
namespace {

using deskpet::toUtf8;

std::vector<CommandPtr> commandsFrom(const std::string& json) {
  ParsedCorpus parsed;
  std::string error;
  EXPECT_EQ(parseCorpus(json, Config{}, parsed, error), NORVIK_OK) << error;
  return parsed.commands;
}

std::shared_ptr<CorpusSnapshot> defaultSnapshot() {
  static const std::shared_ptr<CorpusSnapshot> snapshot = [] {
    ParsedCorpus parsed;
    std::string error;
    EXPECT_EQ(parseCorpus(defaultCorpusJson(), Config{}, parsed, error), NORVIK_OK) << error;
    return makeSnapshot(parsed.config, parsed.commands, {});
  }();
  return snapshot;
}

TEST(CommandIndex, RanksByCosineSimilarityOverNamesAndExamples) {
  const auto commands = commandsFrom(R"([
    {"id": 7, "name": "打开蓝牙", "examples": ["开启蓝牙"]},
    {"id": 3, "name": "关闭蓝牙", "examples": ["关掉蓝牙"]},
    {"id": 5, "name": "查询天气", "examples": ["今天天气怎么样"]}])");
  const CommandIndex index(commands);
  EXPECT_EQ(index.commandCount(), 3u);
  EXPECT_EQ(index.textCount(), 6u);

  auto hits = index.search(U"开启蓝牙", 5);
  ASSERT_EQ(hits.size(), 2u);  // the weather command shares nothing
  EXPECT_EQ(commands[hits[0].command]->id, 7);
  EXPECT_FLOAT_EQ(hits[0].similarity, 1.0f);
  EXPECT_GT(hits[0].raw, 0.0f);
  EXPECT_LT(hits[1].similarity, hits[0].similarity);

  EXPECT_TRUE(index.search(U"随便说说", 5).empty());
  EXPECT_TRUE(index.search(U"开启蓝牙", 0).empty());
  EXPECT_EQ(index.search(U"蓝牙", 1).size(), 1u);
}

TEST(CommandIndex, BreaksTiesByIdAndAppendsIncludedCommands) {
  const auto commands = commandsFrom(R"([
    {"id": 9, "name": "蓝牙甲"}, {"id": 2, "name": "蓝牙乙"}, {"id": 4, "name": "天气"}])");
  const CommandIndex index(commands);
  const auto hits = index.search(U"蓝牙", 2, {2});
  ASSERT_EQ(hits.size(), 3u);
  EXPECT_EQ(commands[hits[0].command]->id, 2);
  EXPECT_EQ(commands[hits[1].command]->id, 9);
  EXPECT_EQ(commands[hits[2].command]->id, 4);
  EXPECT_EQ(hits[2].similarity, 0.0f);
}

// Every text shares the common characters 的 and 是, so their posting lists exceed
// the walking budget and are looked up only in texts that can still make the
// result. A search with a small limit must agree with one that completes every
// text (a limit larger than the corpus).
TEST(CommandIndex, SkippingHopelessTextsKeepsTheTopResultsExact) {
  std::string json = "[";
  for (int i = 0; i < 3000; ++i) {
    const std::u32string a(1, static_cast<char32_t>(0x4E00 + i % 97));
    const std::u32string b(1, static_cast<char32_t>(0x5E00 + i % 89));
    const std::u32string c(1, static_cast<char32_t>(0x6E00 + i % 83));
    json += (i ? "," : "") + std::string("{\"id\":") + std::to_string(i + 1) + ",\"name\":\"" +
            toUtf8(a + U"的" + b + U"是" + c) + "\",\"examples\":[\"" + toUtf8(U"的" + b + c + U"是") + "\",\"" +
            toUtf8(a + c + U"的是") + "\"]}";
  }
  json += "]";
  const auto commands = commandsFrom(json);
  const CommandIndex index(commands);
  const std::u32string queries[] = {
      U"的是", U"是的", U"\u4E05的\u5E05是", U"的\u5E07\u6E07是的", U"\u4E01\u6E02的是是", U"\u4E03的\u5E04"};
  for (const std::u32string& query : queries) {
    const auto all = index.search(query, 100000);
    ASSERT_GE(all.size(), 10u);
    for (std::size_t limit : {1u, 3u, 10u, 16u, 17u, 40u}) {
      const auto top = index.search(query, limit);
      ASSERT_EQ(top.size(), limit);
      for (std::size_t i = 0; i < limit; ++i) {
        EXPECT_EQ(top[i].command, all[i].command) << toUtf8(query) << " limit " << limit << " #" << i;
        EXPECT_FLOAT_EQ(top[i].similarity, all[i].similarity);
        EXPECT_FLOAT_EQ(top[i].raw, all[i].raw);
      }
    }
    // An included command far down the list keeps its exact similarity.
    const SimilarityHit& far = all[all.size() - 1];
    const auto withFar = index.search(query, 2, {far.command});
    ASSERT_EQ(withFar.size(), 3u);
    EXPECT_EQ(withFar[2].command, far.command);
    EXPECT_FLOAT_EQ(withFar[2].similarity, far.similarity);
  }
}

TEST(CorpusParser, RejectsInvalidContentAsAWhole) {
  const char* bad[] = {
      R"({"commands": [{"name": "x"}]})",      // no id
      R"([{"id": -1, "name": "x"}])",          // reserved id
      R"([{"id": 4294967296, "name": "x"}])",  // not 32-bit
      R"([{"id": 1.5, "name": "x"}])",
      R"([{"id": 1, "name": 5}])",
      R"([{"id": 1, "name": "！！"}])",                       // nothing left to match
      R"([{"id": 1, "name": "a", "action": {"level": 5}}])",  // action values are strings
      R"([{"id": 1, "name": "a", "examples": ["b", 3]}])",
      R"([{"id": 1, "name": "a", "patterns": ["打开{app"]}])",
      R"([{"id": 1, "name": "a", "target": "cloud"}])",
      R"([{"id": 1, "name": "a"}, {"id": 1, "name": "b"}])",  // duplicate id
      R"({"config": {"localThreshold": 2}, "commands": []})",
      R"({"commands": {}})",
      R"("commands")",
      R"([{"id": 1, "name": "a"})",
  };
  for (const char* json : bad) {
    ParsedCorpus parsed;
    std::string error;
    EXPECT_EQ(parseCorpus(json, Config{}, parsed, error), NORVIK_BAD_INPUT) << json;
    EXPECT_FALSE(error.empty()) << json;
  }
}

TEST(CorpusParser, ReadsEveryMemberAndTheConfig) {
  ParsedCorpus parsed;
  std::string error;
  ASSERT_EQ(parseCorpus(R"({"config": {"verbose": true}, "commands": [
      {"id": 12, "name": "打开{x}", "examples": ["e"], "keywords": ["Ｋｅｙ"], "patterns": ["打开{app}"],
       "action": {"type": "open_app", "app": "x"}, "target": "llm", "note": "ignored"}]})",
                        Config{}, parsed, error),
            NORVIK_OK)
      << error;
  ASSERT_TRUE(parsed.hasConfig);
  EXPECT_TRUE(parsed.config.verbose);
  EXPECT_DOUBLE_EQ(parsed.config.localThreshold, Config{}.localThreshold);
  ASSERT_EQ(parsed.commands.size(), 1u);
  const Command& c = *parsed.commands[0];
  EXPECT_EQ(c.id, 12);
  EXPECT_EQ(c.target, CommandTarget::Llm);
  EXPECT_EQ(c.patterns.size(), 1u);
  EXPECT_EQ(c.normalizedKeywords, std::vector<std::u32string>{U"key"});
  EXPECT_EQ(c.action, (ActionFields{{"type", "open_app"}, {"app", "x"}}));
}

TEST(Command, KindOfTheActionTypeAgreesWithTheTypeForParsedAndHandMadeCommands) {
  struct Case {
    const char* type;  // null: no type member
    uint32_t kind;
  };
  const Case cases[] = {{"open_app", kOpenApp},     {"close_app", kCloseApp}, {"pet", kPet},
                        {"play_media", kPlayMedia}, {"open_app_x", 0},        {nullptr, 0}};
  for (const Case& c : cases) {
    const std::string action = c.type == nullptr ? R"({"app": "x"})" : std::string(R"({"type": ")") + c.type + "\"}";
    const auto parsed = commandsFrom(R"([{"id": 1, "name": "n", "action": )" + action + "}]");
    ASSERT_EQ(parsed.size(), 1u);
    Command handMade;
    if (c.type != nullptr) handMade.action = {{"type", c.type}};
    for (const Command* command : {parsed[0].get(), static_cast<const Command*>(&handMade)}) {
      EXPECT_EQ(command->isOfKind(kOpenApp | kCloseApp | kPet | kPlayMedia), c.kind != 0) << (c.type ? c.type : "none");
      EXPECT_EQ(command->isOfKind(c.kind), c.kind != 0) << (c.type ? c.type : "none");
      EXPECT_FALSE(command->isOfKind(kOpenFolder | kSearchVideo));
    }
  }
}

TEST(DefaultCorpus, CoversTheDesktopPetAndNamesTheMediaCommands) {
  const auto snapshot = defaultSnapshot();
  EXPECT_GE(snapshot->active.size(), 80u);
  std::set<std::string> llmNames;
  for (const CommandPtr& command : snapshot->active) {
    if (command->target == CommandTarget::Llm) llmNames.insert(command->name);
  }
  // The five media commands keep the names the LLM's command selection knows;
  // other LLM commands (calls, tickets, news…) only claim requests for that path.
  for (const char* name :
       {"指定音乐指令", "播放指定音乐指令", "播放指定视频指令", "搜索指定视频指令", "播放指定音乐或视频指令"}) {
    EXPECT_EQ(llmNames.count(name), 1u) << name;
  }
}

struct RouteCase {
  const char* query;
  CommandTarget target;
  int32_t commandId;  // -1: no command expected
};

TEST(Router, RoutesTypicalRequestsOfTheDefaultCorpus) {
  const RouteCase cases[] = {
      {"打开计算器", CommandTarget::Local, 101},
      {"帮我把wifi关掉", CommandTarget::Local, 402},
      {"现在几点了？", CommandTarget::Local, 451},
      {"开一下QQ", CommandTarget::Local, 109},  // the specific command beats "打开{app}"
      {"我想听周杰伦的晴天", CommandTarget::Llm, 601},
      {"你好呀", CommandTarget::Chat, 901},
      {"为什么天空是蓝色的", CommandTarget::Chat, -2},
      {"打开浏览器然后搜索天气", CommandTarget::Llm, -2},  // several steps
      {"", CommandTarget::Chat, -1},
  };
  const auto snapshot = defaultSnapshot();
  for (const RouteCase& c : cases) {
    const RouteDecision d = routeQuery(*snapshot, c.query);
    EXPECT_EQ(d.target, c.target) << c.query << ": " << d.reasoning;
    if (c.commandId >= 0) {
      ASSERT_TRUE(d.hasMatch) << c.query;
      EXPECT_EQ(d.best.command->id, c.commandId) << c.query;
    } else if (c.commandId == -1) {
      EXPECT_FALSE(d.hasMatch) << c.query;
    }
    for (double score : {d.scores.semantic, d.scores.complexity, d.scores.domainKeyword, d.scores.openEnded,
                         d.scores.entityMatch, d.confidence}) {
      EXPECT_GE(score, 0.0) << c.query;
      EXPECT_LE(score, 1.0) << c.query;
    }
  }
}

TEST(Router, PatternActionJoinsTheActionAndTheSlots) {
  const auto snapshot = defaultSnapshot();
  RouteDecision d = routeQuery(*snapshot, "把音量调到５０");
  EXPECT_EQ(d.target, CommandTarget::Local);
  ASSERT_TRUE(d.hasPatternAction);
  EXPECT_EQ(d.patternAction, (ActionFields{{"type", "volume"}, {"op", "set"}, {"level", "５０"}}));
  EXPECT_EQ(d.scores.entityMatch, 1.0);

  d = routeQuery(*snapshot, "帮我打开 Visual Studio Code 吧");
  ASSERT_TRUE(d.hasPatternAction) << d.reasoning;
  EXPECT_EQ(d.patternAction, (ActionFields{{"type", "open_app"}, {"app", "Visual Studio Code"}}));

  // A command chosen without a pattern still gives its action.
  d = routeQuery(*snapshot, "打开计算器");
  ASSERT_TRUE(d.hasPatternAction);
  EXPECT_EQ(d.patternAction, (ActionFields{{"type", "open_app"}, {"app", "calculator"}}));
}

// Small corpus: a generic open/close pair with English patterns, specific apps
// whose only link to "qq" / "wechat" is a keyword, and two video commands whose
// verbs differ.
std::shared_ptr<CorpusSnapshot> readingSnapshot() {
  return makeSnapshot(Config{}, commandsFrom(R"([
    {"id": 1, "name": "打开应用", "patterns": ["open {app}"], "action": {"type": "open_app"}},
    {"id": 2, "name": "关闭应用", "patterns": ["close {app}"], "action": {"type": "close_app"}},
    {"id": 3, "name": "打开QQ", "keywords": ["qq"], "action": {"type": "open_app", "app": "qq"}},
    {"id": 4, "name": "打开微信", "keywords": ["wechat"], "action": {"type": "open_app", "app": "wechat"}},
    {"id": 5, "name": "播放视频", "examples": ["放一下胡歌演的琅琊榜"], "target": "llm",
     "action": {"type": "play_video"}},
    {"id": 6, "name": "搜索视频", "examples": ["搜索一下赵丽颖演的电视剧"], "keywords": ["电视剧"], "target": "llm",
     "patterns": ["搜索{actor}演的{kind}"], "action": {"type": "search_video"}}])"),
                      {});
}

TEST(Router, SlotValuesFindTheCommandTheyNameOnlyForTheSameAction) {
  const auto snapshot = readingSnapshot();
  RouteDecision d = routeQuery(*snapshot, "ＯＰＥＮ　ＱＱ");
  ASSERT_TRUE(d.hasMatch);
  EXPECT_EQ(d.best.command->id, 3);
  EXPECT_TRUE(d.best.namedBySlot);
  // "wechat" names an open command, which a close request must not run.
  d = routeQuery(*snapshot, "close wechat");
  ASSERT_TRUE(d.hasMatch) << d.reasoning;
  EXPECT_EQ(d.best.command->id, 2);
  EXPECT_EQ(d.patternAction, (ActionFields{{"type", "close_app"}, {"app", "wechat"}}));
}

TEST(Router, WordsAroundTheSlotsDecideBetweenSimilarCommands) {
  const auto snapshot = readingSnapshot();
  RouteDecision d = routeQuery(*snapshot, "搜索胡歌演的琅琊榜");
  ASSERT_TRUE(d.hasMatch);
  EXPECT_EQ(d.best.command->id, 6) << d.reasoning;
  EXPECT_EQ(d.patternAction, (ActionFields{{"type", "search_video"}, {"actor", "胡歌"}, {"kind", "琅琊榜"}}));
  // "电视剧" captured by the search pattern is not a reason to switch commands.
  d = routeQuery(*snapshot, "搜索胡歌演的电视剧");
  EXPECT_EQ(d.best.command->id, 6) << d.reasoning;
  d = routeQuery(*snapshot, "放一下胡歌演的琅琊榜");
  EXPECT_EQ(d.best.command->id, 5) << d.reasoning;

  const auto weather = defaultSnapshot();
  d = routeQuery(*weather, "北京明天会下雨吗");
  ASSERT_TRUE(d.hasPatternAction) << d.reasoning;
  EXPECT_EQ(d.best.command->id, 458);
  d = routeQuery(*weather, "今天天气怎么样");
  EXPECT_EQ(d.best.command->id, 454);
  EXPECT_EQ(d.patternAction, (ActionFields{{"type", "weather"}, {"day", "today"}}));  // no city slot
}

TEST(Router, ThresholdAndWeightsDecideLocalRuns) {
  auto snapshot = std::make_shared<CorpusSnapshot>(*defaultSnapshot());
  EXPECT_EQ(routeQuery(*snapshot, "锁屏").target, CommandTarget::Local);
  snapshot->config.localThreshold = 1.0;
  EXPECT_EQ(routeQuery(*snapshot, "锁屏").target, CommandTarget::Llm);
  snapshot->config.localThreshold = 0.0;
  snapshot->config.weights = Weights{0, 0, 0, 1, 0};  // only "not open-ended" counts
  const RouteDecision d = routeQuery(*snapshot, "锁屏");
  EXPECT_EQ(d.target, CommandTarget::Local);
  EXPECT_DOUBLE_EQ(d.scores.combined, 1.0 - d.scores.openEnded);
}

// The keyword search finds what repeated find() finds, overlaps included, in
// one pass; a long periodic keyword in a long query once took
// length(query) x length(keyword) steps per route.
TEST(Occurrences, FindsEveryOverlappingOccurrenceLikeRepeatedFind) {
  const std::u32string texts[] = {U"", U"a", U"aaaaaa", U"abababab", U"打开打开打打开", U"aabaabaaab", U"xyz"};
  const std::u32string words[] = {U"a", U"aa", U"aaa", U"aba", U"打开", U"打打开", U"aab", U"aabaab", U"xyzw"};
  for (const auto& text : texts) {
    for (const auto& word : words) {
      std::vector<std::size_t> expected;
      for (std::size_t pos = text.find(word); pos != std::u32string::npos; pos = text.find(word, pos + 1)) {
        expected.push_back(pos);
      }
      std::vector<std::size_t> found;
      forEachOccurrence(text, word, [&](std::size_t pos) { found.push_back(pos); });
      EXPECT_EQ(found, expected) << toUtf8(word) << " in " << toUtf8(text);
    }
  }
}

TEST(Router, KeywordCoverageOfALongKeywordInALongQuery) {
  const std::u32string keyword(20000, U'啊');
  const auto snapshot = makeSnapshot(Config{},
                                     commandsFrom("[{\"id\":5,\"name\":\"啊啊打开\",\"keywords\":[\"" +
                                                  toUtf8(keyword) + "\"],\"patterns\":[\"啊啊{x}\"]}]"),
                                     {});
  const RouteDecision d = routeQuery(*snapshot, toUtf8(std::u32string(400000, U'啊')));
  ASSERT_FALSE(d.candidates.empty());
  EXPECT_EQ(d.candidates.front().command->id, 5);
  EXPECT_DOUBLE_EQ(d.candidates.front().keywordCoverage, 1.0);
}

TEST(Router, SurvivesInvalidUtf8AndHugeQueries) {
  const auto snapshot = defaultSnapshot();
  const RouteDecision d = routeQuery(*snapshot, "打开\xFF\xFE计算器\xE6\x89");
  EXPECT_EQ(d.best.command->id, 101);
  const std::string huge(200000, 'x');
  EXPECT_NO_THROW(routeQuery(*snapshot, huge));
}

}  // namespace
}  // namespace norvik
