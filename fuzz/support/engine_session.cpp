#include "engine_session.h"

#include <cstring>
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

void checkLastErrorMessage(std::int32_t code) {
  const char* message = Norvik_LastErrorMessage();
  require(message != nullptr, "Norvik_LastErrorMessage is never null");
  if (code == 0) {
    require(*message == '\0', "a success leaves no message");
    return;
  }
  require(*message != '\0', "a failure leaves a message");
  if (std::strncmp(message, "malformed JSON", 14) == 0) {
    require(std::strncmp(message, "malformed JSON at line ", 23) == 0, "malformed JSON is located");
  }
}

void restoreEngine() {
  const std::string& config = startingConfigJson();
  require(Norvik_ClearUserCorpus() == 0, "Norvik_ClearUserCorpus");
  require(Norvik_UpdateConfig(config.c_str()) == 0, "restoring the starting configuration");
}

}  // namespace deskpet_fuzz
