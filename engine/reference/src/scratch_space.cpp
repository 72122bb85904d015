#include "scratch_space.h"

#include <atomic>
#include <mutex>

namespace norvik {

namespace scratch_detail {

std::size_t nextSlot() noexcept {
  static std::atomic<std::size_t> count{0};
  return count.fetch_add(1, std::memory_order_relaxed);
}

}  // namespace scratch_detail

ScratchSet::~ScratchSet() {
  for (const Slot& slot : slots_) {
    if (slot.object != nullptr) slot.destroy(slot.object);
  }
}

// The free sets, made as threads needed them (at most one per thread routing at
// the same time) and kept for the next lease.
class ScratchPool {
 public:
  ScratchSet* take() {
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      if (ScratchSet* set = free_; set != nullptr) {
        free_ = set->nextFree_;
        set->nextFree_ = nullptr;
        return set;
      }
    }
    return new ScratchSet();
  }

  void give(ScratchSet* set) noexcept {
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      if (!closed_) {
        set->nextFree_ = free_;
        free_ = set;
        return;
      }
    }
    delete set;
  }

  // Frees the free sets when the library is unloaded; sets given back later are
  // freed then. It does not wait for the lock: at process exit, a thread that
  // held it may have been stopped, and the sets are then left to the exit.
  void close() noexcept {
    if (!mutex_.try_lock()) return;
    closed_ = true;
    ScratchSet* set = free_;
    free_ = nullptr;
    mutex_.unlock();
    while (set != nullptr) {
      ScratchSet* const next = set->nextFree_;
      delete set;
      set = next;
    }
  }

 private:
  std::mutex mutex_;
  ScratchSet* free_ = nullptr;
  bool closed_ = false;
};

namespace {

ScratchPool& pool() {
  // Never destroyed: a thread still routing while the library is unloaded (when
  // a process exits, other threads may still run) gives its set back to a live pool.
  static ScratchPool* const instance = new ScratchPool();
  return *instance;
}

// Frees the pool's sets when the library is unloaded.
struct PoolCloser {
  ~PoolCloser() { pool().close(); }
};
const PoolCloser closer;

// The set of the scope open on this thread, if any. A plain pointer: nothing to
// destroy when the thread ends.
ScratchSet*& openSet() noexcept {
  thread_local ScratchSet* set = nullptr;
  return set;
}

}  // namespace

ScratchScope::ScratchScope() : set_(openSet()) {
  if (set_ != nullptr) return;
  set_ = pool().take();
  openSet() = set_;
  leased_ = true;
}

ScratchScope::~ScratchScope() {
  if (!leased_) return;
  openSet() = nullptr;
  pool().give(set_);
}

}  // namespace norvik
