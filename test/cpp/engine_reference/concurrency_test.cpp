// Threads route and query while another thread adds and clears user commands:
// every reply must be complete and consistent, whichever snapshot it saw.
#include "norvik.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "simdjson.h"

namespace {

TEST(EngineConcurrency, RoutesWhileUserCommandsChange) {
  ASSERT_EQ(Norvik_InitDefault(), 0);
  const int32_t base = Norvik_GetCommandCount();
  std::atomic<bool> stop{false};
  std::atomic<int> failures{0};
  std::atomic<int> sawUserCommand{0};

  auto reader = [&](const char* query) {
    simdjson::dom::parser parser;
    std::vector<char> buffer(8192);
    char similarity[4096];
    while (!stop.load()) {
      uint32_t length = 0;
      if (Norvik_Route(query, buffer.data(), static_cast<int32_t>(buffer.size()), &length) != 0) {
        ++failures;
        continue;
      }
      simdjson::dom::element reply;
      std::string_view target;
      if (parser.parse(buffer.data(), length).get(reply) != simdjson::SUCCESS ||
          reply["target"].get(target) != simdjson::SUCCESS) {
        ++failures;
        continue;
      }
      int64_t id = 0;
      if (reply["matchedCommand"]["id"].get(id) == simdjson::SUCCESS && id == 9001) ++sawUserCommand;
      if (Norvik_QuerySimilarity(query, 5, similarity, sizeof similarity, &length) != 0) ++failures;
      const int32_t count = Norvik_GetCommandCount();
      if (count != base && count != base + 1) ++failures;
    }
  };
  std::vector<std::thread> readers;
  for (const char* query : {"给乌龟喂食", "打开计算器", "把音量调到20", "你好"}) readers.emplace_back(reader, query);

  const std::string corpus = R"([{"id": 9001, "name": "喂乌龟", "examples": ["给乌龟喂食"]}])";
  for (int round = 0; round < 100; ++round) {
    int32_t count = 0;
    if (Norvik_AddCorpus(corpus.c_str(), static_cast<int32_t>(corpus.size()), &count) != 0 || count != 1) ++failures;
    if (Norvik_UpdateConfig(round % 2 == 0 ? R"({"verbose":true})" : R"({"verbose":false})") != 0) ++failures;
    std::this_thread::yield();
    if (Norvik_ClearUserCorpus() != 0) ++failures;
  }
  int32_t count = 0;
  ASSERT_EQ(Norvik_AddCorpus(corpus.c_str(), static_cast<int32_t>(corpus.size()), &count), 0);
  // Let the readers see the final snapshot with the user command (bounded wait).
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (sawUserCommand.load() == 0 && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
  stop = true;
  for (std::thread& t : readers) t.join();

  EXPECT_GT(sawUserCommand.load(), 0);
  EXPECT_EQ(failures.load(), 0);
  EXPECT_EQ(Norvik_GetCommandCount(), base + 1);
  Norvik_Destroy();
}

}  // namespace
