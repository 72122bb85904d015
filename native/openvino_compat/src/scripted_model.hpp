#pragma once

#include <filesystem>
#include <optional>
#include <random>
#include <string>

#include "call_log.hpp"
#include "generation_options.hpp"
#include "model_script.hpp"
#include "openvino/genai/llm_pipeline.hpp"

namespace ov {
namespace genai {
namespace scripted {

// A model whose every answer comes from the model directory's
// scripted_model.json. One instance lives behind each LLMPipeline.
class ScriptedModel {
 public:
  // Reads the script, writes the load event (when the script names a log),
  // then checks the device and fail_load. Everything that goes wrong throws
  // ov::Exception; nothing is logged when the script itself cannot be read.
  ScriptedModel(const std::filesystem::path& modelsPath, const std::string& device, const ov::AnyMap& properties);
  ~ScriptedModel();

  ScriptedModel(const ScriptedModel&) = delete;
  ScriptedModel& operator=(const ScriptedModel&) = delete;

  DecodedResults generate(const StringInputs& inputs, const ov::AnyMap& config);

 private:
  void requireSupportedDevice(const std::filesystem::path& modelsPath, const std::string& device) const;
  const Reply& replyFor(const std::string& modelText) const;
  std::optional<std::string> answer(const std::string& prompt, const GenerationOptions& options);
  void record(const std::string& line) const;

  ModelScript script_;
  std::optional<CallLog> log_;
  std::mt19937_64 rng_;
};

}  // namespace scripted
}  // namespace genai
}  // namespace ov
