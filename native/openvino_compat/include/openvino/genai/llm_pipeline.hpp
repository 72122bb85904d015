#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "openvino/core/any.hpp"
#include "openvino/core/except.hpp"
#include "openvino/genai/decoded_results.hpp"

namespace ov {
namespace genai {

// One prompt, or a batch of prompts.
using StringInputs = std::variant<std::string, std::vector<std::string>>;

// A text-generation pipeline loaded from a model directory onto a device.
class LLMPipeline {
 public:
  LLMPipeline(const std::filesystem::path& models_path, const std::string& device, const ov::AnyMap& properties = {});
  ~LLMPipeline();

  LLMPipeline(const LLMPipeline&) = delete;
  LLMPipeline& operator=(const LLMPipeline&) = delete;

  DecodedResults generate(StringInputs inputs, const ov::AnyMap& config_map);

 private:
  class Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace genai
}  // namespace ov
