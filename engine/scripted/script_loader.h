// Reads a script file: a JSON object with an optional "log" path and optional
// "replies", which maps engine function names to lists of entries.
#pragma once

#include <optional>
#include <string>

#include "script.h"

namespace scripted {

struct LoadResult {
  std::optional<Script> script;  // absent when the file could not be used
  std::string error;             // why, when the script is absent
};

// `path` is UTF-8. Fails for a missing, unreadable or non-regular file, for
// text that is not JSON, and for JSON that is not a well-formed script (unknown
// keys or function names, values of the wrong kind or out of range).
LoadResult loadScript(const char* path);

}  // namespace scripted
