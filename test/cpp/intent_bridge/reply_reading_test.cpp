// The three reply readers through a recording sink, without Node-API: what
// they build from well-formed, odd and cut-off replies, in which order, and
// that they stay inside the reply (fixtures in exactly-sized heap blocks).
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "config_reply.h"
#include "recording_sink.h"
#include "route_reply.h"
#include "similarity_reply.h"

namespace intent_bridge {
namespace {

using testing::RecordingSink;

// Reads `text` (held in a block of exactly its length) with `reader` and
// renders what was built.
template <typename Reader>
std::string readWith(const std::string& text, Reader reader) {
  const std::unique_ptr<char[]> bytes(new char[text.size() + 1]);  // +1: a valid pointer for ""
  std::memcpy(bytes.get(), text.data(), text.size());
  RecordingSink sink;
  const auto result = reader(sink, EngineReply{bytes.get(), text.size()});
  EXPECT_EQ(sink.misuses, 0);
  return RecordingSink::render(*result);
}

std::string route(const std::string& text) {
  return readWith(text, [](RecordingSink& sink, EngineReply reply) { return readRouteReply(sink, reply); });
}
std::string similarity(const std::string& text) {
  return readWith(text, [](RecordingSink& sink, EngineReply reply) { return readSimilarityReply(sink, reply); });
}
std::string config(const std::string& text) {
  return readWith(text, [](RecordingSink& sink, EngineReply reply) { return readConfigReply(sink, reply); });
}

TEST(RouteReply, CarriesEachKnownMemberInTheReplyOrder) {
  EXPECT_EQ(route(R"({"confidence":0.5,"other":{"x":[1,"]"]},"target":"local","reasoning":"r\u00e9",)"
                  R"("scores":{"semantic":0.25,"k\u0000z":2},"matchedCommand":{"name":"n","extra":[1],"id":12,)"
                  R"("similarity":0.9},"patternAction":{"type":"open","arg":"\"q\""}})"),
            R"({"confidence":0.5,"target":"local","reasoning":"ré","scores":{"semantic":0.25,"k":2},)"
            R"("matchedCommand":{"name":"n","id":12,"similarity":0.9},"patternAction":{"type":"open","arg":"\"q\""}})");
}

TEST(RouteReply, OddValuesGiveNullsEmptiesAndMissingMembers) {
  EXPECT_EQ(route(""), "{}");
  EXPECT_EQ(route("  [{\"target\":\"x\"}]"), "{}");
  EXPECT_EQ(route(R"({"matchedCommand":null,"patternAction":null})"),
            R"({"matchedCommand":null,"patternAction":null})");
  EXPECT_EQ(route(R"({"target":null,"confidence":"0.5"})"), R"({"target":"","confidence":0})");
  EXPECT_EQ(route(R"({"scores":5,"matchedCommand":"x","patternAction":1,"target":"t"})"),
            R"({"scores":{},"target":"t"})");
  EXPECT_EQ(route(R"({"target":"a" "target":"b"})"), R"({"target":"b"})");
  EXPECT_EQ(route(R"({"matchedCommand":{"id":3)"), R"({"matchedCommand":{"id":3}})");
  EXPECT_EQ(route(R"({"scores":{"a":1,"b":)"), R"({"scores":{"a":1,"b":0}})");
}

TEST(SimilarityReply, ReadsObjectElementsOfTheFirstList) {
  EXPECT_EQ(similarity(R"({"matches":[{"id":1,"similarity":0.5,"name":"x"},{"similarity":0.25}]})"),
            R"({"matches":[{"id":1,"similarity":0.5},{"similarity":0.25}]})");
  EXPECT_EQ(similarity(R"("[" [{"id":2}])"), R"({"matches":[]})");  // the first '[' may stand inside a string
  EXPECT_EQ(similarity(R"([3, "s", bare, {"id":4}, [5], {"id":6)"), R"({"matches":[{"id":4},{"id":6}]})");
  EXPECT_EQ(similarity("{}"), R"({"matches":[]})");
  EXPECT_EQ(similarity(std::string("{\0[{\"id\":1}]", 12)), R"({"matches":[]})");  // the search stops at a NUL
}

TEST(ConfigReply, ReadsTheThreeKeysWithoutDefaults) {
  EXPECT_EQ(config(R"({"localThreshold":0.5,"verbose":true,"weights":{"semantic":0.7,"any":1}})"),
            R"({"localThreshold":0.5,"verbose":true,"weights":{"semantic":0.7,"any":1}})");
  EXPECT_EQ(config(R"({"verbose":"yes","other":[1,2],"localThreshold":1})"), R"({"verbose":false,"localThreshold":1})");
  EXPECT_EQ(config(R"({"verbose":false "weights":7})"), R"({"verbose":false,"weights":{}})");
  EXPECT_EQ(config(" x{}"), "{}");
}

TEST(ClampedReplies, AReportedLengthBeyondTheBufferIsReadOnlyToTheBuffer) {
  const std::string text = R"({"target":"abc","confidence":1})";
  const std::unique_ptr<char[]> buffer(new char[text.size()]);
  std::memcpy(buffer.get(), text.data(), text.size());
  RecordingSink sink;
  const auto result = readRouteReply(sink, clampedReply(buffer.get(), text.size(), 0xFFFFFFFFu));
  // The last byte is where the NUL belongs: everything before it is read.
  EXPECT_EQ(RecordingSink::render(*result), R"({"target":"abc","confidence":1})");
}

}  // namespace
}  // namespace intent_bridge
