// The engine before any script is loaded: every function answers 0 and writes
// nothing. Runs first (or alone, as ctest runs each test), since loading a
// script cannot be undone within a process.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "norvik.h"
#include "script_file.h"

namespace {

void expectDefaults() {
  char buffer[16];
  std::memset(buffer, 'x', sizeof buffer);
  uint32_t length = 77;
  double score = 1.5, raw = 2.5;
  int32_t cmdId = -1, count = 9;

  EXPECT_EQ(Norvik_InitDefault(), 0);
  EXPECT_EQ(Norvik_Route("q", buffer, sizeof buffer, &length), 0);
  EXPECT_EQ(Norvik_QuerySimilarity("q", 5, buffer, sizeof buffer, &length), 0);
  EXPECT_EQ(Norvik_GetConfig(buffer, sizeof buffer, &length), 0);
  EXPECT_EQ(Norvik_SemanticScore("q", &score, &raw, &cmdId), 0);
  EXPECT_EQ(Norvik_UpdateConfig("{}"), 0);
  EXPECT_EQ(Norvik_AddCorpus("[]", 2, &count), 0);
  EXPECT_EQ(Norvik_AddCorpusFromFile("corpus.json", &count), 0);
  EXPECT_EQ(Norvik_ClearUserCorpus(), 0);
  EXPECT_EQ(Norvik_GetCommandCount(), 0);
  EXPECT_EQ(Norvik_Destroy(), 0);
  ASSERT_NE(Norvik_Version(), nullptr);
  EXPECT_STREQ(Norvik_Version(), "scripted");

  EXPECT_EQ(std::string(buffer, sizeof buffer), std::string(sizeof buffer, 'x'));
  EXPECT_EQ(length, 77u);
  EXPECT_EQ(score, 1.5);
  EXPECT_EQ(raw, 2.5);
  EXPECT_EQ(cmdId, -1);
  EXPECT_EQ(count, 9);
}

TEST(BeforeScript, EveryFunctionAnswersZeroAndWritesNothing) {
  if (anyScriptLoaded()) GTEST_SKIP() << "a script is already loaded in this process";
  expectDefaults();

  // Scripts that cannot be read leave the engine without a script.
  const std::filesystem::path dir = makeTempDir();
  writeFile(dir / "broken.json", "{\"replies\":");
  EXPECT_EQ(Norvik_InitFromFile((dir / "missing.json").u8string().c_str()), -3);
  EXPECT_EQ(Norvik_InitFromFile(dir.u8string().c_str()), -3);
  EXPECT_EQ(Norvik_InitFromFile((dir / "broken.json").u8string().c_str()), -3);
  EXPECT_EQ(Norvik_InitFromFile(nullptr), -3);
  std::filesystem::remove_all(dir);
  expectDefaults();
}

}  // namespace
