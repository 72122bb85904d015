// Space that searches and routes reuse from one call to the next (vectors
// whose capacity is kept), without any thread-local object that has a
// destructor.
//
// A thread-local object with a destructor must be destroyed when its thread
// ends. With the MinGW-w64 toolchain (posix threads, libraries linked
// statically into norvik.dll) those destructors ran after the thread's
// thread-local storage had already been freed, and a process whose threads had
// routed could then hang on exit. So the space lives in sets leased from a
// process-wide pool: a ScratchScope leases a set for the time it is open, and
// scopes opened inside it on the same thread (the helpers of a route) use the
// same set. The thread keeps only a plain pointer to its open set.
#pragma once

#include <cstddef>
#include <vector>

namespace norvik {

namespace scratch_detail {

// A new slot number for each type that is asked for.
std::size_t nextSlot() noexcept;

template <typename T>
std::size_t slotOf() noexcept {
  static const std::size_t slot = nextSlot();
  return slot;
}

}  // namespace scratch_detail

// One object of each scratch type, made when first asked for. Each type should
// be a struct of its own user: two users of one type on a thread would share
// its object.
class ScratchSet {
 public:
  ScratchSet() = default;
  ~ScratchSet();
  ScratchSet(const ScratchSet&) = delete;
  ScratchSet& operator=(const ScratchSet&) = delete;

  template <typename T>
  T& get() {
    const std::size_t slot = scratch_detail::slotOf<T>();
    if (slot >= slots_.size()) slots_.resize(slot + 1);
    Slot& entry = slots_[slot];
    if (entry.object == nullptr) {
      entry.object = new T();
      entry.destroy = [](void* object) { delete static_cast<T*>(object); };
    }
    return *static_cast<T*>(entry.object);
  }

 private:
  friend class ScratchPool;

  struct Slot {
    void* object = nullptr;
    void (*destroy)(void*) = nullptr;
  };
  std::vector<Slot> slots_;
  ScratchSet* nextFree_ = nullptr;  // in the pool's list of free sets
};

// The calling thread's open set: leased by the outermost scope of the thread,
// given back to the pool when that scope closes. Throws std::bad_alloc when a
// set cannot be made.
class ScratchScope {
 public:
  ScratchScope();
  ~ScratchScope() {
    if (lease_ != nullptr) giveBack();
  }
  ScratchScope(const ScratchScope&) = delete;
  ScratchScope& operator=(const ScratchScope&) = delete;

  template <typename T>
  T& get() const {
    return set_->get<T>();
  }

 private:
  void giveBack() noexcept;

  ScratchSet* set_;
  // The thread's open-set pointer, when this scope leased the set (the
  // outermost scope of the thread): cleared and the set given back at the end.
  ScratchSet** lease_ = nullptr;
};

}  // namespace norvik
