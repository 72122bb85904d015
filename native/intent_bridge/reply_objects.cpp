#include "reply_objects.h"

namespace intent_bridge {

Napi::Object readNumberMembers(Napi::Env env, JsonCursor& cursor) {
  Napi::Object members = Napi::Object::New(env);
  if (cursor.enterObject()) {
    cursor.walkMembers([&](const std::string& key) {
      members.Set(key.c_str(), Napi::Number::New(env, cursor.readNumber()));
    });
  }
  return members;
}

void readStringMembersInto(Napi::Object target, JsonCursor& cursor) {
  const Napi::Env env = target.Env();
  cursor.walkMembers([&](const std::string& key) { target.Set(key.c_str(), scriptString(env, cursor.readString())); });
}

}  // namespace intent_bridge
