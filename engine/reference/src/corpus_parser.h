// Reads corpus JSON: either {"config": {...}, "commands": [...]} or a bare array
// of commands. Every command is validated; any invalid member rejects the whole
// text so that a failed load changes nothing.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "command.h"
#include "routing_config.h"
#include "result_codes.h"

namespace norvik {

struct ParsedCorpus {
  std::vector<CommandPtr> commands;
  bool hasConfig = false;
  Config config;  // `base` with the text's "config" applied, when hasConfig
};

// Returns kOk or kFileOrJsonError (malformed JSON, invalid content, duplicate ids
// within the text); `error` then says what was wrong.
ResultCode parseCorpus(std::string_view json, const Config& base, ParsedCorpus& out, std::string& error);

// Reads a whole file given by a UTF-8 path. Returns false when it cannot be read.
bool readFileBytes(const char* utf8Path, std::string& out);

}  // namespace norvik
