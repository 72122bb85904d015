// How the reference engine reads a request before it trusts a command with the
// user's machine: risk classes, question forms, media titles, names to open,
// slot values, and the words a command must explain.
#include <gtest/gtest.h>

#include "colloquial_words.h"
#include "corpus_parser.h"
#include "corpus_snapshot.h"
#include "default_corpus.h"
#include "media_request.h"
#include "name_kind.h"
#include "open_request.h"
#include "pattern.h"
#include "query_form.h"
#include "risk_class.h"
#include "risk_defaults.h"
#include "risk_gate.h"
#include "router.h"
#include "simdjson.h"
#include "text_normalizer.h"
#include "deskpet/utf8.h"
#include "norvik.h"

namespace norvik {
namespace {

using deskpet::toUtf8;

TEST(RiskClass, EveryBuiltInCommandStatesItsClassAndTheTableIsWhole) {
  RiskRules rules;
  std::string error;
  ASSERT_TRUE(parseRiskRules(riskDefaultsJson(), rules, error)) << error;
  EXPECT_FALSE(rules.rules.empty());
  simdjson::dom::parser parser;
  const simdjson::padded_string json(defaultCorpusJson());
  for (simdjson::dom::element command : parser.parse(json)["commands"].get_array()) {
    std::string_view risk;
    EXPECT_EQ(command["risk"].get_string().get(risk), simdjson::SUCCESS) << command["name"];
    EXPECT_TRUE(parseRiskName(risk).has_value()) << command["name"];
  }
}

TEST(RiskClass, DefaultsComeFromTheFirstMatchingRuleAndDelegatedCommandsChangeNothing) {
  RiskRules rules;
  std::string error;
  ASSERT_TRUE(parseRiskRules(R"({"rules": [{"type": "power", "op": "lock", "risk": "change"},
                                          {"type": "power", "risk": "destructive"},
                                          {"type": "query", "risk": "none"}], "otherwise": "change"})",
                             rules, error))
      << error;
  const struct {
    ActionFields action;
    CommandTarget target;
    RiskClass risk;
  } cases[] = {
      {{{"type", "power"}, {"op", "lock"}}, CommandTarget::Local, RiskClass::Change},
      {{{"type", "power"}, {"op", "shutdown"}}, CommandTarget::Local, RiskClass::Destructive},
      {{{"op", "lock"}, {"type", "power"}}, CommandTarget::Local, RiskClass::Change},  // order of members is free
      {{{"type", "query"}, {"what", "time"}}, CommandTarget::Local, RiskClass::None},
      {{{"type", "volume"}}, CommandTarget::Local, RiskClass::Change},  // otherwise
      {{}, CommandTarget::Local, RiskClass::Change},
      {{{"type", "power"}}, CommandTarget::Llm, RiskClass::None},
      {{{"type", "power"}}, CommandTarget::Chat, RiskClass::None},
  };
  for (const auto& c : cases) EXPECT_EQ(defaultRisk(rules, c.action, c.target), c.risk);

  for (const char* bad :
       {R"({"rules": []})", R"({"rules": [{"type": "x"}], "otherwise": "none"})",
        R"({"rules": [], "otherwise": "harmless"})", R"({"rules": [{"risk": 1}], "otherwise": "none"})"}) {
    EXPECT_FALSE(parseRiskRules(bad, rules, error)) << bad;
  }
}

TEST(RiskClass, TheCorpusMemberOverridesTheDefaultAndIsChecked) {
  ParsedCorpus parsed;
  std::string error;
  ASSERT_EQ(parseCorpus(R"([{"id": 1, "name": "关机", "action": {"type": "power", "op": "shutdown"}, "risk": "none"},
                            {"id": 2, "name": "关机二", "action": {"type": "power", "op": "shutdown"}},
                            {"id": 3, "name": "聊天", "action": {"type": "power"}, "target": "chat"}])",
                        Config{}, parsed, error),
            NORVIK_OK)
      << error;
  EXPECT_EQ(parsed.commands[0]->risk, RiskClass::None);
  EXPECT_EQ(parsed.commands[1]->risk, RiskClass::Destructive);
  EXPECT_EQ(parsed.commands[2]->risk, RiskClass::None);
  EXPECT_EQ(parseCorpus(R"([{"id": 1, "name": "a", "risk": "harmless"}])", Config{}, parsed, error), NORVIK_BAD_INPUT);
  EXPECT_EQ(parseCorpus(R"([{"id": 1, "name": "a", "risk": 2}])", Config{}, parsed, error), NORVIK_BAD_INPUT);
}

TEST(QueryForm, TellsQuestionsAboutAThingFromQuestionsAndPoliteRequests) {
  const struct {
    const char* query;
    QuestionKind question;
    bool polite;
    std::size_t negations;
  } cases[] = {
      {"怎么关机", QuestionKind::About, false, 0},
      {"关机是什么意思", QuestionKind::About, false, 0},
      {"微信是干啥的", QuestionKind::About, false, 0},
      {"得了皮肤病怎么办", QuestionKind::About, false, 0},
      {"为什么电脑这么卡", QuestionKind::About, false, 0},
      {"天气怎么样", QuestionKind::Asking, false, 0},
      {"明天会下雨吗", QuestionKind::Asking, false, 0},
      {"电量还有多少", QuestionKind::Asking, false, 0},
      {"能不能帮我打开微信", QuestionKind::None, true, 0},
      {"你能帮我关电脑吗", QuestionKind::None, true, 0},
      {"帮我关机好吗", QuestionKind::None, true, 0},
      {"屏幕太亮对眼睛不好吗", QuestionKind::Asking, false, 1},
      {"打开计算器", QuestionKind::None, false, 0},
      {"别关电脑", QuestionKind::None, false, 1},
      {"我不想关机", QuestionKind::None, false, 1},
      {"是不是要下雨了", QuestionKind::Asking, false, 0},  // 不 in 是不是 asks, it does not negate
      {"北京冷不冷", QuestionKind::Asking, false, 0},      // A-not-A asks without a question word
      {"你喜欢不喜欢我", QuestionKind::Asking, false, 0},
      {"明天下雨不", QuestionKind::Asking, false, 0},  // a final 不 or 没有 asks too
      {"快递到了没有", QuestionKind::Asking, false, 0},
      {"这首不好听换一首", QuestionKind::None, false, 1},
  };
  for (const auto& c : cases) {
    const QueryForm form = readQueryForm(c.query, normalizeText(c.query).chars);
    EXPECT_EQ(form.question, c.question) << c.query;
    EXPECT_EQ(form.politeRequest, c.polite) << c.query;
    EXPECT_EQ(form.negations.size(), c.negations) << c.query;
  }
}

// The form is read at every position of a long query as of a short one: words
// before what a query says move what is read, and change nothing else.
TEST(QueryForm, ReadsLongQueriesLikeShortOnes) {
  const auto shifted = [](std::vector<std::size_t> positions, std::size_t by) {
    for (std::size_t& pos : positions) pos += by;
    return positions;
  };
  for (const std::size_t padding : {std::size_t{58}, std::size_t{70}}) {
    std::string prefix;
    for (std::size_t i = 0; i < padding; ++i) prefix += "的";
    for (const char* query : {"别关电脑", "我不想关机", "北京冷不冷", "怎么关机", "声音有点大", "电脑刚才自己重启了",
                              "我要睡觉了", "是不是要下雨了", "快递到了没有"}) {
      const QueryForm form = readQueryForm(query, normalizeText(query).chars);
      const std::string longQuery = prefix + query;
      const QueryForm longForm = readQueryForm(longQuery, normalizeText(longQuery).chars);
      EXPECT_EQ(longForm.question, form.question) << query;
      EXPECT_EQ(longForm.questionWords, form.questionWords) << query;
      EXPECT_EQ(longForm.questionAt, form.questionAt + (form.questionWords.empty() ? 0 : padding)) << query;
      EXPECT_EQ(longForm.wish, form.wish) << query;
      EXPECT_EQ(longForm.negations, shifted(form.negations, padding)) << query;
      EXPECT_EQ(longForm.speakerVerbs, shifted(form.speakerVerbs, padding)) << query;
      EXPECT_EQ(longForm.reports, shifted(form.reports, padding)) << query;
      EXPECT_EQ(longForm.states, shifted(form.states, padding)) << query;
    }
  }
}

// Clauses come from the marks between Chinese words; a self-correction, and 我
// as the subject of a verb, are read from the words.
TEST(QueryForm, ReadsClausesCorrectionsAndWhatTheSpeakerDoes) {
  const auto read = [](const char* raw) {
    const NormalizedText text = normalizeText(raw);
    QueryForm form = readQueryForm(raw, text.chars);
    readClauses(text.chars, text.byteBegin, text.byteEnd, form);
    return form;
  };
  EXPECT_EQ(read("孩子睡了 声音小点").clauseStarts, (std::vector<std::size_t>{0, 4}));
  EXPECT_TRUE(read("打开 Visual Studio").clauseStarts.empty());  // a space before a name starts no clause
  EXPECT_EQ(read("帮我打开微信 不对 打开QQ").correctedFrom, 8u);
  EXPECT_EQ(read("打开记事本，哦不，计算器").correctedFrom, 7u);
  EXPECT_EQ(read("这个答案不对吧").correctedFrom, 0u);  // nothing follows the correction
  EXPECT_EQ(read("这不是我要的").correctedFrom, 0u);    // 不是 inside a clause corrects nothing
  EXPECT_EQ(read("我要睡觉了").speakerVerbs, (std::vector<std::size_t>{2}));
  EXPECT_TRUE(read("陪我跳个舞").speakerVerbs.empty());  // 我 as an object
  std::u32string days = normalizeText("明儿个今儿冷吗").chars;
  EXPECT_TRUE(readColloquialWords(days));
  EXPECT_EQ(days, normalizeText("明天个今天冷吗").chars);
}

TEST(MediaRequest, KeepsTitlesWholeAndTellsProgrammesFromSongs) {
  const struct {
    const char* query;
    bool media;
    MediaKind kind;
    const char* title;
  } cases[] = {
      {"播放非诚勿扰", true, MediaKind::Either, "非诚勿扰"},
      {"看中国好声音", true, MediaKind::Video, "中国好声音"},
      {"放歌，天亮了", true, MediaKind::Music, "天亮了"},
      {"播放一首稻香", true, MediaKind::Music, "稻香"},
      {"来首晴天吧", true, MediaKind::Music, "晴天"},
      {"我想听重庆新闻", true, MediaKind::Spoken, "重庆新闻"},
      {"切换到湖南卫视", true, MediaKind::Channel, "湖南卫视"},
      {"来点轻音乐", true, MediaKind::Either, "轻音乐"},  // a genre is something to look for
      {"放首歌", false, MediaKind::Either, ""},           // no title
      {"我想听故事", false, MediaKind::Either, ""},       // stories are for chat
      {"放大一点", false, MediaKind::Either, ""},         // 放大 is no media verb
      {"切换到深色模式", false, MediaKind::Either, ""},   // switching to no channel
      {"听不清", false, MediaKind::Either, ""},
  };
  for (const auto& c : cases) {
    const std::u32string query = normalizeText(c.query).chars;
    const auto request = readMediaRequest(query);
    ASSERT_EQ(request.has_value(), c.media) << c.query;
    if (!request) continue;
    EXPECT_EQ(request->kind, c.kind) << c.query;
    EXPECT_EQ(toUtf8(query.substr(request->titleBegin, request->titleEnd - request->titleBegin)), c.title) << c.query;
  }
}

TEST(OpenRequest, ReadsTheNameAndWhetherItIsASiteOrAnApp) {
  const struct {
    const char* query;
    const char* name;  // nullptr: no open request
    bool website;
    NameKind kind;
  } cases[] = {
      {"打开熊猫看书", "熊猫看书", false, NameKind::App},
      {"帮我开捕鱼达人", "捕鱼达人", false, NameKind::App},
      {"把腾讯文档打开", "腾讯文档", false, NameKind::App},
      {"微信打开一下", "微信", false, NameKind::App},
      {"打开淘宝网", "淘宝网", true, NameKind::App},
      {"打开苹果官网", "苹果", true, NameKind::App},
      {"打开百度网盘", "百度网盘", false, NameKind::App},
      {"打开客厅的空调", "客厅的空调", false, NameKind::Description},
      {"打开加湿器", "加湿器", false, NameKind::Device},
      {"打开D盘", "d盘", false, NameKind::File},
      {"打开微信付款码", "微信付款码", false, NameKind::Feature},
      {"打开省电模式", "省电模式", false, NameKind::Feature},
      {"关闭所有窗口", nullptr, false, NameKind::App},
      {"开会", nullptr, false, NameKind::App},
      {"开个玩笑", nullptr, false, NameKind::App},
      {"上班", nullptr, false, NameKind::App},
  };
  for (const auto& c : cases) {
    const std::u32string query = normalizeText(c.query).chars;
    const auto request = readOpenRequest(query);
    ASSERT_EQ(request.has_value(), c.name != nullptr) << c.query;
    if (!request) continue;
    const std::u32string name = query.substr(request->nameBegin, request->nameEnd - request->nameBegin);
    EXPECT_EQ(toUtf8(name), c.name) << c.query;
    EXPECT_EQ(request->website, c.website) << c.query;
    EXPECT_EQ(classifyName(name), c.kind) << c.query;
  }
  EXPECT_EQ(classifyName(normalizeText("除了微信以外的所有窗口").chars), NameKind::Description);
}

TEST(SlotTrimming, MeasureWordsAndFillersAreNoPartOfAValue) {
  const struct {
    const char* pattern;
    const char* query;
    const char* value;
  } cases[] = {
      {"设个{duration:time}的计时器", "设个一个25分钟的计时器", "25分钟"},
      {"播放{title}", "播放一首稻香", "稻香"},
      {"播放{title}", "播放那首晴天吧", "晴天"},
      {"打开{app}", "打开个税", "个税"},                    // a word that starts with a measure word
      {"{time:time}后关机", "一个小时后关机", "一个小时"},  // 小时 alone holds no numeral
      {"播放{title}", "播放一个人", "一个人"},              // nothing is left of a bare measure word
      {"{city:place}天气", "首尔天气", "首尔"},
  };
  for (const auto& c : cases) {
    std::string error;
    const auto pattern = parsePattern(c.pattern, error);
    ASSERT_TRUE(pattern) << error;
    const auto slots = matchPattern(*pattern, normalizeText(c.query), c.query);
    ASSERT_TRUE(slots) << c.query;
    EXPECT_EQ(slots->front().second, c.value) << c.query;
  }
  std::string error;
  const auto foreign = parsePattern("{text:foreign}是什么意思", error);
  ASSERT_TRUE(foreign) << error;
  EXPECT_TRUE(matchPattern(*foreign, normalizeText("hello是什么意思"), "hello是什么意思"));
  EXPECT_FALSE(matchPattern(*foreign, normalizeText("关机是什么意思"), "关机是什么意思"));
}

// Each level of the risk gate asks at least what the level before asks: over a
// grid of evidence, whatever a stricter level admits, every looser level admits
// too; and the engine's level holds back a rival, a request that names no thing
// of the command, and a loose destructive match.
TEST(RiskGate, EachLevelAsksAtLeastWhatTheLevelBeforeAsks) {
  const QueryForm request;
  std::size_t admitted = 0;
  for (const RiskClass risk : {RiskClass::Change, RiskClass::Destructive}) {
    for (int step = 0; step <= 16; ++step) {
      for (std::size_t explained = 2; explained <= 4; ++explained) {
        for (int flags = 0; flags < 16; ++flags) {
          Evidence e;
          e.similarity = 0.2 + 0.05 * step;
          e.coverage.content = 4;
          e.coverage.explained = explained;
          e.keywordHeld = (flags & 1) != 0;
          e.thingNamed = (flags & 2) != 0;
          e.rivalFits = (flags & 4) != 0;
          e.alternative = (flags & 8) != 0;
          bool stricterAdmits = false;
          for (int level = kStrictnessLevels - 1; level >= 0; --level) {
            const bool admits = admitLocalRun(risk, e, request, strictnessLevel(level)).run;
            EXPECT_TRUE(admits || !stricterAdmits) << "level " << level << ", similarity " << e.similarity;
            stricterAdmits = admits;
            admitted += admits ? 1 : 0;
          }
        }
      }
    }
  }
  EXPECT_GT(admitted, 0u);
  const Strictness& chosen = strictnessLevel(kDefaultStrictness);
  Evidence e;
  e.similarity = 0.8;
  e.coverage.content = e.coverage.explained = 3;
  e.keywordHeld = e.thingNamed = true;
  EXPECT_TRUE(admitLocalRun(RiskClass::Change, e, request, chosen).run);
  e.rivalFits = true;
  EXPECT_FALSE(admitLocalRun(RiskClass::Change, e, request, chosen).run);
  e.rivalFits = e.thingNamed = false;
  EXPECT_FALSE(admitLocalRun(RiskClass::Change, e, request, chosen).run);
  e.thingNamed = true;
  e.similarity = 0.5;
  EXPECT_FALSE(admitLocalRun(RiskClass::Destructive, e, request, chosen).run);
  EXPECT_TRUE(admitLocalRun(RiskClass::Destructive, e, request, strictnessLevel(0)).run);
}

// A user command named like a built-in one replaces it, and the route says so.
TEST(Snapshot, AUserCommandWithABuiltInNameReplacesIt) {
  ParsedCorpus base;
  ParsedCorpus user;
  std::string error;
  ASSERT_EQ(parseCorpus(R"([{"id": 1, "name": "截图", "examples": ["截个图"], "action": {"type": "screenshot"}},
                            {"id": 2, "name": "锁屏", "action": {"type": "power", "op": "lock"}}])",
                        Config{}, base, error),
            NORVIK_OK);
  ASSERT_EQ(parseCorpus(R"([{"id": 9, "name": " 截图！", "examples": ["截个图"], "action": {"type": "my_capture"}}])",
                        Config{}, user, error),
            NORVIK_OK);
  const auto snapshot = makeSnapshot(Config{}, base.commands, user.commands);
  EXPECT_EQ(snapshot->active.size(), 2u);
  const RouteDecision d = routeQuery(*snapshot, "截个图");
  ASSERT_TRUE(d.hasMatch) << d.reasoning;
  EXPECT_EQ(d.best.command->id, 9);
  EXPECT_NE(d.reasoning.find("replaces the built-in command of the same name"), std::string::npos) << d.reasoning;
}

}  // namespace
}  // namespace norvik
