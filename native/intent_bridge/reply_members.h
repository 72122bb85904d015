// Readers of engine replies build their results through a sink, so that the
// same reading code makes script objects in the module (TapeReplySink, or
// NapiReplySink) and plain records in tests and fuzz targets. A sink provides:
//
//   typename Sink::Object, typename Sink::Array   handles of values being built
//   Object newObject();   Array newArray();
//   void setNumber(Object&, ReplyKey key, double);
//   void setString(Object&, ReplyKey key, std::string_view bytes);
//   void setBoolean(Object&, ReplyKey key, bool);
//   void setNull(Object&, ReplyKey key);
//   void setObject(Object&, ReplyKey key, const Object& value);
//   void setArray(Object&, ReplyKey key, const Array& value);
//   void setElement(Array&, std::uint32_t index, const Object& value);
//
// A ReplyKey (reply_keys.h) converts to its std::string_view name, so a sink
// may take the key as a std::string_view instead. Every value but the root is
// set into its parent once, after its own members, and not touched again.
//
// A key read from a reply ends at the first NUL it holds (memberKey), as a
// NUL-terminated key would. Strings are passed with every byte, embedded NULs
// included. The views are valid only during the call. The readers call the
// sink in the order in which the values are read.
//
// This file holds the two member readers the route, similarity and
// configuration readers share.
#pragma once

#include <string_view>

#include "json_cursor.h"
#include "reply_keys.h"
#include "text_buffer.h"

namespace intent_bridge {

// A reply's key as a property name: up to its first NUL byte. (Keys are a few
// bytes long: a plain loop beats a call to memchr.)
inline std::string_view memberKey(std::string_view key) {
  std::size_t length = 0;
  while (length < key.size() && key[length] != '\0') ++length;
  return key.substr(0, length);
}

// The same for a key the member walk may have taken by the guess `expected`:
// that key is the guess itself, which holds no NUL, and is not scanned again.
inline std::string_view guessedOrMemberKey(std::string_view key, const ExpectedKey& expected) {
  return key.data() == expected.name().data() ? key : memberKey(key);
}

// Where kReplyKeys holds the members of a number or string object in the
// order the engine writes them: the index of the first one.
namespace member_run {
constexpr std::int32_t kScores = result_key::cmdId + 1;  // "semantic", ...
constexpr std::int32_t kAction = kScores + 6;            // "type", ...
static_assert(kReplyKeys[kScores] == "semantic" && kReplyKeys[kAction] == "type", "member runs of kReplyKeys");
}  // namespace member_run

// A new object holding every member of the object at the cursor, each value
// read as a number; empty (and nothing consumed but whitespace) when no object
// stands there.
template <typename Sink>
typename Sink::Object readNumberMembers(Sink& sink, JsonCursor& cursor) {
  typename Sink::Object members = sink.newObject();
  if (cursor.enterObject()) {
    ExpectedKey expected(member_run::kScores);
    cursor.walkMembers(expected.name(), [&](std::string_view key) {
      const std::string_view name = guessedOrMemberKey(key, expected);
      sink.setNumber(members, ReplyKey{name, expected.indexOf(name)}, cursor.readNumber());
    });
  }
  return members;
}

// Walks the members of an object whose brace has been consumed, setting on
// `target` every member's value read as a string.
template <typename Sink>
void readStringMembersInto(Sink& sink, typename Sink::Object& target, JsonCursor& cursor) {
  TextBuffer scratch;
  ExpectedKey expected(member_run::kAction);
  cursor.walkMembers(expected.name(), [&](std::string_view key) {
    const std::string_view name = guessedOrMemberKey(key, expected);
    sink.setString(target, ReplyKey{name, expected.indexOf(name)}, cursor.readStringView(scratch));
  });
}

}  // namespace intent_bridge
