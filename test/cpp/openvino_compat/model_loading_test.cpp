#include <gtest/gtest.h>

#include <string>

#include "model_dir.hpp"
#include "text_checks.hpp"
#include "openvino/genai/llm_pipeline.hpp"

namespace {

namespace fs = std::filesystem;
using testing_support::Contains;
using testing_support::ModelDir;
using testing_support::TempDir;

// The text of the ov::Exception the constructor throws, or a marker when it
// throws nothing.
std::string loadError(const fs::path& dir, const std::string& device = "CPU") {
  try {
    ov::genai::LLMPipeline pipeline(dir, device);
  } catch (const ov::Exception& error) {
    return error.what();
  }
  return "<loaded>";
}

}  // namespace

TEST(ModelLoading, MissingPathsAndFilesNameThePathAndProblem) {
  TempDir dir;
  const fs::path missing = dir.path() / "no-such-model";
  EXPECT_EQ(loadError(missing), "Model directory does not exist: " + missing.u8string());

  const fs::path file = dir.path() / "model.bin";
  testing_support::writeFile(file, "weights");
  EXPECT_EQ(loadError(file), "Model path is not a directory: " + file.u8string());

  const fs::path script = dir.path() / "scripted_model.json";
  EXPECT_EQ(loadError(dir.path()), "Scripted model file not found: " + script.u8string());

  fs::create_directory(script);
  EXPECT_EQ(loadError(dir.path()), "Scripted model file not found: " + script.u8string());
}

TEST(ModelLoading, InvalidJsonNamesTheFile) {
  for (const char* text : {"", "{\"rules\": [", "{} trailing", "{\"default\": \"\xff\"}"}) {
    ModelDir model(text);
    const std::string error = loadError(model.path());
    EXPECT_TRUE(Contains(error, "Invalid JSON in scripted model file "));
    EXPECT_TRUE(Contains(error, (model.path() / "scripted_model.json").u8string()));
  }
}

TEST(ModelLoading, MembersOfTheWrongShapeAreRejected) {
  const std::pair<const char*, const char*> cases[] = {
      {"[]", "the top level must be an object"},
      {R"({"devices": ["CPU", 1]})", "\"devices\"[1] must be a string"},
      {R"({"rules": [{"prompt": "a", "reply": "b"}, "x"]})", "\"rules\"[1] must be an object"},
      {R"({"rules": [{"prompt": "a"}]})", "\"rules\"[0] has no \"reply\""},
      {R"({"rules": [{"prompt": "a", "reply": []}]})", "\"rules\"[0].reply must not be an empty array"},
      {R"({"rules": [{"prompt": "a", "reply": 3}]})",
       "\"rules\"[0].reply must be a string, an array of strings or null"},
      {R"({"default": ["x", false]})", "\"default\"[1] must be a string"},
      {R"({"scores_mismatch": "yes"})", "\"scores_mismatch\" must be true or false"},
      {R"({"log": ""})", "\"log\" must not be empty"},
      {R"({"delay_ms": -1})", "\"delay_ms\" must be a number of milliseconds from 0 to 3600000"},
      {R"({"delay_ms": "5"})", "\"delay_ms\" must be a number of milliseconds from 0 to 3600000"},
      {R"({"delay_ms_per_code_point": 3600001})",
       "\"delay_ms_per_code_point\" must be a number of milliseconds from 0 to 3600000"},
  };
  for (const auto& [json, problem] : cases) {
    ModelDir model(json);
    const std::string expected =
        "Invalid scripted model " + (model.path() / "scripted_model.json").u8string() + ": " + problem;
    EXPECT_EQ(loadError(model.path()), expected) << json;
  }
}

TEST(ModelLoading, DevicesAreMatchedExactlyAndCaseSensitively) {
  ModelDir model("{}");
  for (const char* device : {"CPU", "GPU", "NPU"}) EXPECT_EQ(loadError(model.path(), device), "<loaded>");
  for (const char* device : {"cpu", "Npu", "NPU ", "GPU.1", ""}) {
    const std::string error = loadError(model.path(), device);
    EXPECT_TRUE(Contains(error, std::string("Device \"") + device + "\" is not supported")) << device;
    EXPECT_TRUE(Contains(error, model.path().u8string()));
  }

  ModelDir custom(R"({"devices": ["npu"]})");
  EXPECT_EQ(loadError(custom.path(), "npu"), "<loaded>");
  EXPECT_TRUE(Contains(loadError(custom.path(), "NPU"), "(supported devices: npu)"));
}

TEST(ModelLoading, FailLoadThrowsExactlyItsText) {
  ModelDir model(R"({"fail_load": "compilation failed on NPU"})");
  EXPECT_EQ(loadError(model.path()), "compilation failed on NPU");
}

TEST(ModelLoading, NullMembersCountAsAbsent) {
  ModelDir model(R"({"devices": null, "fail_load": null, "log": null, "rules": null})");
  EXPECT_EQ(loadError(model.path(), "GPU"), "<loaded>");
}
