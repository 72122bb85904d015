#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "model_dir.hpp"
#include "openvino/genai/llm_pipeline.hpp"
#include "simdjson.h"
#include "text_checks.hpp"

namespace {

namespace fs = std::filesystem;
using ov::genai::LLMPipeline;
using simdjson::dom::element;
using testing_support::Contains;
using testing_support::ModelDir;
using testing_support::readLines;
using testing_support::TempDir;

std::vector<std::string> keysOf(element value) {
  std::vector<std::string> keys;
  for (auto field : simdjson::dom::object(value)) keys.emplace_back(field.key);
  return keys;
}

std::string text(element value) {
  return std::string(std::string_view(value));
}

const char* const kLoggingModel = R"({"log": "calls.jsonl", "rules": [{"prompt": "hi", "reply": "hello"}]})";

}  // namespace

TEST(CallLog, LoadEventRecordsTheConstructorArguments) {
  ModelDir model(kLoggingModel);
  const ov::AnyMap properties{
      {"CACHE_DIR", std::string("/cache/vlm_cache")},
      {"NPUW_DEVICES", "NPU"},
      {"a_size", size_t(7)},
      {"b_int", -3},
      {"c_int64", int64_t(1) << 40},
      {"d_float", 0.7f},
      {"e_double", 0.1},
      {"f_bool", true},
      {"g_other", std::vector<std::string>{"x"}},
      {"h_nan", std::numeric_limits<float>::quiet_NaN()},
  };
  { LLMPipeline pipeline(model.path(), "NPU", properties); }

  const std::vector<std::string> lines = readLines(model.path() / "calls.jsonl");
  ASSERT_EQ(lines.size(), 2u);
  simdjson::dom::parser parser;
  const element load = parser.parse(lines[0]);
  EXPECT_EQ(keysOf(load), (std::vector<std::string>{"event", "cwd", "models_path", "device", "properties"}));
  EXPECT_EQ(text(load["event"]), "load");
  EXPECT_TRUE(fs::equivalent(fs::u8path(text(load["cwd"])), fs::current_path()));
  EXPECT_EQ(text(load["models_path"]), model.path().u8string());
  EXPECT_EQ(text(load["device"]), "NPU");

  const element props = load["properties"];
  EXPECT_EQ(keysOf(props), (std::vector<std::string>{"CACHE_DIR", "NPUW_DEVICES", "a_size", "b_int", "c_int64",
                                                     "d_float", "e_double", "f_bool", "g_other", "h_nan"}));
  const std::pair<const char*, const char*> types[] = {
      {"CACHE_DIR", "string"}, {"NPUW_DEVICES", "string"}, {"a_size", "size_t"},   {"b_int", "int"},
      {"c_int64", "int64_t"},  {"d_float", "float"},       {"e_double", "double"}, {"f_bool", "bool"},
      {"g_other", "other"},    {"h_nan", "float"}};
  for (const auto& [key, type] : types) {
    EXPECT_EQ(keysOf(props[key]), (std::vector<std::string>{"type", "value"})) << key;
    EXPECT_EQ(text(props[key]["type"]), type) << key;
  }
  EXPECT_EQ(text(props["CACHE_DIR"]["value"]), "/cache/vlm_cache");
  EXPECT_EQ(text(props["NPUW_DEVICES"]["value"]), "NPU");
  EXPECT_EQ(uint64_t(props["a_size"]["value"]), 7u);
  EXPECT_EQ(int64_t(props["b_int"]["value"]), -3);
  EXPECT_EQ(int64_t(props["c_int64"]["value"]), int64_t(1) << 40);
  EXPECT_EQ(static_cast<float>(double(props["d_float"]["value"])), 0.7f);
  EXPECT_EQ(double(props["e_double"]["value"]), 0.1);
  EXPECT_TRUE(bool(props["f_bool"]["value"]));
  EXPECT_TRUE(props["g_other"]["value"].is_null());
  EXPECT_TRUE(props["h_nan"]["value"].is_null());

  EXPECT_EQ(lines[1], R"({"event":"destroy"})");
}

TEST(CallLog, GenerateEventsAreAppendedAtOnceWithPromptHexAndSettings) {
  ModelDir model(kLoggingModel);
  const fs::path log = model.path() / "calls.jsonl";
  LLMPipeline pipeline(model.path(), "CPU");
  const ov::AnyMap config{{"max_new_tokens", size_t(30)},
                          {"temperature", 0.5f},
                          {"top_p", 0.9f},
                          {"do_sample", false},
                          {"apply_chat_template", true}};
  pipeline.generate(std::string("A\x01\"\\é\n"), config);
  ASSERT_EQ(readLines(log).size(), 2u);
  pipeline.generate(std::vector<std::string>{"hi", ""}, {});
  const std::vector<std::string> lines = readLines(log);
  ASSERT_EQ(lines.size(), 4u);

  simdjson::dom::parser parser;
  const element first = parser.parse(lines[1]);
  EXPECT_EQ(keysOf(first), (std::vector<std::string>{"event", "prompt", "prompt_hex", "input", "settings"}));
  EXPECT_EQ(text(first["event"]), "generate");
  EXPECT_EQ(text(first["prompt"]), "A\x01\"\\é\n");
  EXPECT_EQ(text(first["prompt_hex"]), "4101225cc3a90a");
  EXPECT_EQ(text(first["input"]), "string");
  const element settings = first["settings"];
  EXPECT_EQ(keysOf(settings),
            (std::vector<std::string>{"apply_chat_template", "do_sample", "max_new_tokens", "temperature", "top_p"}));
  EXPECT_EQ(text(settings["max_new_tokens"]["type"]), "size_t");
  EXPECT_EQ(uint64_t(settings["max_new_tokens"]["value"]), 30u);
  EXPECT_EQ(text(settings["temperature"]["type"]), "float");
  EXPECT_EQ(double(settings["temperature"]["value"]), 0.5);
  EXPECT_EQ(text(settings["apply_chat_template"]["type"]), "bool");
  EXPECT_TRUE(bool(settings["apply_chat_template"]["value"]));
  EXPECT_NE(lines[1].find("\\u0001"), std::string::npos) << lines[1];

  const element second = parser.parse(lines[2]);
  EXPECT_EQ(text(second["prompt"]), "hi");
  EXPECT_EQ(text(second["prompt_hex"]), "6869");
  EXPECT_EQ(text(second["input"]), "list");
  EXPECT_EQ(keysOf(second["settings"]), std::vector<std::string>{});
  const element third = parser.parse(lines[3]);
  EXPECT_EQ(text(third["prompt"]), "");
  EXPECT_EQ(text(third["prompt_hex"]), "");
}

TEST(CallLog, InvalidUtf8PromptStillWritesValidJson) {
  ModelDir model(kLoggingModel);
  LLMPipeline pipeline(model.path(), "CPU");
  const std::string prompt = "ok\xff\xc0\xaf\xed\xa0\x80\xf4\x90\x80\x80\xe4\xbd";
  pipeline.generate(prompt, {});
  const std::vector<std::string> lines = readLines(model.path() / "calls.jsonl");
  ASSERT_EQ(lines.size(), 2u);
  simdjson::dom::parser parser;  // rejects invalid UTF-8 itself
  const element event = parser.parse(lines[1]);
  std::string expected = "ok";
  for (int i = 0; i < 12; ++i) expected += "\xEF\xBF\xBD";
  EXPECT_EQ(text(event["prompt"]), expected);
  EXPECT_EQ(text(event["prompt_hex"]), "6f6bffc0afeda080f4908080e4bd");
}

TEST(CallLog, RelativeLogPathIsFixedAgainstTheModelDirectoryAtConstruction) {
  TempDir root;
  fs::create_directories(root.path() / "model" / "logs");
  fs::create_directory(root.path() / "elsewhere");
  testing_support::writeFile(root.path() / "model" / "scripted_model.json", R"({"log": "logs/calls.jsonl"})");
  const fs::path log = root.path() / "model" / "logs" / "calls.jsonl";
  {
    testing_support::WorkingDirectory inRoot(root.path());
    LLMPipeline pipeline(fs::path("model"), "GPU");
    testing_support::WorkingDirectory moved(root.path() / "elsewhere");
    pipeline.generate("x", {});
  }
  const std::vector<std::string> lines = readLines(log);
  ASSERT_EQ(lines.size(), 3u);
  simdjson::dom::parser parser;
  const element load = parser.parse(lines[0]);
  EXPECT_EQ(text(load["models_path"]), "model");
  EXPECT_TRUE(fs::equivalent(fs::u8path(text(load["cwd"])), root.path()));
  EXPECT_EQ(text(parser.parse(lines[1])["event"]), "generate");
  EXPECT_EQ(lines[2], R"({"event":"destroy"})");
  EXPECT_FALSE(fs::exists(root.path() / "elsewhere" / "logs"));
}

TEST(CallLog, RejectedLoadsLogOnlyOnceTheScriptIsRead) {
  TempDir logDir;
  const fs::path log = logDir.path() / "shared.jsonl";
  const std::string logMember = "\"log\": " + testing_support::jsonQuoted(log.u8string());

  ModelDir broken("{" + logMember + ", \"devices\": 5}");
  EXPECT_THROW(LLMPipeline(broken.path(), "CPU"), ov::Exception);
  EXPECT_FALSE(fs::exists(log));

  ModelDir model("{" + logMember + ", \"devices\": [\"CPU\"]}");
  EXPECT_THROW(LLMPipeline(model.path(), "GPU"), ov::Exception);
  ModelDir failing("{" + logMember + ", \"fail_load\": \"no\"}");
  EXPECT_THROW(LLMPipeline(failing.path(), "CPU"), ov::Exception);

  const std::vector<std::string> lines = readLines(log);
  ASSERT_EQ(lines.size(), 2u);
  simdjson::dom::parser parser;
  EXPECT_EQ(text(parser.parse(lines[0])["device"]), "GPU");
  EXPECT_EQ(text(parser.parse(lines[1])["event"]), "load");
}

TEST(CallLog, FailedGenerateIsStillLogged) {
  ModelDir model(R"({"log": "calls.jsonl", "fail_generate": "boom"})");
  {
    LLMPipeline pipeline(model.path(), "CPU");
    EXPECT_THROW(pipeline.generate("x", {{"max_new_tokens", 5}}), ov::Exception);
    EXPECT_THROW(pipeline.generate("y", {}), ov::Exception);
  }
  const std::vector<std::string> lines = readLines(model.path() / "calls.jsonl");
  ASSERT_EQ(lines.size(), 4u);
  simdjson::dom::parser parser;
  const element wrongType = parser.parse(lines[1]);
  EXPECT_EQ(text(wrongType["settings"]["max_new_tokens"]["type"]), "int");
  EXPECT_EQ(text(parser.parse(lines[2])["prompt"]), "y");
}

TEST(CallLog, UnwritableLogFailsTheLoad) {
  ModelDir model(R"({"log": "missing-dir/calls.jsonl"})");
  try {
    LLMPipeline pipeline(model.path(), "CPU");
    FAIL() << "loaded";
  } catch (const ov::Exception& error) {
    EXPECT_TRUE(Contains(error.what(), (model.path() / "missing-dir" / "calls.jsonl").u8string()));
  }
}

TEST(CallLog, PipelinesOnTwoThreadsShareOneFileLineByLine) {
  TempDir logDir;
  const fs::path log = logDir.path() / "shared.jsonl";
  const std::string script = "{\"log\": " + testing_support::jsonQuoted(log.u8string()) + "}";
  ModelDir first(script);
  ModelDir second(script);
  const std::string longPrompt(3000, 'p');
  auto run = [&](const fs::path& dir) {
    LLMPipeline pipeline(dir, "CPU");
    for (int i = 0; i < 100; ++i) pipeline.generate(longPrompt, {});
  };
  std::thread a(run, first.path());
  std::thread b(run, second.path());
  a.join();
  b.join();

  const std::vector<std::string> lines = readLines(log);
  ASSERT_EQ(lines.size(), 204u);
  simdjson::dom::parser parser;
  for (const std::string& line : lines) {
    element event;
    ASSERT_EQ(parser.parse(line).get(event), simdjson::SUCCESS) << line;
  }
}
