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

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <type_traits>

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

// Whether a sink makes objects of a member run itself (see newRunObject).
template <typename Sink, typename = void>
struct HasRunObjects : std::false_type {};
template <typename Sink>
struct HasRunObjects<Sink, std::void_t<decltype(&Sink::newRunObject)>> : std::true_type {};
}  // namespace member_run

// Objects whose members are a known run of kReplyKeys, in the order the
// engine writes them, with nothing before, between or after: a sink may make
// such an object at once (newRunObject), where it would otherwise take a new
// object and one set per member.
enum class MemberRun {
  kScores,   // the six numbers of member_run::kScores
  kCommand,  // id and similarity (numbers), then name (a string)
};
constexpr std::size_t kScoreRunLength = 6;

// A new object holding the run's members: `numbers` in order, then `text`
// for a run that ends with a string. Through the sink's own newRunObject
// when it has one; otherwise a new object and one set per member, in order.
template <typename Sink>
typename Sink::Object newRunObject(Sink& sink, MemberRun run, const double* numbers, std::string_view text) {
  if constexpr (member_run::HasRunObjects<Sink>::value) {
    return sink.newRunObject(run, numbers, text);
  } else {
    typename Sink::Object object = sink.newObject();
    if (run == MemberRun::kScores) {
      for (std::size_t i = 0; i < kScoreRunLength; ++i) {
        sink.setNumber(object, ReplyKey::known(member_run::kScores + static_cast<std::int32_t>(i)), numbers[i]);
      }
    } else {
      sink.setNumber(object, ReplyKey::known(result_key::id), numbers[0]);
      sink.setNumber(object, ReplyKey::known(result_key::similarity), numbers[1]);
      sink.setString(object, ReplyKey::known(result_key::name), text);
    }
    return object;
  }
}

// A new object holding every member of the object at the cursor, each value
// read as a number; empty (and nothing consumed but whitespace) when no object
// stands there. The members are read ahead while they are the score run in
// order; the object is made when the run is whole and the object ends, or
// with the members read so far at the first member that breaks the run (the
// sink then sees what it would have seen without reading ahead).
template <typename Sink>
typename Sink::Object readNumberMembers(Sink& sink, JsonCursor& cursor) {
  if (!cursor.enterObject()) return sink.newObject();
  double ahead[kScoreRunLength];
  std::size_t aheadCount = 0;
  bool made = false;
  typename Sink::Object members{};
  const auto makeWithAhead = [&] {
    members = sink.newObject();
    made = true;
    for (std::size_t i = 0; i < aheadCount; ++i) {
      sink.setNumber(members, ReplyKey::known(member_run::kScores + static_cast<std::int32_t>(i)), ahead[i]);
    }
  };
  ExpectedKey expected(member_run::kScores);
  cursor.walkMembers(expected.name(), [&](std::string_view key) {
    const std::string_view name = guessedOrMemberKey(key, expected);
    const std::int32_t index = expected.indexOf(name);
    if (!made) {
      if (aheadCount < kScoreRunLength && index == member_run::kScores + static_cast<std::int32_t>(aheadCount)) {
        ahead[aheadCount++] = cursor.readNumber();
        return;
      }
      makeWithAhead();
    }
    sink.setNumber(members, ReplyKey{name, index}, cursor.readNumber());
  });
  if (made) return members;
  if (aheadCount == kScoreRunLength) return newRunObject(sink, MemberRun::kScores, ahead, {});
  makeWithAhead();
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
