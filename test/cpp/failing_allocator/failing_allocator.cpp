#include "failing_allocator.h"

#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <new>

namespace failing_allocator {

namespace {

std::atomic<std::uint64_t> allocations{0};
std::atomic<std::uint64_t> failAt{0};  // 0: disarmed
std::atomic<bool> persistent{false};
std::atomic<bool> failed{false};
std::atomic<std::int64_t> live{0};

// Whether this allocation is to fail.
bool nextFails() noexcept {
  const std::uint64_t number = ++allocations;
  const std::uint64_t target = failAt.load();
  if (target == 0 || number < target || (number > target && !persistent.load())) return false;
  failed = true;
  return true;
}

// `alignment` 0 is malloc's. Memory of the aligned forms keeps malloc's pointer
// in the word before the block it hands out (portable: Windows has no
// aligned_alloc), and only the aligned forms of delete free it.
void* allocate(std::size_t size, std::size_t alignment) noexcept {
  if (nextFails()) return nullptr;
  if (size == 0) size = 1;
  void* memory = nullptr;
  if (alignment == 0) {
    memory = std::malloc(size);
  } else if (void* raw = std::malloc(size + alignment + sizeof(void*))) {
    const auto start = reinterpret_cast<std::uintptr_t>(raw) + sizeof(void*);
    memory = reinterpret_cast<void*>((start + alignment - 1) / alignment * alignment);
    static_cast<void**>(memory)[-1] = raw;
  }
  if (memory != nullptr) ++live;
  return memory;
}

void* allocateOrThrow(std::size_t size, std::size_t alignment) {
  void* memory = allocate(size, alignment);
  if (memory == nullptr) throw std::bad_alloc();
  return memory;
}

void release(void* memory) noexcept {
  if (memory == nullptr) return;
  --live;
  std::free(memory);
}

void releaseAligned(void* memory) noexcept {
  if (memory == nullptr) return;
  --live;
  std::free(static_cast<void**>(memory)[-1]);
}

}  // namespace

void arm(std::uint64_t n, Mode mode) {
  failed = false;
  persistent = mode == Mode::kPersistent;
  allocations = 0;
  failAt = n;
}

bool disarm() {
  failAt = 0;
  return failed.exchange(false);
}

std::uint64_t allocationsSinceArmed() {
  return allocations.load();
}

std::int64_t liveAllocations() {
  return live.load();
}

}  // namespace failing_allocator

using failing_allocator::allocate;
using failing_allocator::allocateOrThrow;
using failing_allocator::release;
using failing_allocator::releaseAligned;

constexpr std::size_t kPlain = 0;

void* operator new(std::size_t size) {
  return allocateOrThrow(size, kPlain);
}
void* operator new[](std::size_t size) {
  return allocateOrThrow(size, kPlain);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  return allocate(size, kPlain);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return allocate(size, kPlain);
}
void* operator new(std::size_t size, std::align_val_t alignment) {
  return allocateOrThrow(size, static_cast<std::size_t>(alignment));
}
void* operator new[](std::size_t size, std::align_val_t alignment) {
  return allocateOrThrow(size, static_cast<std::size_t>(alignment));
}
void* operator new(std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
  return allocate(size, static_cast<std::size_t>(alignment));
}
void* operator new[](std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
  return allocate(size, static_cast<std::size_t>(alignment));
}

void operator delete(void* memory) noexcept {
  release(memory);
}
void operator delete[](void* memory) noexcept {
  release(memory);
}
void operator delete(void* memory, std::size_t) noexcept {
  release(memory);
}
void operator delete[](void* memory, std::size_t) noexcept {
  release(memory);
}
void operator delete(void* memory, const std::nothrow_t&) noexcept {
  release(memory);
}
void operator delete[](void* memory, const std::nothrow_t&) noexcept {
  release(memory);
}
void operator delete(void* memory, std::align_val_t) noexcept {
  releaseAligned(memory);
}
void operator delete[](void* memory, std::align_val_t) noexcept {
  releaseAligned(memory);
}
void operator delete(void* memory, std::size_t, std::align_val_t) noexcept {
  releaseAligned(memory);
}
void operator delete[](void* memory, std::size_t, std::align_val_t) noexcept {
  releaseAligned(memory);
}
void operator delete(void* memory, std::align_val_t, const std::nothrow_t&) noexcept {
  releaseAligned(memory);
}
void operator delete[](void* memory, std::align_val_t, const std::nothrow_t&) noexcept {
  releaseAligned(memory);
}
