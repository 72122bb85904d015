#include "scripted_engine.h"

#include <cstdio>

#include "norvik.h"
#include "script_loader.h"

namespace scripted {

ScriptedEngine& ScriptedEngine::instance() {
  static ScriptedEngine engine;
  return engine;
}

const ReplyEntry* ScriptedEngine::take(EngineFunction fn, const CallRecord& record) {
  if (!script_) return nullptr;
  if (script_->logPath) appendToLog(*script_->logPath, record);
  return script_->queue(fn).take();
}

int32_t ScriptedEngine::load(const char* path, std::string& error) {
  LoadResult result = loadScript(path);
  if (!result.script) {
    // The script's author needs to know why, also through a module that does
    // not pass Norvik_LastErrorMessage on.
    std::fprintf(stderr, "scripted norvik: cannot use script %s: %s\n", path != nullptr ? path : "(null)",
                 result.error.c_str());
    error = "cannot use script \"" + std::string(path != nullptr ? path : "(null)") + "\": " + result.error;
    return NORVIK_BAD_INPUT;
  }
  script_ = std::move(result.script);
  return NORVIK_OK;
}

const char* ScriptedEngine::keepText(const std::string& text) {
  return texts_.insert(text).first->c_str();
}

}  // namespace scripted
