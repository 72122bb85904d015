#include "scripted_engine.h"

#include <cstdio>

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

int32_t ScriptedEngine::load(const char* path) {
  LoadResult result = loadScript(path);
  if (!result.script) {
    // The script's author needs to know why; the caller only sees the code.
    std::fprintf(stderr, "scripted norvik: cannot use script %s: %s\n", path != nullptr ? path : "(null)",
                 result.error.c_str());
    return kScriptUnreadable;
  }
  script_ = std::move(result.script);
  return 0;
}

const char* ScriptedEngine::keepText(const std::string& text) {
  return texts_.insert(text).first->c_str();
}

}  // namespace scripted
