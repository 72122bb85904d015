#include <gtest/gtest.h>

#include <set>
#include <string>

#include "model_dir.hpp"
#include "openvino/genai/llm_pipeline.hpp"
#include "text_checks.hpp"

namespace {

using ov::genai::DecodedResults;
using ov::genai::LLMPipeline;
using testing_support::Contains;
using testing_support::ModelDir;

ov::AnyMap settings(bool doSample, bool applyChatTemplate) {
  return {{"temperature", 0.7f}, {"top_p", 0.9f}, {"do_sample", doSample}, {"apply_chat_template", applyChatTemplate}};
}

ov::AnyMap limitedSettings(size_t maxNewTokens) {
  ov::AnyMap map = settings(false, false);
  map["max_new_tokens"] = maxNewTokens;
  return map;
}

std::string reply(LLMPipeline& pipeline, const std::string& prompt, const ov::AnyMap& config) {
  return pipeline.generate(prompt, config);
}

const char* const kRules = R"({
  "rules": [
    { "prompt": "你好", "reply": "first" },
    { "prompt": "你好", "reply": "shadowed" },
    { "prompt": "<|im_start|>user\n你好<|im_end|>\n<|im_start|>assistant\n", "reply": "templated" },
    { "prompt": "", "reply": "empty prompt" },
    { "prompt": "silent", "reply": null },
    { "prompt": "pick", "reply": ["a", "b", "c"] },
    { "prompt": "long", "reply": "你好世界abc" }
  ],
  "default": "fallback"
})";

}  // namespace

TEST(Generation, FirstExactRuleAnswers) {
  ModelDir model(kRules);
  LLMPipeline pipeline(model.path(), "CPU");
  EXPECT_EQ(reply(pipeline, "你好", settings(false, false)), "first");
  EXPECT_EQ(reply(pipeline, "", settings(false, false)), "empty prompt");
  EXPECT_EQ(reply(pipeline, "你好 ", settings(false, false)), "fallback");
  EXPECT_EQ(reply(pipeline, "你", settings(false, false)), "fallback");
}

TEST(Generation, ChatTemplateWrapsThePromptUnlessTurnedOff) {
  ModelDir model(kRules);
  LLMPipeline pipeline(model.path(), "CPU");
  EXPECT_EQ(reply(pipeline, "你好", settings(false, true)), "templated");
  EXPECT_EQ(reply(pipeline, "你好", settings(false, false)), "first");
  // No "apply_chat_template" in the map: on, as in the real GenerationConfig.
  EXPECT_EQ(reply(pipeline, "你好", {{"do_sample", false}}), "templated");
  EXPECT_EQ(reply(pipeline, "你好", {}), "templated");

  ModelDir custom(R"({"chat_template": "[{prompt}|{prompt}]",
                        "rules": [{"prompt": "[x{prompt}|x{prompt}]", "reply": "both replaced"}]})");
  LLMPipeline customPipeline(custom.path(), "CPU");
  EXPECT_EQ(reply(customPipeline, "x{prompt}", settings(false, true)), "both replaced");
}

TEST(Generation, DefaultReplyAndItsAbsence) {
  ModelDir withDefault(R"({"default": ["one", "two"]})");
  LLMPipeline pipeline(withDefault.path(), "CPU");
  EXPECT_EQ(reply(pipeline, "anything", settings(false, false)), "one");

  ModelDir withoutDefault("{}");
  LLMPipeline bare(withoutDefault.path(), "CPU");
  const DecodedResults results = bare.generate("anything", settings(false, false));
  ASSERT_EQ(results.texts.size(), 1u);
  EXPECT_EQ(results.texts[0], "");
  EXPECT_EQ(results.scores.size(), 1u);
}

TEST(Generation, NullReplyGivesNoText) {
  ModelDir model(kRules);
  LLMPipeline pipeline(model.path(), "CPU");
  const DecodedResults results = pipeline.generate("silent", settings(true, false));
  EXPECT_TRUE(results.texts.empty());
  EXPECT_TRUE(results.scores.empty());
  EXPECT_EQ(std::string(results), "");
}

TEST(Generation, SamplingPicksAmongAlternativesGreedyTakesTheFirst) {
  ModelDir model(kRules);
  LLMPipeline pipeline(model.path(), "CPU");
  std::set<std::string> greedy;
  std::set<std::string> sampled;
  for (int i = 0; i < 200; ++i) {
    greedy.insert(reply(pipeline, "pick", settings(false, false)));
    sampled.insert(reply(pipeline, "pick", settings(true, false)));
  }
  EXPECT_EQ(greedy, std::set<std::string>{"a"});
  // 200 draws out of three: missing one of them has a chance of about 1e-35.
  EXPECT_EQ(sampled, (std::set<std::string>{"a", "b", "c"}));
}

TEST(Generation, MaxNewTokensCountsCodePoints) {
  ModelDir model(kRules);
  LLMPipeline pipeline(model.path(), "CPU");
  EXPECT_EQ(reply(pipeline, "long", limitedSettings(3)), "你好世");
  EXPECT_EQ(reply(pipeline, "long", limitedSettings(5)), "你好世界a");
  EXPECT_EQ(reply(pipeline, "long", limitedSettings(0)), "");
  EXPECT_EQ(reply(pipeline, "long", limitedSettings(7)), "你好世界abc");
  EXPECT_EQ(reply(pipeline, "long", limitedSettings(size_t(-1))), "你好世界abc");
  EXPECT_EQ(reply(pipeline, "long", settings(false, false)), "你好世界abc");

  ModelDir astral(R"({"default": "😀é😀"})");
  LLMPipeline astralPipeline(astral.path(), "CPU");
  EXPECT_EQ(reply(astralPipeline, "x", limitedSettings(1)), "😀");
  EXPECT_EQ(reply(astralPipeline, "x", limitedSettings(2)), "😀é");
}

TEST(Generation, SettingsMustHoldTheLibraryTypes) {
  ModelDir model(kRules);
  LLMPipeline pipeline(model.path(), "CPU");
  const std::pair<const char*, ov::Any> wrong[] = {
      {"max_new_tokens", 30}, {"max_new_tokens", int64_t(30)},
      {"temperature", 0.7},   {"top_p", 1},
      {"do_sample", 0},       {"apply_chat_template", std::string("true")},
  };
  for (const auto& [key, value] : wrong) {
    ov::AnyMap config = settings(false, false);
    config[key] = value;
    try {
      pipeline.generate("你好", config);
      ADD_FAILURE() << key << " accepted";
    } catch (const ov::Exception& error) {
      EXPECT_TRUE(Contains(error.what(), std::string("\"") + key + "\" must hold")) << key;
    }
  }
  // Keys the scripted model does not know are ignored.
  ov::AnyMap config = settings(false, false);
  config["num_return_sequences"] = size_t(2);
  EXPECT_EQ(reply(pipeline, "你好", config), "first");
}

TEST(Generation, FailGenerateThrowsItsTextAndLeavesThePipelineUsable) {
  ModelDir model(R"({"fail_generate": "inference request failed"})");
  LLMPipeline pipeline(model.path(), "CPU");
  for (int i = 0; i < 2; ++i) {
    try {
      pipeline.generate("x", settings(false, false));
      ADD_FAILURE() << "no exception";
    } catch (const ov::Exception& error) {
      EXPECT_STREQ(error.what(), "inference request failed");
    }
  }
}

TEST(Generation, FailingRuleThrowsOnlyForItsPrompt) {
  ModelDir model(R"({"rules": [{"prompt": "bad", "fail": "device lost"}, {"prompt": "ok", "reply": "fine"}]})");
  LLMPipeline pipeline(model.path(), "CPU");
  EXPECT_EQ(reply(pipeline, "ok", settings(false, false)), "fine");
  try {
    pipeline.generate("bad", settings(false, false));
    ADD_FAILURE() << "no exception";
  } catch (const ov::Exception& error) {
    EXPECT_STREQ(error.what(), "device lost");
  }
  EXPECT_EQ(reply(pipeline, "ok", settings(false, false)), "fine");
}

TEST(Generation, ScoresMismatchMakesTheStringConversionThrow) {
  ModelDir model(R"({"scores_mismatch": true, "rules": [{"prompt": "silent", "reply": null}]})");
  LLMPipeline pipeline(model.path(), "CPU");
  for (const char* prompt : {"x", "silent"}) {
    const DecodedResults results = pipeline.generate(prompt, settings(false, false));
    EXPECT_EQ(results.texts.size(), 1u);
    EXPECT_TRUE(results.scores.empty());
    EXPECT_THROW((void)std::string(results), ov::Exception);
  }
}

TEST(Generation, ListInputAnswersEachPrompt) {
  ModelDir model(kRules);
  LLMPipeline pipeline(model.path(), "CPU");
  const DecodedResults results =
      pipeline.generate(std::vector<std::string>{"你好", "silent", "other"}, settings(false, false));
  EXPECT_EQ(results.texts, (std::vector<std::string>{"first", "fallback"}));
  EXPECT_EQ(results.scores.size(), 2u);
  EXPECT_THROW(pipeline.generate(std::vector<std::string>{}, settings(false, false)), ov::Exception);
}
