// The route call: one query to the engine's router, the reply buffer grown
// once on request, and the reply read into a script object.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <new>
#include <string>

#include "argument_messages.h"
#include "json_cursor.h"
#include "norvik.h"
#include "reply_builder.h"
#include "reply_tape.h"
#include "route_reply.h"
#include "router_handlers.h"
#include "zeroed_buffer.h"

namespace intent_bridge {

namespace {

constexpr std::int32_t kFirstRouteCapacity = static_cast<std::int32_t>(ReplyTape::kRouteReplyBytes);

// The second engine call after BufferTooSmall, with a buffer of exactly the
// reported length plus one, holding the bytes of the first attempt (`first`)
// that fit and zeros after them. A length whose buffer size does not fit the
// engine's 32-bit capacity, or that cannot be allocated, is not attempted: the
// call then ends as BufferTooSmall.
std::int32_t routeWithRoomFor(const Utf8Argument& query, const char* first, ZeroedBuffer& buffer,
                              std::uint32_t& outLength) {
  const std::uint64_t capacity = static_cast<std::uint64_t>(outLength) + 1;
  if (capacity > static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max())) return NORVIK_BUFFER_TOO_SMALL;
  const bool kept = first != buffer.data();  // the first attempt used the bytes kept with the tape
  if (!buffer.resize(static_cast<std::size_t>(capacity))) return NORVIK_BUFFER_TOO_SMALL;
  if (kept) std::memcpy(buffer.data(), first, std::min<std::size_t>(capacity, kFirstRouteCapacity));
  return Norvik_Route(query.c_str(), buffer.data(), static_cast<std::int32_t>(capacity), &outLength);
}

// The bytes of a route call's first reply: those kept with the environment's
// reply tape when free (zeroed here, as a new buffer would be), else a buffer
// of the call's own.
class FirstReply {
 public:
  FirstReply(napi_env env, ZeroedBuffer& own) : tape_(ReplyTape::borrowRouteReply(env)) {
    if (tape_ != nullptr) {
      bytes_ = tape_->routeReply();
      std::memset(bytes_, 0, kFirstRouteCapacity);
      return;
    }
    if (!own.resize(kFirstRouteCapacity)) throw std::bad_alloc();
    bytes_ = own.data();
  }
  ~FirstReply() {
    if (tape_ != nullptr) tape_->releaseRouteReply();
  }
  FirstReply(const FirstReply&) = delete;
  FirstReply& operator=(const FirstReply&) = delete;

  char* bytes() const { return bytes_; }
  // The environment's reply tape when these bytes are kept with it, else null.
  ReplyTape* tape() const { return tape_; }

 private:
  ReplyTape* tape_;
  char* bytes_ = nullptr;
};

// The route result: each known member of the reply's object, in the reply's
// order; an empty object when the reply is not an object. Built on the tape
// found for the route's first reply (no script has run since, so it is still
// the environment's and no exception is pending), without a second look-up.
napi_value buildRouteResult(napi_env env, ReplyTape* found, EngineReply reply) {
  return buildReplyValueOn(env, ReplyTape::borrow(found), [reply](auto& sink) { return readRouteReply(sink, reply); });
}

}  // namespace

napi_value handleRoute(const CallArguments& args) {
  Utf8Argument query;
  if (!requireStringArgument(args, kExpectedQuery, query)) return undefinedValue(args.env);

  ZeroedBuffer buffer;
  const FirstReply first(args.env, buffer);
  std::uint32_t outLength = 0;
  std::int32_t code = Norvik_Route(query.c_str(), first.bytes(), kFirstRouteCapacity, &outLength);
  const char* reply = first.bytes();
  std::size_t size = kFirstRouteCapacity;
  if (code == NORVIK_BUFFER_TOO_SMALL) {
    code = routeWithRoomFor(query, first.bytes(), buffer, outLength);
    reply = buffer.data();
    size = buffer.size();
  }
  if (code != 0) return throwEngineError(args.env, "Norvik_Route", code);

  return buildRouteResult(args.env, first.tape(), clampedReply(reply, size, outLength));
}

}  // namespace intent_bridge
