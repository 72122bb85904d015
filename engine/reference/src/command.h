// A command of the corpus, as read from JSON and prepared for matching.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "pattern.h"

namespace norvik {

// Where a request that matches the command is sent.
enum class CommandTarget { Local, Llm, Chat };

const char* targetName(CommandTarget target);

using ActionFields = std::vector<std::pair<std::string, std::string>>;

struct Command {
  int32_t id = 0;
  std::string name;
  std::vector<std::string> examples;
  std::vector<std::string> keywords;
  std::vector<Pattern> patterns;
  ActionFields action;
  CommandTarget target = CommandTarget::Local;

  // Normalised keywords, ready for substring search in a normalised query.
  std::vector<std::u32string> normalizedKeywords;
};

using CommandPtr = std::shared_ptr<const Command>;

}  // namespace norvik
