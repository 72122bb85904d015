// The module's reading of a route reply over arbitrary bytes and reported
// lengths, through a recording sink: it stays inside the buffer, always ends,
// and builds only the route result's members with values of their kinds.
#include <cstdint>
#include <string>

#include "recorded_shape.h"
#include "reply_input.h"
#include "route_reply.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace deskpet_fuzz;
  const ReplyInput input = makeReplyInput(data, size);
  intent_bridge::testing::RecordingSink sink;
  const auto result = intent_bridge::readRouteReply(sink, input.reply);
  require(sink.misuses == 0, "the reader uses the sink as Node-API allows");
  require(result->kind == RecordedKind::Object, "the result is an object");
  for (const auto& [key, value] : result->members) {
    if (key == "target" || key == "reasoning") {
      require(value->kind == RecordedKind::String, "target and reasoning are strings");
    } else if (key == "confidence") {
      require(value->kind == RecordedKind::Number, "confidence is a number");
    } else if (key == "scores") {
      requireMembersOfKind(*value, RecordedKind::Number, "scores hold numbers");
    } else if (key == "matchedCommand") {
      if (value->kind == RecordedKind::Null) continue;
      require(value->kind == RecordedKind::Object, "matchedCommand is null or an object");
      for (const auto& [field, inner] : value->members) {
        require(isOneOf(field, {"id", "similarity", "name"}), "matchedCommand holds id, similarity, name");
        require(inner->kind == (field == "name" ? RecordedKind::String : RecordedKind::Number), "matchedCommand kinds");
      }
    } else if (key == "patternAction") {
      if (value->kind != RecordedKind::Null)
        requireMembersOfKind(*value, RecordedKind::String, "patternAction holds strings");
    } else {
      require(false, "only the six route members are built");
    }
  }
  return 0;
}
