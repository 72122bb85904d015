// The reference engine on byte strings that are not UTF-8: stray continuation
// bytes, overlong forms, encoded surrogates, code points past U+10FFFF and
// sequences cut off at the end. Matching skips such bytes; every reply stays
// valid JSON and valid UTF-8; text that must be JSON (corpus, configuration)
// is refused without changing the engine.
#include "norvik.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "simdjson.h"

namespace {

// Invalid sequences, each with a comment of what it is.
const std::vector<std::string> kInvalid = {
    "\x80",                  // continuation byte without a lead
    "\xC0\xAF",              // overlong '/'
    "\xE0\x80\xAF",          // overlong, three bytes
    "\xED\xA0\x80",          // encoded high surrogate
    "\xF4\x90\x80\x80",      // past U+10FFFF
    "\xF8\x88\x80\x80\x80",  // five-byte form
    "\xFF\xFE",              // never valid
    "\xE6\x89",              // cut off (start of 打)
};

std::string reply(int32_t (*call)(const char*, char*, int32_t, uint32_t*), const std::string& query) {
  std::vector<char> buffer(1 << 16, 0);
  uint32_t length = 0;
  EXPECT_EQ(call(query.c_str(), buffer.data(), static_cast<int32_t>(buffer.size()), &length), 0);
  return std::string(buffer.data(), length);
}

int32_t similarityTop5(const char* query, char* out, int32_t capacity, uint32_t* length) {
  return Norvik_QuerySimilarity(query, 5, out, capacity, length);
}

std::string routeReply(const std::string& query) {
  return reply(Norvik_Route, query);
}
std::string similarityReply(const std::string& query) {
  return reply(similarityTop5, query);
}

// simdjson refuses invalid UTF-8 as well as malformed JSON.
bool isValidJson(const std::string& text) {
  simdjson::dom::parser parser;
  simdjson::dom::element root;
  return parser.parse(text).get(root) == simdjson::SUCCESS;
}

class HostileEngineInput : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(Norvik_InitDefault(), 0); }
  void TearDown() override { Norvik_Destroy(); }
};

TEST_F(HostileEngineInput, InvalidBytesAreSkippedByMatching) {
  const std::string clean = "打开记事本";
  for (const std::string& bad : kInvalid) {
    // Between characters and at both ends: the same reply as the clean text.
    const std::string query = bad + "打开" + bad + "记事本" + bad;
    EXPECT_EQ(routeReply(query), routeReply(clean)) << query;
    EXPECT_EQ(similarityReply(query), similarityReply(clean)) << query;
    double score = 0, raw = 0, cleanScore = 0, cleanRaw = 0;
    int32_t id = -1, cleanId = -1;
    ASSERT_EQ(Norvik_SemanticScore(query.c_str(), &score, &raw, &id), 0);
    ASSERT_EQ(Norvik_SemanticScore(clean.c_str(), &cleanScore, &cleanRaw, &cleanId), 0);
    EXPECT_EQ(id, cleanId);
    EXPECT_DOUBLE_EQ(score, cleanScore);
  }
}

TEST_F(HostileEngineInput, QueriesOfNothingButInvalidBytesGetValidReplies) {
  std::string all;
  for (const std::string& bad : kInvalid) all += bad;
  for (const std::string& query : {all, std::string(100000, '\xFF'), std::string("\xE6")}) {
    EXPECT_TRUE(isValidJson(routeReply(query)));
    EXPECT_EQ(similarityReply(query), R"({"matches":[]})");
  }
}

TEST_F(HostileEngineInput, InvalidBytesCapturedInASlotBecomeReplacementCharacters) {
  for (const std::string& bad : kInvalid) {
    const std::string text = routeReply("搜索一下红" + bad + "烧肉");
    ASSERT_TRUE(isValidJson(text)) << text;
    simdjson::dom::parser parser;
    std::string_view query;
    ASSERT_EQ(parser.parse(text)["patternAction"]["query"].get_string().get(query), simdjson::SUCCESS) << text;
    EXPECT_EQ(query.substr(0, 3), "红");
    EXPECT_NE(query.find("\xEF\xBF\xBD"), std::string_view::npos) << text;
    EXPECT_EQ(query.substr(query.size() - 6), "烧肉");
  }
}

TEST_F(HostileEngineInput, CorpusAndConfigurationTextMustBeUtf8) {
  const int32_t before = Norvik_GetCommandCount();
  const std::string config = reply([](const char*, char* out, int32_t capacity,
                                      uint32_t* length) { return Norvik_GetConfig(out, capacity, length); },
                                   "");
  for (const std::string& bad : kInvalid) {
    const std::string corpus = R"([{"id":77001,"name":"打开)" + bad + R"(画图"}])";
    int32_t count = -9;
    EXPECT_EQ(Norvik_AddCorpus(corpus.c_str(), static_cast<int32_t>(corpus.size()), &count), -3) << corpus;
    EXPECT_EQ(count, -9);
    const std::string update = R"({"verbose":true,")" + bad + R"(":1})";
    EXPECT_EQ(Norvik_UpdateConfig(update.c_str()), -3) << update;
  }
  EXPECT_EQ(Norvik_GetCommandCount(), before);
  EXPECT_EQ(reply([](const char*, char* out, int32_t capacity,
                     uint32_t* length) { return Norvik_GetConfig(out, capacity, length); },
                  ""),
            config);
}

TEST_F(HostileEngineInput, FilePathsThatAreNotUtf8AreRefused) {
  const int32_t before = Norvik_GetCommandCount();
  for (const std::string& bad : kInvalid) {
    const std::string path = "no-such-dir-" + bad + "/corpus.json";
    int32_t count = -9;
    EXPECT_NE(Norvik_AddCorpusFromFile(path.c_str(), &count), 0);
    EXPECT_EQ(count, -9);
    EXPECT_NE(Norvik_InitFromFile(path.c_str()), 0);
  }
  EXPECT_EQ(Norvik_GetCommandCount(), before);
}

}  // namespace
