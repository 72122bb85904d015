// A loaded script: where calls are logged and, per engine function, the queue
// of entries that answers its calls.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "engine_function.h"

namespace scripted {

// A text an engine function hands out: a string, or a null pointer.
struct NullableText {
  bool isNull = false;
  std::string text;
};

// One scripted answer. Every member is optional; an absent one falls back to
// the function's default behaviour.
struct ReplyEntry {
  std::optional<int32_t> code;
  std::optional<std::string> json;
  std::optional<uint32_t> outLength;
  std::optional<int32_t> count;
  std::optional<double> score;
  std::optional<double> raw;
  std::optional<int32_t> cmdId;
  std::optional<NullableText> version;
  // What Norvik_LastErrorMessage returns after this call.
  std::optional<NullableText> message;
};

// Entries answer calls in order; the last one stays and answers every further
// call.
class ReplyQueue {
 public:
  void append(ReplyEntry entry) { entries_.push_back(std::move(entry)); }

  // The entry for the next call, or null when the queue has no entries.
  const ReplyEntry* take();

 private:
  std::vector<ReplyEntry> entries_;
  std::size_t next_ = 0;
};

struct Script {
  std::optional<std::filesystem::path> logPath;  // absent: calls are not logged
  std::array<ReplyQueue, kEngineFunctionCount> queues;

  ReplyQueue& queue(EngineFunction fn) { return queues[static_cast<std::size_t>(fn)]; }
};

}  // namespace scripted
