#include "openvino/genai/llm_pipeline.hpp"

#include "scripted_model.hpp"

namespace ov {
namespace genai {

class LLMPipeline::Impl {
 public:
  Impl(const std::filesystem::path& modelsPath, const std::string& device, const ov::AnyMap& properties)
      : model(modelsPath, device, properties) {}

  scripted::ScriptedModel model;
};

LLMPipeline::LLMPipeline(const std::filesystem::path& models_path, const std::string& device,
                         const ov::AnyMap& properties)
    : impl_(std::make_unique<Impl>(models_path, device, properties)) {}

LLMPipeline::~LLMPipeline() = default;

DecodedResults LLMPipeline::generate(StringInputs inputs, const ov::AnyMap& config_map) {
  return impl_->model.generate(inputs, config_map);
}

}  // namespace genai
}  // namespace ov
