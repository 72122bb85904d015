// Norvik_UpdateConfig on arbitrary text. The engine must accept only a JSON
// object with values in range, leave its configuration unchanged on any failure,
// and afterwards report a configuration and route replies of the right shape.
#include <cstdint>
#include <string>
#include <vector>

#include "engine_session.h"
#include "norvik.h"
#include "reply_checks.h"

namespace {

using deskpet_fuzz::require;

std::string configReply() {
  std::vector<char> buffer(1024);
  std::uint32_t length = 0;
  require(Norvik_GetConfig(buffer.data(), 1024, &length) == 0, "Norvik_GetConfig fits 1024 bytes");
  return deskpet_fuzz::checkedReplyText(buffer.data(), 1024, length);
}

std::string routeReply(const char* query) {
  std::vector<char> buffer(65536);
  std::uint32_t length = 0;
  require(Norvik_Route(query, buffer.data(), static_cast<std::int32_t>(buffer.size()), &length) == 0, "Norvik_Route");
  return deskpet_fuzz::checkedReplyText(buffer.data(), static_cast<std::int32_t>(buffer.size()), length);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  deskpet_fuzz::ensureEngine();
  // The engine reads NUL-terminated text: it sees the input up to its first NUL.
  const std::string text(reinterpret_cast<const char*>(data), size);
  const std::int32_t code = Norvik_UpdateConfig(text.c_str());
  require(code == 0 || code == -2 || code == -3, "UpdateConfig gives 0, InvalidArgument or a JSON error");
  deskpet_fuzz::checkLastErrorMessage(code);

  const std::string config = configReply();
  deskpet_fuzz::checkConfigReply(config);
  if (code != 0) require(config == deskpet_fuzz::startingConfigJson(), "a refused update changes nothing");

  for (const char* query : {"打开记事本", "把音量调到50", "你觉得今天的天气怎么样"}) {
    deskpet_fuzz::checkRouteReply(routeReply(query));
  }
  deskpet_fuzz::restoreEngine();
  return 0;
}
