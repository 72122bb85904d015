// The C functions of the engine library (norvik.h). Each one checks its
// arguments, works on the engine instance, records what went wrong for
// Norvik_LastErrorMessage, and turns every C++ exception into a result code:
// nothing may unwind into the caller.
#define NORVIK_BUILDING_LIBRARY
#include "norvik.h"

#include <cstring>
#include <exception>
#include <new>
#include <string>
#include <string_view>
#include <utility>

#include "corpus_file.h"
#include "default_corpus.h"
#include "deskpet/fixed_text.h"
#include "engine.h"
#include "engine_version.h"
#include "reply_format.h"
#include "router.h"
#include "scratch_space.h"

namespace {

using namespace norvik;

Engine& theEngine() {
  // Never destroyed: calls that race with process exit must not meet a dead object.
  static Engine* engine = new Engine();
  return *engine;
}

// Bytes of an error text with its NUL; a longer text is cut to fit.
constexpr std::size_t kErrorTextCapacity = 4096;
using ErrorText = deskpet::FixedText<kErrorTextCapacity>;

// The text Norvik_LastErrorMessage returns on this thread: a plain array, so
// that the thread's end has nothing of the engine to destroy (see
// scratch_space.h).
ErrorText& lastErrorText() noexcept {
  thread_local ErrorText text;
  return text;
}

// Runs `body(error)` and records its outcome for this thread: "" on success,
// `error` on failure. An exception becomes NORVIK_INTERNAL; its text is set
// without allocating where the full one cannot be had.
template <typename Body>
int32_t guarded(Body&& body) noexcept {
  ErrorText& recorded = lastErrorText();
  try {
    std::string error;
    const int32_t code = body(error);
    recorded.assign(error);
    return code;
  } catch (const std::bad_alloc&) {
    recorded.assign("out of memory");
  } catch (const std::exception& exception) {
    try {
      recorded.assign(std::string("internal error: ") + exception.what());
    } catch (...) {
      recorded.assign("internal error");
    }
  } catch (...) {
    recorded.assign("internal error");
  }
  return NORVIK_INTERNAL;
}

int32_t invalid(std::string& error, std::string text) {
  error = std::move(text);
  return NORVIK_INVALID_ARGUMENT;
}

int32_t notInitialised(std::string& error) {
  error = kNotInitialisedMessage;
  return NORVIK_NOT_INITIALIZED;
}

// Puts a reply and its NUL in the caller's buffer (where the reply may already
// stand), or reports the length it needs.
int32_t deliver(std::string_view reply, char* out, int32_t capacity, uint32_t* outLength, std::string& error) {
  *outLength = static_cast<uint32_t>(reply.size());
  if (reply.size() + 1 > static_cast<std::size_t>(capacity)) {
    error = "the reply needs " + std::to_string(reply.size() + 1) + " bytes with its NUL; the buffer holds " +
            std::to_string(capacity);
    return NORVIK_BUFFER_TOO_SMALL;
  }
  if (reply.data() != out) std::memcpy(out, reply.data(), reply.size());
  out[reply.size()] = '\0';
  return NORVIK_OK;
}

// Room for the reply of a route or similarity call whose reply may not fit
// the caller's buffer, kept in the call's scratch so that its capacity serves
// later calls.
struct ReplyText {
  std::string spare;
};

// The decision of the last route made with this space, kept for the room its
// candidates, reasoning and action took.
struct DecisionSpace {
  RouteDecision decision;
};

// NORVIK_OK when a reply buffer can be used, else why not.
int32_t checkBuffer(const char* out, int32_t capacity, const uint32_t* outLength, std::string& error) {
  if (outLength == nullptr) return invalid(error, "outLength is null");
  if (capacity < 0) return invalid(error, "capacity is negative (" + std::to_string(capacity) + ")");
  if (out == nullptr && capacity != 0) {
    return invalid(error, "outJson is null while capacity is " + std::to_string(capacity));
  }
  return NORVIK_OK;
}

// Starts the engine from a corpus file, or adds one; a corpus error names the file.
template <typename UseText>
int32_t fromCorpusFile(const char* path, std::string& error, UseText useText) {
  CorpusFile file;
  if (!readCorpusFile(path, file, error)) return NORVIK_BAD_INPUT;
  const int32_t code = useText(file.bytes);
  if (code == NORVIK_BAD_INPUT) error = "corpus file " + file.description + ": " + error;
  return code;
}

}  // namespace

extern "C" {

int32_t Norvik_InitDefault(void) {
  return guarded([](std::string& error) { return theEngine().initFromText(defaultCorpusJson(), error); });
}

int32_t Norvik_InitFromFile(const char* path) {
  return guarded([path](std::string& error) -> int32_t {
    if (path == nullptr) return invalid(error, "path is null");
    return fromCorpusFile(path, error, [&](const std::string& text) { return theEngine().initFromText(text, error); });
  });
}

int32_t Norvik_Route(const char* query, char* outJson, int32_t capacity, uint32_t* outLength) {
  return guarded([=](std::string& error) -> int32_t {
    if (query == nullptr) return invalid(error, "query is null");
    if (const int32_t code = checkBuffer(outJson, capacity, outLength, error); code != NORVIK_OK) return code;
    const auto snapshot = theEngine().snapshot();
    if (!snapshot) return notInitialised(error);
    const ScratchScope scope;  // one lease for the route and its helpers
    RouteDecision& decision = scope.get<DecisionSpace>().decision;
    routeQueryInto(*snapshot, query, decision);
    const std::string_view reply = writeRouteReply(*snapshot, decision, snapshot->config.verbose, outJson,
                                                   static_cast<std::size_t>(capacity), scope.get<ReplyText>().spare);
    return deliver(reply, outJson, capacity, outLength, error);
  });
}

int32_t Norvik_QuerySimilarity(const char* query, int32_t topK, char* outJson, int32_t capacity, uint32_t* outLength) {
  return guarded([=](std::string& error) -> int32_t {
    if (query == nullptr) return invalid(error, "query is null");
    if (const int32_t code = checkBuffer(outJson, capacity, outLength, error); code != NORVIK_OK) return code;
    const auto snapshot = theEngine().snapshot();
    if (!snapshot) return notInitialised(error);
    const std::size_t limit = topK > 0 ? static_cast<std::size_t>(topK) : 0;
    const ScratchScope scope;
    const auto hits = snapshot->index->search(normalizeChars(query), limit);
    const std::string_view reply = writeSimilarityReply(*snapshot, hits, outJson, static_cast<std::size_t>(capacity),
                                                        scope.get<ReplyText>().spare);
    return deliver(reply, outJson, capacity, outLength, error);
  });
}

int32_t Norvik_SemanticScore(const char* query, double* outScore, double* outRaw, int32_t* outCmdId) {
  return guarded([=](std::string& error) -> int32_t {
    if (query == nullptr) return invalid(error, "query is null");
    if (outScore == nullptr) return invalid(error, "outScore is null");
    if (outRaw == nullptr) return invalid(error, "outRaw is null");
    if (outCmdId == nullptr) return invalid(error, "outCmdId is null");
    const auto snapshot = theEngine().snapshot();
    if (!snapshot) return notInitialised(error);
    const auto hits = snapshot->index->search(normalizeChars(query), 1);
    if (hits.empty()) {
      *outScore = 0.0;
      *outRaw = 0.0;
      *outCmdId = -1;
    } else {
      *outScore = hits.front().similarity;
      *outRaw = hits.front().raw;
      *outCmdId = snapshot->active[hits.front().command]->id;
    }
    return NORVIK_OK;
  });
}

int32_t Norvik_UpdateConfig(const char* configJson) {
  return guarded([configJson](std::string& error) -> int32_t {
    if (configJson == nullptr) return invalid(error, "configJson is null");
    return theEngine().updateConfig(configJson, error);
  });
}

int32_t Norvik_GetConfig(char* outJson, int32_t capacity, uint32_t* outLength) {
  return guarded([=](std::string& error) -> int32_t {
    if (const int32_t code = checkBuffer(outJson, capacity, outLength, error); code != NORVIK_OK) return code;
    const auto snapshot = theEngine().snapshot();
    if (!snapshot) return notInitialised(error);
    return deliver(writeConfigJson(snapshot->config), outJson, capacity, outLength, error);
  });
}

int32_t Norvik_AddCorpus(const char* corpusJson, int32_t length, int32_t* outCount) {
  return guarded([=](std::string& error) -> int32_t {
    if (outCount == nullptr) return invalid(error, "outCount is null");
    if (length < 0) return invalid(error, "length is negative (" + std::to_string(length) + ")");
    if (corpusJson == nullptr && length > 0) {
      return invalid(error, "corpusJson is null while length is " + std::to_string(length));
    }
    const std::string_view text(corpusJson == nullptr ? "" : corpusJson, static_cast<std::size_t>(length));
    return theEngine().addCorpus(text, *outCount, error);
  });
}

int32_t Norvik_AddCorpusFromFile(const char* path, int32_t* outCount) {
  return guarded([=](std::string& error) -> int32_t {
    if (path == nullptr) return invalid(error, "path is null");
    if (outCount == nullptr) return invalid(error, "outCount is null");
    if (!theEngine().snapshot()) return notInitialised(error);
    return fromCorpusFile(path, error,
                          [&](const std::string& text) { return theEngine().addCorpus(text, *outCount, error); });
  });
}

int32_t Norvik_ClearUserCorpus(void) {
  return guarded([](std::string& error) { return theEngine().clearUserCorpus(error); });
}

int32_t Norvik_GetCommandCount(void) {
  return guarded([](std::string& error) -> int32_t {
    const auto snapshot = theEngine().snapshot();
    if (!snapshot) return notInitialised(error);
    return static_cast<int32_t>(snapshot->active.size());
  });
}

int32_t Norvik_Destroy(void) {
  return guarded([](std::string&) {
    theEngine().destroy();
    return NORVIK_OK;
  });
}

const char* Norvik_Version(void) {
  return kVersionText;
}

const char* Norvik_LastErrorMessage(void) {
  return lastErrorText().c_str();
}

}  // extern "C"
