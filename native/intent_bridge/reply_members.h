// Readers of engine replies build their results through a sink, so that the
// same reading code makes script objects in the module (NapiReplySink) and
// plain records in tests and fuzz targets. A sink provides:
//
//   typename Sink::Object, typename Sink::Array   handles of values being built
//   Object newObject();   Array newArray();
//   void setNumber(Object&, const char* key, double);
//   void setString(Object&, const char* key, const std::string& bytes);
//   void setBoolean(Object&, const char* key, bool);
//   void setNull(Object&, const char* key);
//   void setObject(Object&, const char* key, const Object& value);
//   void setArray(Object&, const char* key, const Array& value);
//   void setElement(Array&, std::uint32_t index, const Object& value);
//
// Keys are NUL-terminated, so a key read from a reply ends at a NUL it holds.
// Strings are passed with every byte, embedded NULs included. The readers call
// the sink in the order in which the values are read.
//
// This file holds the two member readers the route, similarity and
// configuration readers share.
#pragma once

#include <string>

#include "json_cursor.h"

namespace intent_bridge {

// A new object holding every member of the object at the cursor, each value
// read as a number; empty (and nothing consumed but whitespace) when no object
// stands there.
template <typename Sink>
typename Sink::Object readNumberMembers(Sink& sink, JsonCursor& cursor) {
  typename Sink::Object members = sink.newObject();
  if (cursor.enterObject()) {
    cursor.walkMembers([&](const std::string& key) { sink.setNumber(members, key.c_str(), cursor.readNumber()); });
  }
  return members;
}

// Walks the members of an object whose brace has been consumed, setting on
// `target` every member's value read as a string.
template <typename Sink>
void readStringMembersInto(Sink& sink, typename Sink::Object& target, JsonCursor& cursor) {
  cursor.walkMembers([&](const std::string& key) { sink.setString(target, key.c_str(), cursor.readString()); });
}

}  // namespace intent_bridge
