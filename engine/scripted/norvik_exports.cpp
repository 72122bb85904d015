// The exported engine functions. Each one takes the engine lock, records the
// call, takes its scripted entry and answers from it; before a script is loaded
// every function answers 0 and writes nothing. Norvik_LastErrorMessage answers
// from the last call of the thread; a build with
// NORVIK_SCRIPTED_WITHOUT_LAST_ERROR_MESSAGE leaves it out, like an engine made
// before it existed.
#include <exception>
#include <mutex>
#include <new>
#include <optional>
#include <string>
#include <string_view>

#include "deskpet/fixed_text.h"
#include "norvik.h"
#include "reply_writer.h"
#include "scripted_engine.h"

namespace {

using scripted::CallRecord;
using scripted::EngineFunction;
using scripted::NullableText;
using scripted::ReplyEntry;
using scripted::ScriptedEngine;

constexpr const char* kDefaultVersion = "scripted";

// What Norvik_LastErrorMessage returns on this thread (null, or a text of at
// most 4095 bytes), in plain storage: the thread's end has nothing of the
// engine to destroy, as in the reference engine.
struct ThreadMessage {
  bool isNull = false;
  deskpet::FixedText<4096> text;

  void set(bool null, std::string_view value) noexcept {
    isNull = null;
    text.assign(value);
  }
};

ThreadMessage& lastMessage() noexcept {
  thread_local ThreadMessage message;
  return message;
}

bool isFailure(EngineFunction fn, int32_t result) {
  return fn == EngineFunction::kGetCommandCount ? result < 0 : result != NORVIK_OK;
}

// The entry's "message" when it has one; else "" after a success and a text
// naming the function and its result after a failure.
void recordMessage(EngineFunction fn, const ReplyEntry* entry, int32_t result) {
  ThreadMessage& message = lastMessage();
  if (entry != nullptr && entry->message) {
    message.set(entry->message->isNull, entry->message->text);
  } else if (isFailure(fn, result)) {
    message.set(false,
                "scripted engine: " + std::string(scripted::functionName(fn)) + " returned " + std::to_string(result));
  } else {
    message.set(false, "");
  }
}

// No exception leaves the library: a failure inside it is NORVIK_INTERNAL,
// with a text that needs no allocation.
int32_t internalFailure(bool outOfMemory) noexcept {
  lastMessage().set(false, outOfMemory ? "out of memory" : "internal error");
  return NORVIK_INTERNAL;
}

// Runs one call under the engine lock. `describe` adds the call's arguments to
// its log record; `answer` gets the entry (null for the default answer) and
// returns the result. No exception leaves the library.
template <typename Describe, typename Answer>
int32_t scriptedCall(EngineFunction fn, Describe describe, Answer answer) noexcept {
  try {
    ScriptedEngine& engine = ScriptedEngine::instance();
    std::lock_guard<std::mutex> lock(engine.mutex());
    const ReplyEntry* entry = nullptr;
    if (engine.hasScript()) {
      CallRecord record(fn);
      describe(record);
      entry = engine.take(fn, record);
    }
    const int32_t result = answer(entry);
    recordMessage(fn, entry, result);
    return result;
  } catch (const std::bad_alloc&) {
    return internalFailure(true);
  } catch (...) {
    return internalFailure(false);
  }
}

void noArguments(CallRecord&) {}

int32_t codeOnly(const ReplyEntry* entry) {
  return entry ? entry->code.value_or(0) : 0;
}

int32_t replyCall(EngineFunction fn, const char* query, const int32_t* topK, char* outJson, int32_t capacity,
                  uint32_t* outLength) noexcept {
  return scriptedCall(
      fn,
      [&](CallRecord& record) {
        if (fn != EngineFunction::kGetConfig) record.addText("query", query);
        if (topK != nullptr) record.addInteger("topK", *topK);
        record.addInteger("capacity", capacity);
        record.addPointee("outLengthIn", outLength);
        record.addBufferZeroed(outJson, capacity);
      },
      [&](const ReplyEntry* entry) { return entry ? scripted::writeReply(*entry, outJson, capacity, outLength) : 0; });
}

}  // namespace

extern "C" {

int32_t Norvik_InitDefault(void) {
  return scriptedCall(EngineFunction::kInitDefault, noArguments, codeOnly);
}

int32_t Norvik_InitFromFile(const char* path) {
  try {
    ScriptedEngine& engine = ScriptedEngine::instance();
    std::lock_guard<std::mutex> lock(engine.mutex());
    // Copied: the entry belongs to the script that a successful load replaces.
    std::optional<NullableText> scriptedMessage;
    if (engine.hasScript()) {
      CallRecord record(EngineFunction::kInitFromFile);
      record.addText("path", path);
      const ReplyEntry* entry = engine.take(EngineFunction::kInitFromFile, record);
      const int32_t code = codeOnly(entry);
      if (code != NORVIK_OK) {  // the current script stays
        recordMessage(EngineFunction::kInitFromFile, entry, code);
        return code;
      }
      if (entry != nullptr) scriptedMessage = entry->message;
    }
    std::string error;
    const int32_t code = engine.load(path, error);
    const NullableText message =
        code != NORVIK_OK ? NullableText{false, std::move(error)} : scriptedMessage.value_or(NullableText{});
    lastMessage().set(message.isNull, message.text);
    return code;
  } catch (const std::bad_alloc&) {
    return internalFailure(true);
  } catch (...) {
    return internalFailure(false);
  }
}

int32_t Norvik_Route(const char* query, char* outJson, int32_t capacity, uint32_t* outLength) {
  return replyCall(EngineFunction::kRoute, query, nullptr, outJson, capacity, outLength);
}

int32_t Norvik_QuerySimilarity(const char* query, int32_t topK, char* outJson, int32_t capacity, uint32_t* outLength) {
  return replyCall(EngineFunction::kQuerySimilarity, query, &topK, outJson, capacity, outLength);
}

int32_t Norvik_SemanticScore(const char* query, double* outScore, double* outRaw, int32_t* outCmdId) {
  return scriptedCall(
      EngineFunction::kSemanticScore,
      [&](CallRecord& record) {
        record.addText("query", query);
        record.addPointee("outScoreIn", outScore);
        record.addPointee("outRawIn", outRaw);
        record.addPointee("outCmdIdIn", outCmdId);
      },
      [&](const ReplyEntry* entry) {
        if (entry == nullptr) return 0;
        scripted::writeOut(entry->score, outScore);
        scripted::writeOut(entry->raw, outRaw);
        scripted::writeOut(entry->cmdId, outCmdId);
        return entry->code.value_or(0);
      });
}

int32_t Norvik_UpdateConfig(const char* configJson) {
  return scriptedCall(
      EngineFunction::kUpdateConfig, [&](CallRecord& record) { record.addText("configJson", configJson); }, codeOnly);
}

int32_t Norvik_GetConfig(char* outJson, int32_t capacity, uint32_t* outLength) {
  return replyCall(EngineFunction::kGetConfig, nullptr, nullptr, outJson, capacity, outLength);
}

int32_t Norvik_AddCorpus(const char* corpusJson, int32_t length, int32_t* outCount) {
  return scriptedCall(
      EngineFunction::kAddCorpus,
      [&](CallRecord& record) {
        record.addText("corpusJson", corpusJson);
        record.addInteger("length", length);
        record.addPointee("outCountIn", outCount);
      },
      [&](const ReplyEntry* entry) {
        if (entry == nullptr) return 0;
        scripted::writeOut(entry->count, outCount);
        return entry->code.value_or(0);
      });
}

int32_t Norvik_AddCorpusFromFile(const char* path, int32_t* outCount) {
  return scriptedCall(
      EngineFunction::kAddCorpusFromFile,
      [&](CallRecord& record) {
        record.addText("path", path);
        record.addPointee("outCountIn", outCount);
      },
      [&](const ReplyEntry* entry) {
        if (entry == nullptr) return 0;
        scripted::writeOut(entry->count, outCount);
        return entry->code.value_or(0);
      });
}

int32_t Norvik_ClearUserCorpus(void) {
  return scriptedCall(EngineFunction::kClearUserCorpus, noArguments, codeOnly);
}

int32_t Norvik_GetCommandCount(void) {
  return scriptedCall(EngineFunction::kGetCommandCount, noArguments, codeOnly);
}

int32_t Norvik_Destroy(void) {
  return scriptedCall(EngineFunction::kDestroy, noArguments, codeOnly);
}

const char* Norvik_Version(void) {
  try {
    ScriptedEngine& engine = ScriptedEngine::instance();
    std::lock_guard<std::mutex> lock(engine.mutex());
    if (!engine.hasScript()) return kDefaultVersion;
    const ReplyEntry* entry = engine.take(EngineFunction::kVersion, CallRecord(EngineFunction::kVersion));
    if (entry == nullptr || !entry->version) return kDefaultVersion;
    if (entry->version->isNull) return nullptr;
    return engine.keepText(entry->version->text);
  } catch (...) {
    return nullptr;
  }
}

#ifndef NORVIK_SCRIPTED_WITHOUT_LAST_ERROR_MESSAGE
const char* Norvik_LastErrorMessage(void) {
  const ThreadMessage& message = lastMessage();
  return message.isNull ? nullptr : message.text.c_str();
}
#endif

}  // extern "C"
