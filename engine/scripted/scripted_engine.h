// The one engine instance: the loaded script, the lock that serialises every
// call, and the version texts handed out.
#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <set>
#include <string>

#include "call_record.h"
#include "script.h"

namespace scripted {

class ScriptedEngine {
 public:
  static ScriptedEngine& instance();

  // Every other member must be used with this lock held.
  std::mutex& mutex() { return mutex_; }

  bool hasScript() const { return script_.has_value(); }

  // Logs the call and takes the function's next entry. Null when no script is
  // loaded (nothing is logged then) or the function's queue is empty.
  const ReplyEntry* take(EngineFunction fn, const CallRecord& record);

  // Reads the script at `path` and makes it the whole script: NORVIK_OK, or
  // NORVIK_BAD_INPUT with the current script kept and `error` saying why.
  int32_t load(const char* path, std::string& error);

  // A stable copy of the text: valid until the process ends, so that a pointer
  // handed to a caller never dangles, whatever other threads do.
  const char* keepText(const std::string& text);

 private:
  ScriptedEngine() = default;

  std::mutex mutex_;
  std::optional<Script> script_;
  std::set<std::string> texts_;
};

}  // namespace scripted
