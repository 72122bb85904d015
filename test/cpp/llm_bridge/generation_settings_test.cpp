#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <vector>

#include "prompt_pipelines.h"
#include "generation_call.h"

namespace {

using llm_bridge::generationConfig;
using llm_bridge::GenerationSettings;

std::vector<std::string> keysOf(const ov::AnyMap& map) {
  std::vector<std::string> keys;
  for (const auto& entry : map) keys.push_back(entry.first);
  return keys;
}

TEST(GenerationConfig, HasExactlyTheFiveKeysWithTheLibraryTypes) {
  const ov::AnyMap config = generationConfig(GenerationSettings{30, 0.0f, 1.0f, false, true});
  EXPECT_EQ(keysOf(config),
            (std::vector<std::string>{"apply_chat_template", "do_sample", "max_new_tokens", "temperature", "top_p"}));
  EXPECT_TRUE(config.at("max_new_tokens").is<std::size_t>());
  EXPECT_TRUE(config.at("temperature").is<float>());
  EXPECT_TRUE(config.at("top_p").is<float>());
  EXPECT_TRUE(config.at("do_sample").is<bool>());
  EXPECT_TRUE(config.at("apply_chat_template").is<bool>());
  EXPECT_EQ(config.at("max_new_tokens").as<std::size_t>(), 30u);
  EXPECT_FALSE(config.at("do_sample").as<bool>());
  EXPECT_TRUE(config.at("apply_chat_template").as<bool>());
}

TEST(GenerationConfig, TokenBoundIsWidenedWithSignExtension) {
  const ov::AnyMap config = generationConfig(GenerationSettings{-1, 0.0f, 1.0f, false, false});
  EXPECT_EQ(config.at("max_new_tokens").as<std::size_t>(), static_cast<std::size_t>(-1));
}

TEST(GenerationConfig, CommandAndChatValueSets) {
  const ov::AnyMap command = generationConfig(llm_bridge::kCommandSettings);
  EXPECT_EQ(command.at("max_new_tokens").as<std::size_t>(), 30u);
  EXPECT_EQ(command.at("temperature").as<float>(), 0.0f);
  EXPECT_EQ(command.at("top_p").as<float>(), 1.0f);
  EXPECT_FALSE(command.at("do_sample").as<bool>());
  EXPECT_FALSE(command.at("apply_chat_template").as<bool>());

  const ov::AnyMap chat = generationConfig(llm_bridge::kChatSettings);
  EXPECT_EQ(chat.at("max_new_tokens").as<std::size_t>(), 256u);
  EXPECT_EQ(chat.at("temperature").as<float>(), 0.7f);
  EXPECT_EQ(chat.at("top_p").as<float>(), 0.8f);
  EXPECT_TRUE(chat.at("do_sample").as<bool>());
  EXPECT_TRUE(chat.at("apply_chat_template").as<bool>());
}

}  // namespace
