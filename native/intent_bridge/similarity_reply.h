// Reading of the engine's similarity reply: { matches: [...] } from the first
// list in the reply, one object with `id` and `similarity` (each when present)
// per object element, in order. Built through a sink (see reply_members.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "json_cursor.h"
#include "reply_keys.h"
#include "reply_members.h"

namespace intent_bridge {

namespace similarity_reply {

// The first '[' of the reply, searched up to the reply's end or a NUL byte,
// wherever it stands (also inside a string); null when there is none.
inline const char* findListStart(EngineReply reply) {
  for (std::size_t i = 0; i < reply.length && reply.begin[i] != '\0'; ++i) {
    if (reply.begin[i] == '[') return reply.begin + i;
  }
  return nullptr;
}

// One element object; its opening brace has been consumed. An element cut off
// by the end of the reply keeps what was read.
template <typename Sink>
typename Sink::Object readMatch(Sink& sink, JsonCursor& cursor) {
  typename Sink::Object match = sink.newObject();
  ExpectedKey expected(result_key::id);
  cursor.walkMembers(expected.name(), [&](std::string_view key) {
    switch (expected.indexOf(key)) {
      case result_key::id:
        sink.setNumber(match, ReplyKey::known(result_key::id), cursor.readNumber());
        break;
      case result_key::similarity:
        sink.setNumber(match, ReplyKey::known(result_key::similarity), cursor.readNumber());
        break;
      default:
        cursor.skipValue();
    }
  });
  return match;
}

}  // namespace similarity_reply

template <typename Sink>
typename Sink::Object readSimilarityReply(Sink& sink, EngineReply reply) {
  typename Sink::Object result = sink.newObject();
  typename Sink::Array matches = sink.newArray();
  if (const char* open = similarity_reply::findListStart(reply)) {
    JsonCursor cursor(open + 1, reply.begin + reply.length);
    std::uint32_t index = 0;
    while (!cursor.atEnd()) {
      cursor.skipWhitespace();
      if (cursor.atEnd() || cursor.peek() == ']') break;
      const char c = cursor.peek();
      if (c == ',') {
        cursor.advance();
        continue;
      }
      if (c == '{') {
        cursor.advance();
        sink.setElement(matches, index++, similarity_reply::readMatch(sink, cursor));
        continue;
      }
      // Anything else (a number, a string, a bare word) is not a match: pass
      // over the value, or over this byte when it starts none.
      const char* const before = cursor.position();
      cursor.skipValue();
      if (cursor.position() == before) cursor.advance();
    }
  }
  sink.setArray(result, ReplyKey::known(result_key::matches), matches);
  return result;
}

}  // namespace intent_bridge
