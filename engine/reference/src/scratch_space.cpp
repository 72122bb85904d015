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
// the same time) and kept for the next lease. One free set waits in a slot
// taken and filled by single atomic exchanges, without the lock: while calls
// do not overlap (the common case) every lease passes through it. The others
// wait in a list under the lock.
class ScratchPool {
 public:
  ScratchSet* take() {
    if (ScratchSet* set = ready_.exchange(nullptr); set != nullptr) return set;
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
    ScratchSet* empty = nullptr;
    if (ready_.compare_exchange_strong(empty, set)) {
      // A close that came before the set was put in the slot has not seen it:
      // the set is taken back out and freed here (by whichever of the two
      // finds it in the slot).
      if (closed_.load()) delete ready_.exchange(nullptr);
      return;
    }
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      if (!closed_.load()) {
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
    closed_.store(true);
    ScratchSet* set = free_;
    free_ = nullptr;
    mutex_.unlock();
    delete ready_.exchange(nullptr);
    while (set != nullptr) {
      ScratchSet* const next = set->nextFree_;
      delete set;
      set = next;
    }
  }

 private:
  std::atomic<ScratchSet*> ready_{nullptr};
  std::mutex mutex_;
  ScratchSet* free_ = nullptr;  // under mutex_
  std::atomic<bool> closed_{false};
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

ScratchScope::ScratchScope() {
  ScratchSet*& open = openSet();
  set_ = open;
  if (set_ != nullptr) return;
  set_ = pool().take();
  open = set_;
  lease_ = &open;
}

void ScratchScope::giveBack() noexcept {
  *lease_ = nullptr;
  pool().give(set_);
}

}  // namespace norvik
