#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace ov {
namespace genai {
namespace scripted {

// Name of the file that makes a directory a scripted model.
inline constexpr const char* kModelScriptFileName = "scripted_model.json";

// Upper bound of the delay members, and of the whole pause of one call (one hour).
inline constexpr double kMaxDelayMs = 3600000;

inline constexpr const char* kDefaultChatTemplate = "<|im_start|>user\n{prompt}<|im_end|>\n<|im_start|>assistant\n";

// A reply as written in the script: null (no text at all) or one or more
// alternative texts. A plain string is a single alternative.
struct Reply {
  std::optional<std::vector<std::string>> alternatives;
};

struct Rule {
  std::string prompt;
  Reply reply;
  // When set, a call whose prompt matches this rule throws ov::Exception with
  // this text instead of answering (so one call of several can fail).
  std::optional<std::string> fail;
};

// The parsed contents of scripted_model.json, with every absent member
// replaced by its default.
struct ModelScript {
  std::vector<std::string> devices{"CPU", "GPU", "NPU"};
  std::string chatTemplate = kDefaultChatTemplate;
  std::vector<Rule> rules;
  Reply defaultReply{std::vector<std::string>{std::string()}};
  std::optional<std::string> failLoad;
  std::optional<std::string> failGenerate;
  bool scoresMismatch = false;
  // Pause of every answered generate call: delayMs, plus delayMsPerCodePoint
  // for each code point of the texts returned (milliseconds, 0 = none).
  double delayMs = 0;
  double delayMsPerCodePoint = 0;
  // The log path exactly as the script writes it (may be relative).
  std::optional<std::filesystem::path> log;
};

}  // namespace scripted
}  // namespace genai
}  // namespace ov
