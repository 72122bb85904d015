// Checks on what a reply reader recorded: the members an object may have and
// the kinds of their values.
#pragma once

#include <initializer_list>
#include <string>

#include "fuzz_check.h"
#include "recording_sink.h"

namespace deskpet_fuzz {

using RecordedNode = intent_bridge::testing::RecordingSink::Node;
using RecordedKind = RecordedNode::Kind;

inline bool isOneOf(const std::string& key, std::initializer_list<const char*> names) {
  for (const char* name : names) {
    if (key == name) return true;
  }
  return false;
}

// An object whose every member holds a value of `kind`.
inline void requireMembersOfKind(const RecordedNode& object, RecordedKind kind, const char* what) {
  require(object.kind == RecordedKind::Object, what);
  for (const auto& member : object.members) require(member.second->kind == kind, what);
}

}  // namespace deskpet_fuzz
