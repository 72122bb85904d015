// Reading of the engine's route reply into the route result: each known member
// of the reply's object, in the reply's order; an empty object when the reply
// is not an object. Built through a sink (see reply_members.h).
#pragma once

#include <string>
#include <string_view>

#include "json_cursor.h"
#include "reply_members.h"

namespace intent_bridge {

namespace route_reply {

// null for the word null; an object with id, similarity and name for an
// object; otherwise nothing is set and the value stays for the outer walk.
template <typename Sink>
void readMatchedCommand(Sink& sink, JsonCursor& cursor, typename Sink::Object& result) {
  if (cursor.takeLiteral("null")) {
    sink.setNull(result, "matchedCommand");
    return;
  }
  if (!cursor.enterObject()) return;
  typename Sink::Object command = sink.newObject();
  std::string scratch;
  cursor.walkMembers([&](std::string_view key) {
    if (key == "id")
      sink.setNumber(command, "id", cursor.readNumber());
    else if (key == "similarity")
      sink.setNumber(command, "similarity", cursor.readNumber());
    else if (key == "name")
      sink.setString(command, "name", cursor.readStringView(scratch));
    else
      cursor.skipValue();
  });
  sink.setObject(result, "matchedCommand", command);
}

// null for the word null; an object of strings for an object; otherwise
// nothing is set.
template <typename Sink>
void readPatternAction(Sink& sink, JsonCursor& cursor, typename Sink::Object& result) {
  if (cursor.takeLiteral("null")) {
    sink.setNull(result, "patternAction");
    return;
  }
  if (!cursor.enterObject()) return;
  typename Sink::Object action = sink.newObject();
  readStringMembersInto(sink, action, cursor);
  sink.setObject(result, "patternAction", action);
}

}  // namespace route_reply

template <typename Sink>
typename Sink::Object readRouteReply(Sink& sink, EngineReply reply) {
  typename Sink::Object result = sink.newObject();
  JsonCursor cursor(reply);
  if (!cursor.enterObject()) return result;
  std::string scratch;
  cursor.walkMembers([&](std::string_view key) {
    if (key == "target")
      sink.setString(result, "target", cursor.readStringView(scratch));
    else if (key == "confidence")
      sink.setNumber(result, "confidence", cursor.readNumber());
    else if (key == "reasoning")
      sink.setString(result, "reasoning", cursor.readStringView(scratch));
    else if (key == "scores")
      sink.setObject(result, "scores", readNumberMembers(sink, cursor));
    else if (key == "matchedCommand")
      route_reply::readMatchedCommand(sink, cursor, result);
    else if (key == "patternAction")
      route_reply::readPatternAction(sink, cursor, result);
    else
      cursor.skipValue();
  });
  return result;
}

}  // namespace intent_bridge
