#include "route_call.h"

#include <cstdint>
#include <limits>
#include <new>
#include <string>

#include "argument_messages.h"
#include "norvik.h"
#include "reply_objects.h"
#include "router_handlers.h"
#include "zeroed_buffer.h"

namespace intent_bridge {

namespace {

constexpr std::int32_t kFirstRouteCapacity = 8192;

// null for the word null; an object with id, similarity and name for an
// object; otherwise nothing is set and the value stays for the outer walk.
void readMatchedCommand(Napi::Env env, JsonCursor& cursor, Napi::Object result) {
  if (cursor.takeLiteral("null")) {
    result.Set("matchedCommand", env.Null());
    return;
  }
  if (!cursor.enterObject()) return;
  Napi::Object command = Napi::Object::New(env);
  cursor.walkMembers([&](const std::string& key) {
    if (key == "id") command.Set("id", Napi::Number::New(env, cursor.readNumber()));
    else if (key == "similarity") command.Set("similarity", Napi::Number::New(env, cursor.readNumber()));
    else if (key == "name") command.Set("name", scriptString(env, cursor.readString()));
    else cursor.skipValue();
  });
  result.Set("matchedCommand", command);
}

// null for the word null; an object of strings for an object; otherwise
// nothing is set.
void readPatternAction(Napi::Env env, JsonCursor& cursor, Napi::Object result) {
  if (cursor.takeLiteral("null")) {
    result.Set("patternAction", env.Null());
    return;
  }
  if (!cursor.enterObject()) return;
  Napi::Object action = Napi::Object::New(env);
  readStringMembersInto(action, cursor);
  result.Set("patternAction", action);
}

// The second engine call after BufferTooSmall, with a buffer of exactly the
// reported length plus one. A length whose buffer size does not fit the
// engine's 32-bit capacity, or that cannot be allocated, is not attempted: the
// call then ends as BufferTooSmall.
std::int32_t routeWithRoomFor(const std::string& query, ZeroedBuffer& buffer, std::uint32_t& outLength) {
  const std::uint64_t capacity = static_cast<std::uint64_t>(outLength) + 1;
  if (capacity > static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max())) return NORVIK_BUFFER_TOO_SMALL;
  if (!buffer.resize(static_cast<std::size_t>(capacity))) return NORVIK_BUFFER_TOO_SMALL;
  return Norvik_Route(query.c_str(), buffer.data(), static_cast<std::int32_t>(capacity), &outLength);
}

}  // namespace

Napi::Object buildRouteResult(Napi::Env env, EngineReply reply) {
  Napi::Object result = Napi::Object::New(env);
  JsonCursor cursor(reply);
  if (!cursor.enterObject()) return result;
  cursor.walkMembers([&](const std::string& key) {
    if (key == "target") result.Set("target", scriptString(env, cursor.readString()));
    else if (key == "confidence") result.Set("confidence", Napi::Number::New(env, cursor.readNumber()));
    else if (key == "reasoning") result.Set("reasoning", scriptString(env, cursor.readString()));
    else if (key == "scores") result.Set("scores", readNumberMembers(env, cursor));
    else if (key == "matchedCommand") readMatchedCommand(env, cursor, result);
    else if (key == "patternAction") readPatternAction(env, cursor, result);
    else cursor.skipValue();
  });
  return result;
}

napi_value handleRoute(const CallArguments& args) {
  const auto query = requireStringArgument(args, kExpectedQuery);
  if (!query) return undefinedValue(args.env);

  ZeroedBuffer buffer;
  if (!buffer.resize(kFirstRouteCapacity)) throw std::bad_alloc();
  std::uint32_t outLength = 0;
  std::int32_t code = Norvik_Route(query->c_str(), buffer.data(), kFirstRouteCapacity, &outLength);
  if (code == NORVIK_BUFFER_TOO_SMALL) code = routeWithRoomFor(*query, buffer, outLength);
  if (code != 0) return throwEngineError(args.env, "Norvik_Route", code);

  const Napi::Env env(args.env);
  return buildRouteResult(env, clampedReply(buffer.data(), buffer.size(), outLength));
}

}  // namespace intent_bridge
