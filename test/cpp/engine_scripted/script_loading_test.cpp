// Loading a script while one is loaded: the InitFromFile entry decides, a
// successful read replaces the whole script, a failed one keeps it.
#include <gtest/gtest.h>

#include <string>

#include "norvik.h"
#include "script_file.h"

namespace fs = std::filesystem;

namespace {

TEST(ScriptLoading, ASuccessfulReadReplacesTheWholeScript) {
  ScriptFile first(R"({ "Norvik_InitDefault": [ {"code": 11}, {"code": 12} ],
                        "Norvik_ClearUserCorpus": [ {"code": 13} ] })");
  ScriptFile second(R"({ "Norvik_InitDefault": [ {"code": 21}, {"code": 22} ] })");
  ASSERT_TRUE(first.load());
  EXPECT_EQ(Norvik_InitDefault(), 11);

  ASSERT_TRUE(second.load());
  EXPECT_EQ(Norvik_InitDefault(), 21);
  EXPECT_EQ(Norvik_InitDefault(), 22);
  EXPECT_EQ(Norvik_ClearUserCorpus(), 0);  // gone with the first script

  // The loading call went to the first script's log, later calls to the second's.
  const auto firstLog = first.readLog();
  ASSERT_EQ(firstLog.size(), 2u);
  EXPECT_EQ(firstLog[1].text("fn"), "Norvik_InitFromFile");
  EXPECT_EQ(firstLog[1].text("path_hex"), toHex(second.pathText()));
  EXPECT_EQ(second.readLog().size(), 3u);

  // Loading the same file again starts its queues afresh.
  ASSERT_TRUE(second.load());
  EXPECT_EQ(Norvik_InitDefault(), 21);
}

TEST(ScriptLoading, ANonZeroEntryCodeKeepsTheScript) {
  ScriptFile kept(R"({ "Norvik_InitFromFile": [ {"code": 7}, {} ],
                       "Norvik_InitDefault": [ {"code": 1}, {"code": 2} ] })");
  ScriptFile next(R"({ "Norvik_InitDefault": [ {"code": 99} ] })");
  ASSERT_TRUE(kept.load());
  EXPECT_EQ(Norvik_InitDefault(), 1);
  EXPECT_EQ(Norvik_InitFromFile(next.pathText().c_str()), 7);
  EXPECT_EQ(Norvik_InitDefault(), 2);
  EXPECT_FALSE(fs::exists(next.logPath()));
  // The sticky empty entry lets the next load through.
  ASSERT_TRUE(next.load());
  EXPECT_EQ(Norvik_InitDefault(), 99);
}

TEST(ScriptLoading, AnUnreadableScriptFailsAndKeepsTheCurrentOne) {
  ScriptFile current(R"({ "Norvik_GetCommandCount": [ {"code": 5} ] })");
  ASSERT_TRUE(current.load());
  const fs::path dir = current.dir();
  const std::vector<std::pair<std::string, std::string>> badScripts = {
      {"invalid.json", "{\"replies\": {"},
      {"empty.json", ""},
      {"list.json", "[]"},
      {"unknown_function.json", R"({"replies": {"Norvik_route": []}})"},
      {"unknown_member.json", R"({"replies": {"Norvik_Route": [{"outlength": 1}]}})"},
      {"wrong_kind.json", R"({"replies": {"Norvik_Route": [{"json": 5}]}})"},
      {"code_range.json", R"({"replies": {"Norvik_Route": [{"code": 2147483648}]}})"},
      {"code_fraction.json", R"({"replies": {"Norvik_Route": [{"code": 1.5}]}})"},
      {"queue_kind.json", R"({"replies": {"Norvik_Route": {}}})"},
      {"log_kind.json", R"({"log": 3})"},
  };
  std::vector<std::string> paths = {(dir / "missing.json").u8string(), dir.u8string()};
  for (const auto& [name, text] : badScripts) {
    writeFile(dir / name, text);
    paths.push_back((dir / name).u8string());
  }
  for (const std::string& path : paths) {
    EXPECT_EQ(Norvik_InitFromFile(path.c_str()), -3) << path;
    EXPECT_EQ(Norvik_GetCommandCount(), 5) << path;
  }
  EXPECT_EQ(current.readLog().size(), 2 * paths.size());
}

TEST(ScriptLoading, ARelativeLogPathIsTakenFromTheScriptsFolder) {
  const fs::path dir = makeTempDir();
  writeFile(dir / "script.json", R"({"log": "relative.jsonl"})");
  ASSERT_EQ(Norvik_InitFromFile((dir / "script.json").u8string().c_str()), 0);
  EXPECT_EQ(Norvik_Destroy(), 0);
  EXPECT_TRUE(fs::exists(dir / "relative.jsonl"));
  ScriptFile reset("{}");
  EXPECT_TRUE(reset.load());
  fs::remove_all(dir);
}

}  // namespace
