// The thirteen C functions of the engine library. Each one checks its arguments,
// works on the engine instance, and turns every C++ exception into a result code:
// nothing may unwind into the caller.
#define NORVIK_BUILDING_LIBRARY
#include "norvik.h"

#include <cstring>
#include <new>
#include <string>
#include <utility>

#include "corpus_parser.h"
#include "default_corpus.h"
#include "engine.h"
#include "reply_format.h"
#include "router.h"
#include "engine_version.h"

namespace {

using namespace norvik;

Engine& theEngine() {
  // Never destroyed: calls that race with process exit must not meet a dead object.
  static Engine* engine = new Engine();
  return *engine;
}

template <typename Body>
int32_t guarded(Body&& body) noexcept {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return kInternalError;
  } catch (...) {
    return kInternalError;
  }
}

// Copies a reply and its NUL into the caller's buffer, or reports the length it needs.
int32_t deliver(const std::string& reply, char* out, int32_t capacity, uint32_t* outLength) {
  *outLength = static_cast<uint32_t>(reply.size());
  if (reply.size() + 1 > static_cast<std::size_t>(capacity)) return kBufferTooSmall;
  std::memcpy(out, reply.data(), reply.size());
  out[reply.size()] = '\0';
  return kOk;
}

// The reply text of the calling thread's last route or similarity call, kept
// so that its capacity serves the next one.
std::string& replyBuffer() {
  thread_local std::string buffer;
  return buffer;
}

bool validBuffer(const char* out, int32_t capacity, const uint32_t* outLength) {
  return outLength != nullptr && capacity >= 0 && (out != nullptr || capacity == 0);
}

}  // namespace

extern "C" {

int32_t Norvik_InitDefault(void) {
  return guarded([] { return theEngine().initFromText(defaultCorpusJson()); });
}

int32_t Norvik_InitFromFile(const char* path) {
  return guarded([path]() -> int32_t {
    if (path == nullptr) return kInvalidArgument;
    std::string bytes;
    if (!readFileBytes(path, bytes)) return kFileOrJsonError;
    return theEngine().initFromText(bytes);
  });
}

int32_t Norvik_Route(const char* query, char* outJson, int32_t capacity, uint32_t* outLength) {
  return guarded([=]() -> int32_t {
    if (query == nullptr || !validBuffer(outJson, capacity, outLength)) return kInvalidArgument;
    const auto snapshot = theEngine().snapshot();
    if (!snapshot) return kNotInitialised;
    const RouteDecision decision = routeQuery(*snapshot, query);
    std::string& reply = replyBuffer();
    reply = writeRouteReply(decision, snapshot->config.verbose, std::move(reply));
    return deliver(reply, outJson, capacity, outLength);
  });
}

int32_t Norvik_QuerySimilarity(const char* query, int32_t topK, char* outJson, int32_t capacity, uint32_t* outLength) {
  return guarded([=]() -> int32_t {
    if (query == nullptr || !validBuffer(outJson, capacity, outLength)) return kInvalidArgument;
    const auto snapshot = theEngine().snapshot();
    if (!snapshot) return kNotInitialised;
    const std::size_t limit = topK > 0 ? static_cast<std::size_t>(topK) : 0;
    const auto hits = snapshot->index->search(normalizeText(query).chars, limit);
    std::string& reply = replyBuffer();
    reply = writeSimilarityReply(*snapshot, hits, std::move(reply));
    return deliver(reply, outJson, capacity, outLength);
  });
}

int32_t Norvik_SemanticScore(const char* query, double* outScore, double* outRaw, int32_t* outCmdId) {
  return guarded([=]() -> int32_t {
    if (query == nullptr || outScore == nullptr || outRaw == nullptr || outCmdId == nullptr) {
      return kInvalidArgument;
    }
    const auto snapshot = theEngine().snapshot();
    if (!snapshot) return kNotInitialised;
    const auto hits = snapshot->index->search(normalizeText(query).chars, 1);
    if (hits.empty()) {
      *outScore = 0.0;
      *outRaw = 0.0;
      *outCmdId = -1;
    } else {
      *outScore = hits.front().similarity;
      *outRaw = hits.front().raw;
      *outCmdId = snapshot->active[hits.front().command]->id;
    }
    return kOk;
  });
}

int32_t Norvik_UpdateConfig(const char* configJson) {
  return guarded([configJson]() -> int32_t {
    if (configJson == nullptr) return kInvalidArgument;
    return theEngine().updateConfig(configJson);
  });
}

int32_t Norvik_GetConfig(char* outJson, int32_t capacity, uint32_t* outLength) {
  return guarded([=]() -> int32_t {
    if (!validBuffer(outJson, capacity, outLength)) return kInvalidArgument;
    const auto snapshot = theEngine().snapshot();
    if (!snapshot) return kNotInitialised;
    return deliver(writeConfigJson(snapshot->config), outJson, capacity, outLength);
  });
}

int32_t Norvik_AddCorpus(const char* corpusJson, int32_t length, int32_t* outCount) {
  return guarded([=]() -> int32_t {
    if (outCount == nullptr || length < 0 || (corpusJson == nullptr && length > 0)) return kInvalidArgument;
    const std::string_view text(corpusJson == nullptr ? "" : corpusJson, static_cast<std::size_t>(length));
    return theEngine().addCorpus(text, *outCount);
  });
}

int32_t Norvik_AddCorpusFromFile(const char* path, int32_t* outCount) {
  return guarded([=]() -> int32_t {
    if (path == nullptr || outCount == nullptr) return kInvalidArgument;
    if (!theEngine().snapshot()) return kNotInitialised;
    std::string bytes;
    if (!readFileBytes(path, bytes)) return kFileOrJsonError;
    return theEngine().addCorpus(bytes, *outCount);
  });
}

int32_t Norvik_ClearUserCorpus(void) {
  return guarded([] { return theEngine().clearUserCorpus(); });
}

int32_t Norvik_GetCommandCount(void) {
  return guarded([]() -> int32_t {
    const auto snapshot = theEngine().snapshot();
    if (!snapshot) return kNotInitialised;
    return static_cast<int32_t>(snapshot->active.size());
  });
}

int32_t Norvik_Destroy(void) {
  return guarded([] {
    theEngine().destroy();
    return static_cast<int32_t>(kOk);
  });
}

const char* Norvik_Version(void) {
  return kVersionText;
}

}  // extern "C"
