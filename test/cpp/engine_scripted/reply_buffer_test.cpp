// Reply buffers: the fit rule, scripted codes and lengths, and that nothing is
// ever written outside the caller's buffer.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "norvik.h"
#include "script_file.h"

namespace {

// A buffer with guard bytes after the `capacity` bytes handed to the engine.
struct GuardedBuffer {
  static constexpr int kGuard = 8;
  explicit GuardedBuffer(int capacity) : capacity(capacity), bytes(capacity + kGuard, '#') {}
  char* data() { return bytes.data(); }
  std::string text() const { return std::string(bytes.c_str()); }
  bool guardIntact() const { return bytes.substr(capacity) == std::string(kGuard, '#'); }
  bool untouched() const { return bytes == std::string(capacity + kGuard, '#'); }
  int capacity;
  std::string bytes;
};

TEST(ReplyBuffer, TextThatFitsIsWrittenWithItsNulAndLength) {
  ScriptFile script(R"({ "Norvik_Route": [ {"json": "{\"target\":\"local\"}"} ],
                         "Norvik_GetConfig": [ {"json": "ab\u0000c"} ],
                         "Norvik_QuerySimilarity": [ {"json": "[]"} ] })");
  ASSERT_TRUE(script.load());
  const std::string route = "{\"target\":\"local\"}";
  GuardedBuffer exact(static_cast<int>(route.size()) + 1);
  uint32_t length = 0;
  EXPECT_EQ(Norvik_Route("q", exact.data(), exact.capacity, &length), 0);
  EXPECT_EQ(exact.text(), route);
  EXPECT_EQ(length, route.size());
  EXPECT_TRUE(exact.guardIntact());

  // The byte length counts everything in the text, an inner NUL included.
  GuardedBuffer config(16);
  EXPECT_EQ(Norvik_GetConfig(config.data(), config.capacity, &length), 0);
  EXPECT_EQ(length, 4u);
  EXPECT_EQ(config.bytes.substr(0, 5), std::string("ab\0c\0", 5));

  GuardedBuffer similarity(4);
  EXPECT_EQ(Norvik_QuerySimilarity("q", 3, similarity.data(), similarity.capacity, &length), 0);
  EXPECT_EQ(similarity.text(), "[]");
  EXPECT_EQ(length, 2u);
}

TEST(ReplyBuffer, TooSmallWithoutScriptedCodeWritesNothingAndAsksForTheLength) {
  ScriptFile script(R"({ "Norvik_Route": [ {"json": "0123456789"} ],
                         "Norvik_GetConfig": [ {"json": "路由"} ] })");
  ASSERT_TRUE(script.load());
  GuardedBuffer buffer(10);  // room for 9 bytes and the NUL
  uint32_t length = 0;
  EXPECT_EQ(Norvik_Route("q", buffer.data(), buffer.capacity, &length), NORVIK_BUFFER_TOO_SMALL);
  EXPECT_TRUE(buffer.untouched());
  EXPECT_EQ(length, 10u);

  // The second call with room for the text and its NUL succeeds.
  GuardedBuffer grown(static_cast<int>(length) + 1);
  EXPECT_EQ(Norvik_Route("q", grown.data(), grown.capacity, &length), 0);
  EXPECT_EQ(grown.text(), "0123456789");
  EXPECT_EQ(length, 10u);

  // Lengths are bytes, not characters.
  GuardedBuffer small(6);
  EXPECT_EQ(Norvik_GetConfig(small.data(), small.capacity, &length), NORVIK_BUFFER_TOO_SMALL);
  EXPECT_EQ(length, 6u);
  EXPECT_TRUE(small.untouched());
}

TEST(ReplyBuffer, ScriptedCodeWithTooLongTextIsCutToTheCapacity) {
  ScriptFile script(R"({ "Norvik_Route": [ {"code": 0, "json": "0123456789"} ],
                         "Norvik_GetConfig": [ {"code": 9, "json": "abcdef"} ] })");
  ASSERT_TRUE(script.load());
  GuardedBuffer buffer(4);
  uint32_t length = 0;
  EXPECT_EQ(Norvik_Route("q", buffer.data(), buffer.capacity, &length), 0);
  EXPECT_EQ(buffer.text(), "012");
  EXPECT_EQ(length, 3u);
  EXPECT_TRUE(buffer.guardIntact());

  GuardedBuffer one(1);
  EXPECT_EQ(Norvik_GetConfig(one.data(), one.capacity, &length), 9);
  EXPECT_EQ(one.text(), "");
  EXPECT_EQ(length, 0u);
  EXPECT_TRUE(one.guardIntact());

  for (int capacity : {0, -1, -100000}) {
    GuardedBuffer none(0);
    length = 99;
    EXPECT_EQ(Norvik_GetConfig(none.data(), capacity, &length), 9) << capacity;
    EXPECT_TRUE(none.untouched()) << capacity;
    EXPECT_EQ(length, 0u) << capacity;
  }
}

TEST(ReplyBuffer, ScriptedOutLengthIsWrittenLast) {
  ScriptFile script(R"({ "Norvik_Route": [ {"code": -4, "outLength": 9000},
                                           {"json": "abc", "outLength": 1},
                                           {"json": "abcdef", "outLength": 2},
                                           {"outLength": -1} ] })");
  ASSERT_TRUE(script.load());
  GuardedBuffer buffer(4);
  uint32_t length = 0;
  EXPECT_EQ(Norvik_Route("q", buffer.data(), buffer.capacity, &length), -4);
  EXPECT_EQ(length, 9000u);
  EXPECT_TRUE(buffer.untouched());

  EXPECT_EQ(Norvik_Route("q", buffer.data(), buffer.capacity, &length), 0);
  EXPECT_EQ(buffer.text(), "abc");
  EXPECT_EQ(length, 1u);

  GuardedBuffer other(4);
  EXPECT_EQ(Norvik_Route("q", other.data(), other.capacity, &length), NORVIK_BUFFER_TOO_SMALL);
  EXPECT_EQ(length, 2u);
  EXPECT_TRUE(other.untouched());

  EXPECT_EQ(Norvik_Route("q", other.data(), other.capacity, &length), 0);
  EXPECT_EQ(length, 0xFFFFFFFFu);
}

TEST(ReplyBuffer, NullPointersAreSkipped) {
  ScriptFile script(R"({ "Norvik_Route": [ {"json": "abc"}, {"code": 0, "json": "abc"} ],
                         "Norvik_SemanticScore": [ {"score": 1, "raw": 2, "cmdId": 3} ],
                         "Norvik_AddCorpus": [ {"count": 4} ],
                         "Norvik_AddCorpusFromFile": [ {"count": 5} ] })");
  ASSERT_TRUE(script.load());
  uint32_t length = 0;
  // A null buffer has no room: the fit rule asks for more, a scripted code
  // gets an empty reply.
  EXPECT_EQ(Norvik_Route(nullptr, nullptr, 100, &length), NORVIK_BUFFER_TOO_SMALL);
  EXPECT_EQ(length, 3u);
  EXPECT_EQ(Norvik_Route("q", nullptr, 100, &length), 0);
  EXPECT_EQ(length, 0u);
  char buffer[8] = {};
  EXPECT_EQ(Norvik_Route("q", buffer, sizeof buffer, nullptr), 0);
  EXPECT_STREQ(buffer, "abc");
  EXPECT_EQ(Norvik_SemanticScore(nullptr, nullptr, nullptr, nullptr), 0);
  EXPECT_EQ(Norvik_AddCorpus(nullptr, 0, nullptr), 0);
  EXPECT_EQ(Norvik_AddCorpusFromFile(nullptr, nullptr), 0);
  EXPECT_EQ(Norvik_UpdateConfig(nullptr), 0);

  const auto log = script.readLog();
  ASSERT_EQ(log.size(), 7u);
  EXPECT_TRUE(log[0].isNull("query_hex"));
  EXPECT_FALSE(log[0].boolean("bufferZeroed"));
  EXPECT_TRUE(log[2].isNull("outLengthIn"));
  EXPECT_TRUE(log[3].isNull("outScoreIn"));
  EXPECT_TRUE(log[3].isNull("outCmdIdIn"));
  EXPECT_TRUE(log[4].isNull("corpusJson_hex"));
  EXPECT_TRUE(log[5].isNull("path_hex"));
  EXPECT_TRUE(log[6].isNull("configJson_hex"));
}

}  // namespace
