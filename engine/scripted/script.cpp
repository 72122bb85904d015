#include "script.h"

namespace scripted {

const ReplyEntry* ReplyQueue::take() {
  if (entries_.empty()) return nullptr;
  const ReplyEntry* entry = &entries_[next_];
  if (next_ + 1 < entries_.size()) ++next_;
  return entry;
}

}  // namespace scripted
