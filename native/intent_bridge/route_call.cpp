#include "route_call.h"

#include <cstdint>
#include <limits>
#include <new>
#include <string>

#include "argument_messages.h"
#include "norvik.h"
#include "reply_builder.h"
#include "route_reply.h"
#include "router_handlers.h"
#include "zeroed_buffer.h"

namespace intent_bridge {

namespace {

constexpr std::int32_t kFirstRouteCapacity = 8192;

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

napi_value buildRouteResult(napi_env env, EngineReply reply) {
  return buildReplyValue(env, [reply](auto& sink) { return readRouteReply(sink, reply); });
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

  return buildRouteResult(args.env, clampedReply(buffer.data(), buffer.size(), outLength));
}

}  // namespace intent_bridge
