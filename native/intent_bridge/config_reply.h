// Reading of the engine's configuration reply: localThreshold, verbose and
// weights as the reply holds them, in the reply's order, with no defaults.
// Built through a sink (see reply_members.h).
#pragma once

#include <string>
#include <string_view>

#include "json_cursor.h"
#include "reply_keys.h"
#include "reply_members.h"

namespace intent_bridge {

template <typename Sink>
typename Sink::Object readConfigReply(Sink& sink, EngineReply reply) {
  typename Sink::Object result = sink.newObject();
  JsonCursor cursor(reply);
  if (!cursor.enterObject()) return result;
  ExpectedKey expected(result_key::localThreshold);
  cursor.walkMembers(expected.name(), [&](std::string_view key) {
    switch (expected.indexOf(key)) {
      case result_key::localThreshold:
        sink.setNumber(result, ReplyKey::known(result_key::localThreshold), cursor.readNumber());
        break;
      case result_key::verbose: {
        // Anything but the word true reads as false; "false" is consumed too.
        const bool verbose = cursor.takeLiteral("true");
        if (!verbose) cursor.takeLiteral("false");
        sink.setBoolean(result, ReplyKey::known(result_key::verbose), verbose);
        break;
      }
      case result_key::weights:
        sink.setObject(result, ReplyKey::known(result_key::weights), readNumberMembers(sink, cursor));
        break;
      default:
        cursor.skipValue();
    }
  });
  return result;
}

}  // namespace intent_bridge
