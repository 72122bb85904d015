// Queues of scripted entries: order, the sticky last entry, default answers,
// out-parameters and the version text.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "norvik.h"
#include "script_file.h"

namespace {

TEST(ReplyQueue, EntriesAnswerInOrderAndTheLastOneStays) {
  ScriptFile script(R"({
    "Norvik_InitDefault": [ {"code": 1}, {"code": 2}, {"code": -3} ],
    "Norvik_GetCommandCount": [ {"code": 42}, {"code": -2} ],
    "Norvik_ClearUserCorpus": [ {"code": 7} ]
  })");
  ASSERT_TRUE(script.load());
  EXPECT_EQ(Norvik_InitDefault(), 1);
  EXPECT_EQ(Norvik_InitDefault(), 2);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(Norvik_InitDefault(), -3);
  EXPECT_EQ(Norvik_GetCommandCount(), 42);
  EXPECT_EQ(Norvik_GetCommandCount(), -2);
  EXPECT_EQ(Norvik_GetCommandCount(), -2);
  EXPECT_EQ(Norvik_ClearUserCorpus(), 7);
  EXPECT_EQ(Norvik_ClearUserCorpus(), 7);
}

TEST(ReplyQueue, FunctionsWithoutEntriesAnswerZeroAndWriteNothing) {
  ScriptFile script(R"({ "Norvik_Route": [ {} ], "Norvik_SemanticScore": [ {} ] })");
  ASSERT_TRUE(script.load());
  char buffer[8];
  std::memset(buffer, 'x', sizeof buffer);
  uint32_t length = 5;
  double score = 0.25, raw = 0.5;
  int32_t cmdId = -1, count = 3;
  // An empty entry and a missing queue both give the default answer.
  EXPECT_EQ(Norvik_Route("q", buffer, sizeof buffer, &length), 0);
  EXPECT_EQ(Norvik_GetConfig(buffer, sizeof buffer, &length), 0);
  EXPECT_EQ(Norvik_SemanticScore("q", &score, &raw, &cmdId), 0);
  EXPECT_EQ(Norvik_AddCorpus("[]", 2, &count), 0);
  EXPECT_EQ(Norvik_GetCommandCount(), 0);
  EXPECT_STREQ(Norvik_Version(), "scripted");
  EXPECT_EQ(std::string(buffer, sizeof buffer), "xxxxxxxx");
  EXPECT_EQ(length, 5u);
  EXPECT_EQ(score, 0.25);
  EXPECT_EQ(raw, 0.5);
  EXPECT_EQ(cmdId, -1);
  EXPECT_EQ(count, 3);
}

TEST(ReplyQueue, OnlyTheScriptedOutParametersAreWritten) {
  ScriptFile script(R"({
    "Norvik_SemanticScore": [ {"score": 0.75}, {"raw": -1e300, "cmdId": 12, "code": 4} ],
    "Norvik_AddCorpus": [ {"count": 17, "code": 3} ],
    "Norvik_AddCorpusFromFile": [ {"count": -5} ]
  })");
  ASSERT_TRUE(script.load());
  double score = 0, raw = 0;
  int32_t cmdId = -1;
  EXPECT_EQ(Norvik_SemanticScore("q", &score, &raw, &cmdId), 0);
  EXPECT_EQ(score, 0.75);
  EXPECT_EQ(raw, 0.0);
  EXPECT_EQ(cmdId, -1);
  score = 0;
  EXPECT_EQ(Norvik_SemanticScore("q", &score, &raw, &cmdId), 4);
  EXPECT_EQ(score, 0.0);
  EXPECT_EQ(raw, -1e300);
  EXPECT_EQ(cmdId, 12);

  // The count is written even with a failure code: the script decides.
  int32_t count = 0;
  EXPECT_EQ(Norvik_AddCorpus("[]", 2, &count), 3);
  EXPECT_EQ(count, 17);
  EXPECT_EQ(Norvik_AddCorpusFromFile("c.json", &count), 0);
  EXPECT_EQ(count, -5);
}

TEST(ReplyQueue, VersionTextsStayValidAndNullIsANullPointer) {
  ScriptFile script(R"({ "Norvik_Version": [ {"version": "1.2.3"}, {"version": null},
                                             {"version": "猫 2"}, {} ] })");
  ASSERT_TRUE(script.load());
  const char* first = Norvik_Version();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(Norvik_Version(), nullptr);
  const char* third = Norvik_Version();
  ASSERT_NE(third, nullptr);
  EXPECT_STREQ(Norvik_Version(), "scripted");
  // Earlier texts are still intact after later calls.
  EXPECT_STREQ(first, "1.2.3");
  EXPECT_STREQ(third, "猫 2");
}

}  // namespace
