// Script objects read from an engine reply with a JsonCursor, shared by the
// route, similarity and configuration builders.
#ifndef INTENT_BRIDGE_REPLY_OBJECTS_H
#define INTENT_BRIDGE_REPLY_OBJECTS_H

#include <napi.h>

#include <string>

#include "json_cursor.h"

namespace intent_bridge {

// A script string with every byte of `bytes`, embedded NULs included.
inline Napi::String scriptString(Napi::Env env, const std::string& bytes) { return Napi::String::New(env, bytes); }

// A new object holding every member of the object at the cursor, each value
// read as a number; empty (and nothing consumed but whitespace) when no object
// stands there. Property names end at a NUL byte inside a key.
Napi::Object readNumberMembers(Napi::Env env, JsonCursor& cursor);

// Walks the members of an object whose brace has been consumed, setting on
// `target` every member's value read as a string.
void readStringMembersInto(Napi::Object target, JsonCursor& cursor);

}  // namespace intent_bridge

#endif  // INTENT_BRIDGE_REPLY_OBJECTS_H
