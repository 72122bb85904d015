#include "engine.h"

#include <unordered_map>
#include <utility>

#include "corpus_parser.h"
#include "norvik.h"

namespace norvik {

std::shared_ptr<const CorpusSnapshot> Engine::snapshot() const {
  std::shared_lock lock(snapshotMutex_);
  return snapshot_;
}

void Engine::publish(std::shared_ptr<const CorpusSnapshot> next) {
  std::shared_ptr<const CorpusSnapshot> old;
  {
    std::unique_lock lock(snapshotMutex_);
    old = std::exchange(snapshot_, std::move(next));
  }
  // `old` is released here, outside the lock.
}

int32_t Engine::initFromText(std::string_view corpusJson, std::string& error) {
  std::lock_guard writer(writerMutex_);
  ParsedCorpus parsed;
  const int32_t code = parseCorpus(corpusJson, Config{}, parsed, error);
  if (code != NORVIK_OK) return code;
  publish(makeSnapshot(parsed.config, std::move(parsed.commands), {}));
  return NORVIK_OK;
}

int32_t Engine::addCorpus(std::string_view corpusJson, int32_t& count, std::string& error) {
  std::lock_guard writer(writerMutex_);
  const std::shared_ptr<const CorpusSnapshot> current = snapshot();
  if (!current) {
    error = kNotInitialisedMessage;
    return NORVIK_NOT_INITIALIZED;
  }
  ParsedCorpus parsed;
  const int32_t code = parseCorpus(corpusJson, current->config, parsed, error);
  if (code != NORVIK_OK) return code;

  // Replace user commands with the same id in place; append new ones.
  std::vector<CommandPtr> user = current->user;
  std::unordered_map<int32_t, std::size_t> position;
  for (std::size_t i = 0; i < user.size(); ++i) position[user[i]->id] = i;
  for (CommandPtr& command : parsed.commands) {
    const auto it = position.find(command->id);
    if (it != position.end()) {
      user[it->second] = std::move(command);
    } else {
      position[command->id] = user.size();
      user.push_back(std::move(command));
    }
  }
  const auto added = static_cast<int32_t>(parsed.commands.size());
  publish(makeSnapshot(parsed.hasConfig ? parsed.config : current->config, current->base, std::move(user)));
  count = added;
  return NORVIK_OK;
}

int32_t Engine::clearUserCorpus(std::string& error) {
  std::lock_guard writer(writerMutex_);
  const std::shared_ptr<const CorpusSnapshot> current = snapshot();
  if (!current) {
    error = kNotInitialisedMessage;
    return NORVIK_NOT_INITIALIZED;
  }
  if (current->user.empty()) return NORVIK_OK;
  publish(makeSnapshot(current->config, current->base, {}));
  return NORVIK_OK;
}

int32_t Engine::updateConfig(std::string_view configJson, std::string& error) {
  std::lock_guard writer(writerMutex_);
  const std::shared_ptr<const CorpusSnapshot> current = snapshot();
  if (!current) {
    error = kNotInitialisedMessage;
    return NORVIK_NOT_INITIALIZED;
  }
  Config next;
  const int32_t code = applyConfigText(configJson, current->config, next, error);
  if (code != NORVIK_OK) return code;
  auto updated = std::make_shared<CorpusSnapshot>(*current);  // shares commands and index
  updated->config = next;
  publish(std::move(updated));
  return NORVIK_OK;
}

void Engine::destroy() {
  std::lock_guard writer(writerMutex_);
  publish(nullptr);
}

}  // namespace norvik
