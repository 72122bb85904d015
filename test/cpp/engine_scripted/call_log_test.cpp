// The call log: one JSON object per call, "fn" first, the arguments and the
// out-parameter values on entry.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "norvik.h"
#include "script_file.h"

namespace {

using Keys = std::vector<std::string>;

TEST(CallLog, EachCallIsOneLineWithItsArgumentsInOrder) {
  ScriptFile script("{}");
  ASSERT_TRUE(script.load());
  char buffer[32] = {};
  uint32_t length = 0;
  double score = 0.1, raw = std::numeric_limits<double>::quiet_NaN();
  int32_t cmdId = -1, count = 0;
  const std::string corpus = "[{\"name\":\"播放\"}]";

  Norvik_InitDefault();
  Norvik_Route("Hi é", buffer, sizeof buffer, &length);
  Norvik_QuerySimilarity("q", 5, buffer, 16, &length);
  Norvik_SemanticScore("", &score, &raw, &cmdId);
  Norvik_UpdateConfig("{\"a\":1}");
  Norvik_GetConfig(buffer, sizeof buffer, &length);
  Norvik_AddCorpus(corpus.c_str(), static_cast<int32_t>(corpus.size()), &count);
  Norvik_AddCorpusFromFile("/tmp/c.json", &count);
  Norvik_ClearUserCorpus();
  Norvik_GetCommandCount();
  Norvik_Destroy();
  Norvik_Version();

  const auto log = script.readLog();
  ASSERT_EQ(log.size(), 12u);
  EXPECT_EQ(log[0].keys, Keys({"fn"}));
  EXPECT_EQ(log[0].text("fn"), "Norvik_InitDefault");

  EXPECT_EQ(log[1].keys, Keys({"fn", "query_hex", "capacity", "outLengthIn", "bufferZeroed"}));
  EXPECT_EQ(log[1].text("query_hex"), "486920c3a9");
  EXPECT_EQ(log[1].number("capacity"), 32);
  EXPECT_EQ(log[1].number("outLengthIn"), 0);
  EXPECT_TRUE(log[1].boolean("bufferZeroed"));

  EXPECT_EQ(log[2].keys, Keys({"fn", "query_hex", "topK", "capacity", "outLengthIn", "bufferZeroed"}));
  EXPECT_EQ(log[2].number("topK"), 5);
  EXPECT_EQ(log[2].number("capacity"), 16);

  EXPECT_EQ(log[3].keys, Keys({"fn", "query_hex", "outScoreIn", "outRawIn", "outCmdIdIn"}));
  EXPECT_EQ(log[3].text("query_hex"), "");
  EXPECT_EQ(log[3].number("outScoreIn"), 0.1);  // exact round trip
  EXPECT_TRUE(log[3].isNull("outRawIn"));
  EXPECT_EQ(log[3].number("outCmdIdIn"), -1);

  EXPECT_EQ(log[4].keys, Keys({"fn", "configJson_hex"}));
  EXPECT_EQ(log[4].text("configJson_hex"), toHex("{\"a\":1}"));
  EXPECT_EQ(log[5].keys, Keys({"fn", "capacity", "outLengthIn", "bufferZeroed"}));
  EXPECT_EQ(log[6].keys, Keys({"fn", "corpusJson_hex", "length", "outCountIn"}));
  EXPECT_EQ(log[6].text("corpusJson_hex"), toHex(corpus));
  EXPECT_EQ(log[6].number("length"), corpus.size());
  EXPECT_EQ(log[7].keys, Keys({"fn", "path_hex", "outCountIn"}));
  EXPECT_EQ(log[7].text("path_hex"), toHex("/tmp/c.json"));
  const std::vector<std::string> bare = {"Norvik_ClearUserCorpus", "Norvik_GetCommandCount", "Norvik_Destroy",
                                         "Norvik_Version"};
  for (std::size_t i = 0; i < bare.size(); ++i) {
    EXPECT_EQ(log[8 + i].keys, Keys({"fn"}));
    EXPECT_EQ(log[8 + i].text("fn"), bare[i]);
  }
}

TEST(CallLog, OutParametersAreLoggedAsTheyWereOnEntry) {
  ScriptFile script(R"({ "Norvik_Route": [ {"json": "abc"} ],
                         "Norvik_AddCorpus": [ {"count": 8} ] })");
  ASSERT_TRUE(script.load());
  char buffer[8] = {};
  uint32_t length = 4000000000u;
  int32_t count = -7;
  Norvik_Route("q", buffer, sizeof buffer, &length);
  Norvik_Route("q", buffer, sizeof buffer, &length);
  Norvik_AddCorpus("", 0, &count);
  Norvik_AddCorpus("", 0, &count);
  const auto log = script.readLog();
  ASSERT_EQ(log.size(), 4u);
  EXPECT_EQ(log[0].number("outLengthIn"), 4000000000.0);
  EXPECT_EQ(log[1].number("outLengthIn"), 3);
  EXPECT_FALSE(log[1].boolean("bufferZeroed"));  // holds the first reply
  EXPECT_EQ(log[2].number("outCountIn"), -7);
  EXPECT_EQ(log[3].number("outCountIn"), 8);
}

TEST(CallLog, BufferZeroedLooksAtExactlyTheCapacity) {
  ScriptFile script("{}");
  ASSERT_TRUE(script.load());
  char buffer[16] = {};
  uint32_t length = 0;
  Norvik_GetConfig(buffer, 16, &length);
  buffer[15] = 'x';  // the last byte handed over
  Norvik_GetConfig(buffer, 16, &length);
  Norvik_GetConfig(buffer, 15, &length);  // the same byte just past the capacity
  Norvik_GetConfig(buffer, 0, &length);
  Norvik_GetConfig(buffer, -5, &length);
  Norvik_GetConfig(nullptr, 0, &length);
  const std::vector<bool> expected = {true, false, true, true, true, false};
  const auto log = script.readLog();
  ASSERT_EQ(log.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(log[i].boolean("bufferZeroed"), expected[i]) << i;
  }
  EXPECT_EQ(log[4].number("capacity"), -5);
}

TEST(CallLog, CallsFromSeveralThreadsTakeEachEntryOnce) {
  constexpr int kThreads = 4;
  constexpr int kCallsEach = 50;
  std::string entries;
  for (int i = 1; i <= kThreads * kCallsEach; ++i) {
    entries += (i > 1 ? "," : "") + std::string("{\"count\":") + std::to_string(i) + "}";
  }
  ScriptFile script("{\"Norvik_AddCorpus\": [" + entries + "]}");
  ASSERT_TRUE(script.load());
  std::vector<std::vector<int32_t>> seen(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&seen, t] {
      for (int i = 0; i < kCallsEach; ++i) {
        int32_t count = 0;
        Norvik_AddCorpus("[]", 2, &count);
        seen[t].push_back(count);
      }
    });
  }
  for (auto& thread : threads) thread.join();
  std::set<int32_t> all;
  for (const auto& counts : seen) all.insert(counts.begin(), counts.end());
  EXPECT_EQ(all.size(), static_cast<std::size_t>(kThreads * kCallsEach));
  EXPECT_EQ(*all.begin(), 1);
  EXPECT_EQ(*all.rbegin(), kThreads * kCallsEach);
  const auto log = script.readLog();
  EXPECT_EQ(log.size(), static_cast<std::size_t>(kThreads * kCallsEach));
  for (const auto& line : log) EXPECT_EQ(line.keys.front(), "fn");
}

}  // namespace
