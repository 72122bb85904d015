// The module's reading of a configuration reply over arbitrary bytes and
// reported lengths, through a recording sink: it stays inside the buffer,
// always ends, and builds only localThreshold (number), verbose (boolean) and
// weights (object of numbers).
#include <cstdint>
#include <string>

#include "config_reply.h"
#include "recorded_shape.h"
#include "reply_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace deskpet_fuzz;
  const ReplyInput input = makeReplyInput(data, size);
  intent_bridge::testing::RecordingSink sink;
  const auto result = intent_bridge::readConfigReply(sink, input.reply);
  require(sink.misuses == 0, "the reader uses the sink as Node-API allows");
  for (const auto& [key, value] : result->members) {
    if (key == "localThreshold")
      require(value->kind == RecordedKind::Number, "localThreshold is a number");
    else if (key == "verbose")
      require(value->kind == RecordedKind::Boolean, "verbose is a boolean");
    else if (key == "weights")
      requireMembersOfKind(*value, RecordedKind::Number, "weights hold numbers");
    else
      require(false, "only the three configuration members are built");
  }
  return 0;
}
