// Norvik_Route on arbitrary query bytes (valid UTF-8 or not), in normal and in
// verbose mode. Every reply must be valid JSON of the route shape; a buffer too
// small for it must give BufferTooSmall with the exact length needed, and the
// retry with that room must give the same reply.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <string>
#include <vector>

#include "engine_session.h"
#include "norvik.h"
#include "reply_checks.h"

namespace {

using deskpet_fuzz::require;

std::string routeReply(const std::string& query) {
  std::vector<char> buffer(8192);
  std::uint32_t length = 0;
  std::int32_t code = Norvik_Route(query.c_str(), buffer.data(), static_cast<std::int32_t>(buffer.size()), &length);
  if (code == NORVIK_BUFFER_TOO_SMALL) {
    buffer.assign(static_cast<std::size_t>(length) + 1, '\0');
    code = Norvik_Route(query.c_str(), buffer.data(), static_cast<std::int32_t>(buffer.size()), &length);
  }
  require(code == 0, "Norvik_Route succeeds on an initialised engine");
  return deskpet_fuzz::checkedReplyText(buffer.data(), static_cast<std::int32_t>(buffer.size()), length);
}

// A heap buffer of exactly `capacity` bytes: the engine must not write past it.
void checkSmallBuffer(const std::string& query, const std::string& reply, std::int32_t capacity) {
  std::vector<char> exact(static_cast<std::size_t>(capacity));
  std::uint32_t length = 0;
  const std::int32_t code = Norvik_Route(query.c_str(), exact.data(), capacity, &length);
  require(length == reply.size(), "the length needed is the reply's length");
  if (reply.size() + 1 > static_cast<std::size_t>(capacity)) {
    require(code == NORVIK_BUFFER_TOO_SMALL, "a short buffer gives BufferTooSmall");
  } else {
    require(code == 0 && std::string(exact.data(), length) == reply, "the same reply when it fits");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  deskpet_fuzz::ensureEngine();
  FuzzedDataProvider input(data, size);
  const bool verbose = input.ConsumeBool();
  const auto smallCapacity = input.ConsumeIntegralInRange<std::int32_t>(0, 1024);
  const std::string query = input.ConsumeRemainingBytesAsString();

  if (verbose) require(Norvik_UpdateConfig("{\"verbose\":true}") == 0, "verbose on");
  const std::string reply = routeReply(query);
  deskpet_fuzz::checkRouteReply(reply);
  checkSmallBuffer(query, reply, smallCapacity);
  if (verbose) deskpet_fuzz::restoreEngine();
  return 0;
}
