#include "routing_config.h"

#include "norvik.h"

#include <gtest/gtest.h>

namespace norvik {
namespace {

TEST(RoutingConfig, AppliesPartialUpdatesAndIgnoresUnknownMembers) {
  Config out;
  std::string error;
  ASSERT_EQ(applyConfigText(R"({"verbose":true,"weights":{"openEnded":2},"other":[1]})", Config{}, out, error),
            NORVIK_OK);
  EXPECT_TRUE(out.verbose);
  EXPECT_DOUBLE_EQ(out.weights.openEnded, 2.0);
  EXPECT_DOUBLE_EQ(out.weights.semantic, Weights{}.semantic);
  EXPECT_DOUBLE_EQ(out.localThreshold, Config{}.localThreshold);
  ASSERT_EQ(applyConfigText("{}", out, out, error), NORVIK_OK);
  EXPECT_TRUE(out.verbose);
}

TEST(RoutingConfig, RefusesBadValuesAndLeavesTheOutputAlone) {
  const Config sentinel{0.123, true, Weights{1, 2, 3, 4, 5}};
  const std::pair<const char*, int32_t> cases[] = {
      {R"({"localThreshold":1.5})", NORVIK_INVALID_ARGUMENT},
      {R"({"localThreshold":-0.1})", NORVIK_INVALID_ARGUMENT},
      {R"({"localThreshold":"0.5"})", NORVIK_INVALID_ARGUMENT},
      {R"({"verbose":1})", NORVIK_INVALID_ARGUMENT},
      {R"({"weights":{"semantic":-1}})", NORVIK_INVALID_ARGUMENT},
      {R"({"weights":[]})", NORVIK_INVALID_ARGUMENT},
      {R"({"weights":{"semantic":0,"complexity":0,"domainKeyword":0,"openEnded":0,"entityMatch":0}})",
       NORVIK_INVALID_ARGUMENT},
      {R"({"weights":{"semantic":1e400}})", NORVIK_BAD_INPUT},  // not a finite JSON number
      {R"({"localThreshold":0.5)", NORVIK_BAD_INPUT},
      {"[]", NORVIK_BAD_INPUT},
      {"", NORVIK_BAD_INPUT},
  };
  for (const auto& [json, code] : cases) {
    Config out = sentinel;
    std::string error;
    EXPECT_EQ(applyConfigText(json, Config{}, out, error), code) << json;
    EXPECT_DOUBLE_EQ(out.localThreshold, 0.123) << json;
    EXPECT_DOUBLE_EQ(out.weights.entityMatch, 5.0) << json;
  }
}

TEST(RoutingConfig, WrittenTextReadsBackToTheSameValues) {
  const Config original{0.6, true, Weights{0.5, 0.1, 0.2, 0.15, 1.0 / 3.0}};
  const std::string text = writeConfigJson(original);
  EXPECT_EQ(text.rfind(R"({"localThreshold":0.6,"verbose":true,"weights":{"semantic":0.5,)", 0), 0u) << text;
  Config read;
  std::string error;
  ASSERT_EQ(applyConfigText(text, Config{}, read, error), NORVIK_OK) << error;
  EXPECT_EQ(read.localThreshold, original.localThreshold);
  EXPECT_EQ(read.verbose, original.verbose);
  EXPECT_EQ(read.weights.entityMatch, original.weights.entityMatch);
  EXPECT_EQ(read.weights.openEnded, original.weights.openEnded);
  EXPECT_LT(text.size(), 1024u);
}

}  // namespace
}  // namespace norvik
