// Reads corpus JSON: either {"config": {...}, "commands": [...]} or a bare array
// of commands. Every command is validated; any invalid member rejects the whole
// text so that a failed load changes nothing.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "command.h"
#include "routing_config.h"

namespace norvik {

struct ParsedCorpus {
  std::vector<CommandPtr> commands;
  bool hasConfig = false;
  Config config;  // `base` with the text's "config" applied, when hasConfig
};

// Returns NORVIK_OK or NORVIK_BAD_INPUT (malformed JSON, invalid content,
// duplicate ids within the text). `error` then says what was wrong and where:
// the line and column of a JSON error, or the command by its place in the list
// (from 0) and its id, and the member, e.g.
// `commands[3] (id 205): "name" is missing`.
int32_t parseCorpus(std::string_view json, const Config& base, ParsedCorpus& out, std::string& error);

}  // namespace norvik
