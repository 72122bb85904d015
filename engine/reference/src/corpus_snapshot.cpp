#include "corpus_snapshot.h"

#include <algorithm>
#include <utility>

#include "text_normalizer.h"

namespace norvik {

namespace {

void indexGenericCommands(CorpusSnapshot& snapshot) {
  for (uint32_t i = 0; i < snapshot.active.size(); ++i) {
    const Command& command = *snapshot.active[i];
    if (command.action.size() == 1 && command.action.front().first == "type") {
      snapshot.genericByType.emplace(command.action.front().second, i);
    }
  }
}

void indexKeywords(CorpusSnapshot& snapshot) {
  for (uint32_t i = 0; i < snapshot.active.size(); ++i) {
    const Command& command = *snapshot.active[i];
    if (const std::string* app = command.actionValue("app"); app != nullptr && command.hasActionType("open_app")) {
      snapshot.openerByApp.emplace(normalizeChars(*app), i);
    }
    for (const std::u32string& keyword : snapshot.active[i]->normalizedKeywords) {
      if (keyword.size() < 2) continue;
      std::vector<uint32_t>& owners = snapshot.keywordOwners[keyword];
      if (owners.empty() || owners.back() != i) owners.push_back(i);
      snapshot.longestKeyword = std::max(snapshot.longestKeyword, keyword.size());
    }
  }
}

}  // namespace

const Command* CorpusSnapshot::generic(const std::string& type, uint32_t* position) const {
  const auto found = genericByType.find(type);
  if (found == genericByType.end()) return nullptr;
  if (position != nullptr) *position = found->second;
  return active[found->second].get();
}

std::shared_ptr<CorpusSnapshot> makeSnapshot(Config config, std::vector<CommandPtr> base,
                                             std::vector<CommandPtr> user) {
  auto snapshot = std::make_shared<CorpusSnapshot>();
  snapshot->config = config;
  std::unordered_set<int32_t> userIds;
  std::unordered_map<std::u32string, int32_t> userNames;
  for (const CommandPtr& command : user) {
    userIds.insert(command->id);
    userNames.emplace(normalizeChars(command->name), command->id);
  }
  snapshot->active.reserve(base.size() + user.size());
  for (const CommandPtr& command : base) {
    if (userIds.count(command->id) != 0) continue;
    const auto sameName = userNames.empty() ? userNames.end() : userNames.find(normalizeChars(command->name));
    if (sameName != userNames.end()) {
      snapshot->namesakes.insert(sameName->second);
      continue;
    }
    snapshot->active.push_back(command);
  }
  for (const CommandPtr& command : user) snapshot->active.push_back(command);
  snapshot->base = std::move(base);
  snapshot->user = std::move(user);
  snapshot->replyText = std::make_shared<const CommandReplyText>(snapshot->active);
  snapshot->index = std::make_shared<const CommandIndex>(snapshot->active);
  indexGenericCommands(*snapshot);
  indexKeywords(*snapshot);
  return snapshot;
}

}  // namespace norvik
