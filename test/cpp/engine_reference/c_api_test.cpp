// The engine's C functions as intent_bridge calls them, through the shared library.
#include "norvik.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "simdjson.h"

namespace {

std::string route(const char* query) {
  std::vector<char> buffer(8192, 0);
  uint32_t length = 0;
  EXPECT_EQ(Norvik_Route(query, buffer.data(), 8192, &length), 0) << query;
  return std::string(buffer.data(), length);
}

std::string getConfig() {
  char buffer[1024];
  uint32_t length = 0;
  EXPECT_EQ(Norvik_GetConfig(buffer, sizeof buffer, &length), 0);
  return std::string(buffer, length);
}

simdjson::dom::element parse(simdjson::dom::parser& parser, const std::string& json) {
  simdjson::dom::element root;
  EXPECT_EQ(parser.parse(json).get(root), simdjson::SUCCESS) << json;
  return root;
}

std::filesystem::path writeTempFile(const std::string& name, const std::string& content) {
  const auto path = std::filesystem::temp_directory_path() / name;
  std::ofstream(path, std::ios::binary) << content;
  return path;
}

class EngineApi : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(Norvik_InitDefault(), 0); }
  void TearDown() override { Norvik_Destroy(); }
};

TEST(EngineLifecycle, CallsBeforeInitAndAfterDestroyReportNotInitialised) {
  Norvik_Destroy();
  char buffer[64];
  uint32_t length = 0;
  int32_t count = 0;
  double score = 0, raw = 0;
  int32_t id = 0;
  EXPECT_EQ(Norvik_GetCommandCount(), NORVIK_NOT_INITIALIZED);
  EXPECT_EQ(Norvik_Route("x", buffer, sizeof buffer, &length), NORVIK_NOT_INITIALIZED);
  EXPECT_EQ(Norvik_QuerySimilarity("x", 3, buffer, sizeof buffer, &length), NORVIK_NOT_INITIALIZED);
  EXPECT_EQ(Norvik_SemanticScore("x", &score, &raw, &id), NORVIK_NOT_INITIALIZED);
  EXPECT_EQ(Norvik_GetConfig(buffer, sizeof buffer, &length), NORVIK_NOT_INITIALIZED);
  EXPECT_EQ(Norvik_UpdateConfig("{}"), NORVIK_NOT_INITIALIZED);
  EXPECT_EQ(Norvik_AddCorpus("[]", 2, &count), NORVIK_NOT_INITIALIZED);
  EXPECT_EQ(Norvik_ClearUserCorpus(), NORVIK_NOT_INITIALIZED);
  EXPECT_STREQ(Norvik_Version(), "norvik-reference 1.0.0");
  ASSERT_EQ(Norvik_InitDefault(), 0);
  EXPECT_GE(Norvik_GetCommandCount(), 80);
  Norvik_Destroy();
  EXPECT_EQ(Norvik_GetCommandCount(), NORVIK_NOT_INITIALIZED);
}

TEST_F(EngineApi, RefusesNullPointersAndNegativeSizes) {
  char buffer[64];
  uint32_t length = 0;
  int32_t count = 0;
  double score = 0, raw = 0;
  int32_t id = 0;
  EXPECT_EQ(Norvik_Route(nullptr, buffer, sizeof buffer, &length), NORVIK_INVALID_ARGUMENT);
  EXPECT_EQ(Norvik_Route("x", buffer, -1, &length), NORVIK_INVALID_ARGUMENT);
  EXPECT_EQ(Norvik_Route("x", nullptr, 64, &length), NORVIK_INVALID_ARGUMENT);
  EXPECT_EQ(Norvik_Route("x", buffer, sizeof buffer, nullptr), NORVIK_INVALID_ARGUMENT);
  EXPECT_EQ(Norvik_QuerySimilarity(nullptr, 3, buffer, sizeof buffer, &length), NORVIK_INVALID_ARGUMENT);
  EXPECT_EQ(Norvik_SemanticScore("x", nullptr, &raw, &id), NORVIK_INVALID_ARGUMENT);
  EXPECT_EQ(Norvik_SemanticScore("x", &score, &raw, nullptr), NORVIK_INVALID_ARGUMENT);
  EXPECT_EQ(Norvik_GetConfig(buffer, -5, &length), NORVIK_INVALID_ARGUMENT);
  EXPECT_EQ(Norvik_UpdateConfig(nullptr), NORVIK_INVALID_ARGUMENT);
  EXPECT_EQ(Norvik_AddCorpus(nullptr, 3, &count), NORVIK_INVALID_ARGUMENT);
  EXPECT_EQ(Norvik_AddCorpus("[]", -1, &count), NORVIK_INVALID_ARGUMENT);
  EXPECT_EQ(Norvik_AddCorpus("[]", 2, nullptr), NORVIK_INVALID_ARGUMENT);
  EXPECT_EQ(Norvik_AddCorpusFromFile(nullptr, &count), NORVIK_INVALID_ARGUMENT);
  EXPECT_EQ(Norvik_InitFromFile(nullptr), NORVIK_INVALID_ARGUMENT);
}

TEST_F(EngineApi, ReportsTheNeededLengthAndNeverWritesPastCapacity) {
  const std::string full = route("打开计算器");
  for (const int32_t capacity : {0, 1, static_cast<int32_t>(full.size())}) {
    std::vector<char> buffer(full.size() + 16, '#');
    uint32_t length = 0;
    EXPECT_EQ(Norvik_Route("打开计算器", capacity == 0 ? nullptr : buffer.data(), capacity, &length),
              NORVIK_BUFFER_TOO_SMALL);
    EXPECT_EQ(length, full.size());
    EXPECT_EQ(std::string(buffer.begin(), buffer.end()), std::string(buffer.size(), '#'));
  }
  std::vector<char> exact(full.size() + 2, '#');
  uint32_t length = 0;
  ASSERT_EQ(Norvik_Route("打开计算器", exact.data(), static_cast<int32_t>(full.size() + 1), &length), 0);
  EXPECT_EQ(std::string(exact.data()), full);
  EXPECT_EQ(exact.back(), '#');

  char small[16];
  EXPECT_EQ(Norvik_GetConfig(small, sizeof small, &length), NORVIK_BUFFER_TOO_SMALL);
  EXPECT_EQ(length, getConfig().size());
}

TEST_F(EngineApi, RouteReplyHasTheDocumentedShape) {
  simdjson::dom::parser parser;
  const auto reply = parse(parser, route("把音量调到30"));
  EXPECT_EQ(std::string_view(reply["target"]), "local");
  EXPECT_GT(double(reply["confidence"]), 0.0);
  EXPECT_FALSE(std::string_view(reply["reasoning"]).empty());
  for (const char* score : {"semantic", "complexity", "domainKeyword", "openEnded", "entityMatch"}) {
    const double value = reply["scores"][score];
    EXPECT_GE(value, 0.0) << score;
    EXPECT_LE(value, 1.0) << score;
  }
  EXPECT_EQ(int64_t(reply["matchedCommand"]["id"]), 205);
  EXPECT_EQ(std::string_view(reply["matchedCommand"]["name"]), "设置音量");
  EXPECT_EQ(std::string_view(reply["patternAction"]["level"]), "30");

  simdjson::dom::parser other;
  const auto chat = parse(other, route("你觉得人生的意义是什么？"));
  EXPECT_EQ(std::string_view(chat["target"]), "chat");
  // The chosen command's action, also without a pattern; null only when no command is chosen.
  EXPECT_EQ(std::string_view(chat["matchedCommand"]["name"]), "闲聊观点");
  EXPECT_EQ(std::string_view(chat["patternAction"]["topic"]), "opinion");
  const auto nothing = parse(other, route("🙂"));
  EXPECT_TRUE(nothing["matchedCommand"].is_null());
  EXPECT_TRUE(nothing["patternAction"].is_null());
}

TEST_F(EngineApi, EscapesUserTextInReplies) {
  const std::string corpus =
      R"([{"id": 77, "name": "引号\"反斜杠\\换行\n控制\u0001", "examples": ["奇怪的命令"],
          "patterns": ["奇怪的{what}"], "action": {"k\"ey": "v"}}])";
  int32_t count = 0;
  ASSERT_EQ(Norvik_AddCorpus(corpus.c_str(), static_cast<int32_t>(corpus.size()), &count), 0);
  const std::string reply = route("奇怪的a\"\x01\xFF\\b");
  simdjson::dom::parser parser;
  const auto root = parse(parser, reply);
  EXPECT_EQ(std::string_view(root["matchedCommand"]["name"]), "引号\"反斜杠\\换行\n控制\x01");
  EXPECT_EQ(std::string_view(root["patternAction"]["k\"ey"]), "v");
  EXPECT_EQ(std::string_view(root["patternAction"]["what"]), "a\"\x01\xEF\xBF\xBD\\b");  // U+FFFD
}

TEST_F(EngineApi, SimilarityListsBestFirstAndHonoursTopK) {
  char buffer[4096];
  uint32_t length = 0;
  ASSERT_EQ(Norvik_QuerySimilarity("打开蓝牙", 3, buffer, sizeof buffer, &length), 0);
  simdjson::dom::parser parser;
  const auto matches = parse(parser, std::string(buffer, length))["matches"].get_array().value();
  ASSERT_EQ(matches.size(), 3u);
  EXPECT_EQ(int64_t(matches.at(0)["id"]), 403);
  EXPECT_DOUBLE_EQ(double(matches.at(0)["similarity"]), 1.0);
  EXPECT_GE(double(matches.at(1)["similarity"]), double(matches.at(2)["similarity"]));
  for (const int32_t topK : {0, -7}) {
    ASSERT_EQ(Norvik_QuerySimilarity("打开蓝牙", topK, buffer, sizeof buffer, &length), 0);
    EXPECT_EQ(std::string(buffer, length), R"({"matches":[]})");
  }
  ASSERT_EQ(Norvik_QuerySimilarity("打开蓝牙", 40, buffer, sizeof buffer, &length), 0);  // fits 4096

  double score = 0, raw = 0;
  int32_t id = 0;
  ASSERT_EQ(Norvik_SemanticScore("开启蓝牙", &score, &raw, &id), 0);
  EXPECT_EQ(id, 403);
  EXPECT_GT(score, 0.5);
  EXPECT_GT(raw, 0.0);
  ASSERT_EQ(Norvik_SemanticScore("！！", &score, &raw, &id), 0);
  EXPECT_EQ(id, -1);
  EXPECT_EQ(score, 0.0);
}

TEST_F(EngineApi, UserCommandsAreAddedReplacedAndCleared) {
  const int32_t base = Norvik_GetCommandCount();
  const std::string first = R"({"commands": [{"id": 5001, "name": "喂猫", "examples": ["给猫喂食"]},
                                           {"id": 403, "name": "蓝牙开关", "examples": ["切换蓝牙"]}]})";
  int32_t count = -1;
  ASSERT_EQ(Norvik_AddCorpus(first.c_str(), static_cast<int32_t>(first.size()), &count), 0);
  EXPECT_EQ(count, 2);
  EXPECT_EQ(Norvik_GetCommandCount(), base + 1);  // 403 replaced a built-in command
  EXPECT_NE(route("给猫喂食").find("\"id\":5001"), std::string::npos);

  const std::string again = R"([{"id": 5001, "name": "喂狗", "examples": ["给狗喂食"]}])";
  const auto path = writeTempFile("norvik_user_corpus.json", again);
  ASSERT_EQ(Norvik_AddCorpusFromFile(path.u8string().c_str(), &count), 0);
  EXPECT_EQ(count, 1);
  EXPECT_EQ(Norvik_GetCommandCount(), base + 1);
  EXPECT_NE(route("给狗喂食").find("喂狗"), std::string::npos);

  ASSERT_EQ(Norvik_ClearUserCorpus(), 0);
  EXPECT_EQ(Norvik_GetCommandCount(), base);
  EXPECT_NE(route("打开蓝牙").find("\"name\":\"打开蓝牙\""), std::string::npos);  // built-in is back
  std::filesystem::remove(path);
}

TEST_F(EngineApi, FailedCallsChangeNothing) {
  const std::string good = R"([{"id": 6001, "name": "浇花", "examples": ["给花浇水"]}])";
  int32_t count = 0;
  ASSERT_EQ(Norvik_AddCorpus(good.c_str(), static_cast<int32_t>(good.size()), &count), 0);
  ASSERT_EQ(Norvik_UpdateConfig(R"({"localThreshold":0.3})"), 0);
  const int32_t commands = Norvik_GetCommandCount();
  const std::string config = getConfig();

  // A corpus whose second command is invalid adds nothing, not even its first.
  const std::string bad = R"({"config": {"verbose": true}, "commands": [{"id": 6002, "name": "扫地"}, {"id": 6003}]})";
  count = 99;
  EXPECT_EQ(Norvik_AddCorpus(bad.c_str(), static_cast<int32_t>(bad.size()), &count), NORVIK_BAD_INPUT);
  EXPECT_EQ(count, 99);
  EXPECT_EQ(Norvik_AddCorpus("", 0, &count), NORVIK_BAD_INPUT);
  EXPECT_EQ(Norvik_UpdateConfig(R"({"localThreshold":0.9,"weights":{"semantic":-1}})"), NORVIK_INVALID_ARGUMENT);
  EXPECT_EQ(Norvik_UpdateConfig("{not json"), NORVIK_BAD_INPUT);
  EXPECT_EQ(Norvik_InitFromFile("/no/such/norvik/corpus.json"), NORVIK_BAD_INPUT);
  const auto broken = writeTempFile("norvik_broken.json", R"({"commands": [{"id": 1, "name": "x"},)");
  EXPECT_EQ(Norvik_InitFromFile(broken.u8string().c_str()), NORVIK_BAD_INPUT);
  std::filesystem::remove(broken);

  EXPECT_EQ(Norvik_GetCommandCount(), commands);
  EXPECT_EQ(getConfig(), config);
  EXPECT_NE(route("给花浇水").find("浇花"), std::string::npos);
}

TEST_F(EngineApi, InitFromFileReplacesCorpusAndConfig) {
  const auto path = writeTempFile("norvik_init.json", R"({"config": {"localThreshold": 0.25, "verbose": true},
      "commands": [{"id": 1, "name": "开灯", "examples": ["把灯打开"]}, {"id": 2, "name": "关灯"}]})");
  ASSERT_EQ(Norvik_InitFromFile(path.u8string().c_str()), 0);
  EXPECT_EQ(Norvik_GetCommandCount(), 2);
  EXPECT_EQ(getConfig().rfind(R"({"localThreshold":0.25,"verbose":true,)", 0), 0u);
  EXPECT_NE(route("把灯打开").find("\"candidates\""), std::string::npos);  // verbose replies
  std::filesystem::remove(path);
}

TEST_F(EngineApi, ConfigRoundTripsThroughTheModulesText) {
  ASSERT_EQ(Norvik_UpdateConfig(
                R"({"localThreshold":0.600000,"verbose":true,"weights":{"semantic":0.500000,"entityMatch":0.100000}})"),
            0);
  simdjson::dom::parser parser;
  const auto config = parse(parser, getConfig());
  EXPECT_DOUBLE_EQ(double(config["localThreshold"]), 0.6);
  EXPECT_TRUE(bool(config["verbose"]));
  EXPECT_DOUBLE_EQ(double(config["weights"]["semantic"]), 0.5);
  EXPECT_DOUBLE_EQ(double(config["weights"]["entityMatch"]), 0.1);
  EXPECT_DOUBLE_EQ(double(config["weights"]["complexity"]), 0.1);
  ASSERT_EQ(Norvik_UpdateConfig("{}"), 0);
  simdjson::dom::parser again;
  EXPECT_DOUBLE_EQ(double(parse(again, getConfig())["localThreshold"]), 0.6);
}

TEST_F(EngineApi, LastErrorMessageIsPerThreadAndEmptyAfterASuccess) {
  EXPECT_STREQ(Norvik_LastErrorMessage(), "");
  ASSERT_EQ(Norvik_UpdateConfig(R"({"verbose":1})"), NORVIK_INVALID_ARGUMENT);
  std::string other;
  std::thread([&other] {
    Norvik_Route(nullptr, nullptr, 0, nullptr);
    other = Norvik_LastErrorMessage();
  }).join();
  EXPECT_EQ(other, "query is null");
  Norvik_Version();  // leaves the text alone
  EXPECT_STREQ(Norvik_LastErrorMessage(), "\"verbose\" must be true or false (got 1)");
  char small[8];
  uint32_t length = 0;
  ASSERT_EQ(Norvik_GetConfig(small, sizeof small, &length), NORVIK_BUFFER_TOO_SMALL);
  EXPECT_EQ(std::string(Norvik_LastErrorMessage()),
            "the reply needs " + std::to_string(length + 1) + " bytes with its NUL; the buffer holds 8");
  ASSERT_GE(Norvik_GetCommandCount(), 1);
  EXPECT_STREQ(Norvik_LastErrorMessage(), "");
}

}  // namespace
