#include "corpus_snapshot.h"

#include <unordered_set>
#include <utility>

namespace norvik {

std::shared_ptr<CorpusSnapshot> makeSnapshot(Config config, std::vector<CommandPtr> base,
                                             std::vector<CommandPtr> user) {
  auto snapshot = std::make_shared<CorpusSnapshot>();
  snapshot->config = config;
  std::unordered_set<int32_t> userIds;
  for (const CommandPtr& command : user) userIds.insert(command->id);
  snapshot->active.reserve(base.size() + user.size());
  for (const CommandPtr& command : base) {
    if (userIds.count(command->id) == 0) snapshot->active.push_back(command);
  }
  for (const CommandPtr& command : user) snapshot->active.push_back(command);
  snapshot->base = std::move(base);
  snapshot->user = std::move(user);
  snapshot->index = std::make_shared<const CommandIndex>(snapshot->active);
  return snapshot;
}

}  // namespace norvik
