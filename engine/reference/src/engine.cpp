#include "engine.h"

#include <unordered_map>
#include <utility>

#include "corpus_parser.h"

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

ResultCode Engine::fail(ResultCode code, std::string message) {
  std::lock_guard lock(errorMutex_);
  lastError_ = std::move(message);
  return code;
}

std::string Engine::lastError() const {
  std::lock_guard lock(errorMutex_);
  return lastError_;
}

ResultCode Engine::initFromText(std::string_view corpusJson) {
  std::lock_guard writer(writerMutex_);
  ParsedCorpus parsed;
  std::string error;
  const ResultCode code = parseCorpus(corpusJson, Config{}, parsed, error);
  if (code != kOk) return fail(code, error);
  publish(makeSnapshot(parsed.config, std::move(parsed.commands), {}));
  return kOk;
}

ResultCode Engine::addCorpus(std::string_view corpusJson, int32_t& count) {
  std::lock_guard writer(writerMutex_);
  const std::shared_ptr<const CorpusSnapshot> current = snapshot();
  if (!current) return fail(kNotInitialised, "the engine is not initialised");
  ParsedCorpus parsed;
  std::string error;
  const ResultCode code = parseCorpus(corpusJson, current->config, parsed, error);
  if (code != kOk) return fail(code, error);

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
  return kOk;
}

ResultCode Engine::clearUserCorpus() {
  std::lock_guard writer(writerMutex_);
  const std::shared_ptr<const CorpusSnapshot> current = snapshot();
  if (!current) return fail(kNotInitialised, "the engine is not initialised");
  if (current->user.empty()) return kOk;
  publish(makeSnapshot(current->config, current->base, {}));
  return kOk;
}

ResultCode Engine::updateConfig(std::string_view configJson) {
  std::lock_guard writer(writerMutex_);
  const std::shared_ptr<const CorpusSnapshot> current = snapshot();
  if (!current) return fail(kNotInitialised, "the engine is not initialised");
  Config next;
  std::string error;
  const ResultCode code = applyConfigText(configJson, current->config, next, error);
  if (code != kOk) return fail(code, error);
  auto updated = std::make_shared<CorpusSnapshot>(*current);  // shares commands and index
  updated->config = next;
  publish(std::move(updated));
  return kOk;
}

void Engine::destroy() {
  std::lock_guard writer(writerMutex_);
  publish(nullptr);
}

}  // namespace norvik
