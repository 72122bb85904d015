// Reading of the engine's route reply into the route result: each known member
// of the reply's object, in the reply's order; an empty object when the reply
// is not an object. Built through a sink (see reply_members.h).
#pragma once

#include <string_view>

#include "json_cursor.h"
#include "reply_keys.h"
#include "text_buffer.h"
#include "reply_members.h"

namespace intent_bridge {

namespace route_reply {

// null for the word null; an object with id, similarity and name for an
// object; otherwise nothing is set and the value stays for the outer walk.
// The members are read ahead while they are id, similarity and name in that
// order; the object is made when the three are all and the object ends, or
// with the members read so far at the first member that breaks the run.
template <typename Sink>
void readMatchedCommand(Sink& sink, JsonCursor& cursor, typename Sink::Object& result) {
  if (cursor.takeLiteral("null")) {
    sink.setNull(result, ReplyKey::known(result_key::matchedCommand));
    return;
  }
  if (!cursor.enterObject()) return;
  TextBuffer scratch;
  double ahead[2];
  std::string_view name;
  std::int32_t aheadCount = 0;  // members of the run read ahead: id, similarity, name
  bool made = false;
  typename Sink::Object command{};
  const auto makeWithAhead = [&] {
    command = sink.newObject();
    made = true;
    if (aheadCount > 0) sink.setNumber(command, ReplyKey::known(result_key::id), ahead[0]);
    if (aheadCount > 1) sink.setNumber(command, ReplyKey::known(result_key::similarity), ahead[1]);
    if (aheadCount > 2) sink.setString(command, ReplyKey::known(result_key::name), name);
  };
  ExpectedKey expected(result_key::id);
  cursor.walkMembers(expected.name(), [&](std::string_view key) {
    const std::int32_t index = expected.indexOf(key);
    if (!made) {
      if (aheadCount < 2 && index == result_key::id + aheadCount) {
        ahead[aheadCount++] = cursor.readNumber();
        return;
      }
      if (aheadCount == 2 && index == result_key::name) {
        name = cursor.readStringView(scratch);
        aheadCount = 3;
        return;
      }
      makeWithAhead();
    }
    switch (index) {
      case result_key::id:
        sink.setNumber(command, ReplyKey::known(result_key::id), cursor.readNumber());
        break;
      case result_key::similarity:
        sink.setNumber(command, ReplyKey::known(result_key::similarity), cursor.readNumber());
        break;
      case result_key::name:
        sink.setString(command, ReplyKey::known(result_key::name), cursor.readStringView(scratch));
        break;
      default:
        cursor.skipValue();
    }
  });
  if (!made) {
    if (aheadCount == 3) {
      command = newRunObject(sink, MemberRun::kCommand, ahead, name);
    } else {
      makeWithAhead();
    }
  }
  sink.setObject(result, ReplyKey::known(result_key::matchedCommand), command);
}

// null for the word null; an object of strings for an object; otherwise
// nothing is set.
template <typename Sink>
void readPatternAction(Sink& sink, JsonCursor& cursor, typename Sink::Object& result) {
  if (cursor.takeLiteral("null")) {
    sink.setNull(result, ReplyKey::known(result_key::patternAction));
    return;
  }
  if (!cursor.enterObject()) return;
  typename Sink::Object action = sink.newObject();
  readStringMembersInto(sink, action, cursor);
  sink.setObject(result, ReplyKey::known(result_key::patternAction), action);
}

}  // namespace route_reply

template <typename Sink>
typename Sink::Object readRouteReply(Sink& sink, EngineReply reply) {
  typename Sink::Object result = sink.newObject();
  JsonCursor cursor(reply);
  if (!cursor.enterObject()) return result;
  TextBuffer scratch;
  ExpectedKey expected(result_key::target);
  cursor.walkMembers(expected.name(), [&](std::string_view key) {
    switch (expected.indexOf(key)) {
      case result_key::target:
        sink.setString(result, ReplyKey::known(result_key::target), cursor.readStringView(scratch));
        break;
      case result_key::confidence:
        sink.setNumber(result, ReplyKey::known(result_key::confidence), cursor.readNumber());
        break;
      case result_key::reasoning:
        sink.setString(result, ReplyKey::known(result_key::reasoning), cursor.readStringView(scratch));
        break;
      case result_key::scores:
        sink.setObject(result, ReplyKey::known(result_key::scores), readNumberMembers(sink, cursor));
        break;
      case result_key::matchedCommand:
        route_reply::readMatchedCommand(sink, cursor, result);
        break;
      case result_key::patternAction:
        route_reply::readPatternAction(sink, cursor, result);
        break;
      default:
        cursor.skipValue();
    }
  });
  return result;
}

}  // namespace intent_bridge
