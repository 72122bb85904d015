#include "openvino/genai/llm_pipeline.hpp"

namespace ov {
namespace genai {

class LLMPipeline::Impl {};

LLMPipeline::LLMPipeline(const std::filesystem::path& models_path, const std::string&, const ov::AnyMap&) {
    throw ov::Exception("LLMPipeline: the scripted model is not available yet: " + models_path.u8string());
}

LLMPipeline::~LLMPipeline() = default;

DecodedResults LLMPipeline::generate(StringInputs, const ov::AnyMap&) {
    throw ov::Exception("LLMPipeline: the scripted model is not available yet");
}

}  // namespace genai
}  // namespace ov
