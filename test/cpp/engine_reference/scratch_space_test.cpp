// Scratch space leased per call: the scopes nested in a thread's open scope use
// its set, a closed scope's set serves the next call, and scopes open at the
// same time on two threads never share a set.
#include "scratch_space.h"

#include <gtest/gtest.h>

#include <future>
#include <thread>
#include <vector>

namespace {

struct Probe {
  std::vector<int> kept;
};
struct OtherProbe {
  std::vector<int> kept;
};

TEST(ScratchScope, NestedScopesShareTheSetAndItServesTheNextCall) {
  const Probe* first = nullptr;
  {
    const norvik::ScratchScope outer;
    first = &outer.get<Probe>();
    outer.get<Probe>().kept.assign(100, 7);
    const norvik::ScratchScope inner;
    EXPECT_EQ(&inner.get<Probe>(), first);
    EXPECT_NE(static_cast<const void*>(&inner.get<OtherProbe>()), static_cast<const void*>(first));
  }
  const norvik::ScratchScope next;
  EXPECT_EQ(&next.get<Probe>(), first);  // the set given back last is leased first
  EXPECT_GE(next.get<Probe>().kept.capacity(), 100u);
}

TEST(ScratchScope, ScopesOpenAtTheSameTimeOnTwoThreadsHaveTheirOwnSets) {
  std::promise<const Probe*> leased;
  std::promise<void> release;
  std::thread other([&] {
    const norvik::ScratchScope scope;
    leased.set_value(&scope.get<Probe>());
    release.get_future().wait();
  });
  const Probe* theirs = leased.get_future().get();
  {
    const norvik::ScratchScope mine;
    EXPECT_NE(&mine.get<Probe>(), theirs);
  }
  release.set_value();
  other.join();
}

}  // namespace
