// The engine instance: the current snapshot behind a reader-writer lock.
//
// Readers (route, similarity, config, count) take the shared lock only long enough
// to copy the snapshot pointer and then work on that immutable snapshot, so they
// never wait for each other nor for a writer that is still building. Writers are
// serialised by their own mutex, build the next snapshot aside, and take the
// exclusive lock only to swap the pointer.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <string>
#include <string_view>

#include "corpus_snapshot.h"
#include "result_codes.h"

namespace norvik {

class Engine {
 public:
  ResultCode initFromText(std::string_view corpusJson);
  ResultCode addCorpus(std::string_view corpusJson, int32_t& count);
  ResultCode clearUserCorpus();
  ResultCode updateConfig(std::string_view configJson);
  void destroy();

  // Null when the engine is not initialised.
  std::shared_ptr<const CorpusSnapshot> snapshot() const;

  // Text of the last failure of a changing call (for diagnostics and tests).
  std::string lastError() const;

 private:
  void publish(std::shared_ptr<const CorpusSnapshot> next);
  ResultCode fail(ResultCode code, std::string message);

  mutable std::shared_mutex snapshotMutex_;
  std::shared_ptr<const CorpusSnapshot> snapshot_;
  std::mutex writerMutex_;
  mutable std::mutex errorMutex_;
  std::string lastError_;
};

}  // namespace norvik
