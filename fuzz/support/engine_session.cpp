#include "engine_session.h"

#include <vector>

#include "norvik.h"

namespace deskpet_fuzz {

namespace {

std::string readConfig() {
  std::vector<char> buffer(1024);
  std::uint32_t length = 0;
  require(Norvik_GetConfig(buffer.data(), static_cast<std::int32_t>(buffer.size()), &length) == 0,
          "Norvik_GetConfig after start");
  return std::string(buffer.data(), length);
}

}  // namespace

void ensureEngine() {
  static const bool started = [] {
    require(Norvik_InitDefault() == 0, "Norvik_InitDefault");
    return true;
  }();
  static_cast<void>(started);
}

const std::string& startingConfigJson() {
  ensureEngine();
  static const std::string config = readConfig();
  return config;
}

void restoreEngine() {
  const std::string& config = startingConfigJson();
  require(Norvik_ClearUserCorpus() == 0, "Norvik_ClearUserCorpus");
  require(Norvik_UpdateConfig(config.c_str()) == 0, "restoring the starting configuration");
}

}  // namespace deskpet_fuzz
