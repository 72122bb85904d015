// The engine instance: the current snapshot behind a reader-writer lock.
//
// Readers (route, similarity, config, count) take the shared lock only long enough
// to copy the snapshot pointer and then work on that immutable snapshot, so they
// never wait for each other nor for a writer that is still building. Writers are
// serialised by their own mutex, build the next snapshot aside, and take the
// exclusive lock only to swap the pointer.
//
// A changing call returns a result code of norvik.h; on failure it says what was
// wrong in `error` and changes nothing.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <string>
#include <string_view>

#include "corpus_snapshot.h"

namespace norvik {

// The text of every call made before an init or after a destroy.
inline constexpr const char* kNotInitialisedMessage =
    "the engine is not initialised: call Norvik_InitDefault or Norvik_InitFromFile first";

class Engine {
 public:
  int32_t initFromText(std::string_view corpusJson, std::string& error);
  int32_t addCorpus(std::string_view corpusJson, int32_t& count, std::string& error);
  int32_t clearUserCorpus(std::string& error);
  int32_t updateConfig(std::string_view configJson, std::string& error);
  void destroy();

  // Null when the engine is not initialised.
  std::shared_ptr<const CorpusSnapshot> snapshot() const;

 private:
  void publish(std::shared_ptr<const CorpusSnapshot> next);

  mutable std::shared_mutex snapshotMutex_;
  std::shared_ptr<const CorpusSnapshot> snapshot_;
  std::mutex writerMutex_;
};

}  // namespace norvik
