// The module's reading of a similarity reply over arbitrary bytes and reported
// lengths, through a recording sink: it stays inside the buffer, always ends,
// and builds { matches: [...] } of objects holding only numeric id and
// similarity, stored at consecutive indexes.
#include <cstdint>
#include <string>

#include "recorded_shape.h"
#include "reply_input.h"
#include "similarity_reply.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace deskpet_fuzz;
  const ReplyInput input = makeReplyInput(data, size);
  intent_bridge::testing::RecordingSink sink;
  const auto result = intent_bridge::readSimilarityReply(sink, input.reply);
  require(sink.misuses == 0, "elements at consecutive indexes");
  require(result->members.size() == 1 && result->members[0].first == "matches", "only matches");
  const RecordedNode& matches = *result->members[0].second;
  require(matches.kind == RecordedKind::Array, "matches is an array");
  // Every element starts at a '{' of the reply.
  require(matches.elements.size() <= input.reply.length, "no more elements than bytes");
  for (const auto& element : matches.elements) {
    requireMembersOfKind(*element, RecordedKind::Number, "elements hold numbers");
    for (const auto& member : element->members)
      require(isOneOf(member.first, {"id", "similarity"}), "id and similarity only");
  }
  return 0;
}
