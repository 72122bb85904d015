#include "generation_call.h"

#include <cstddef>
#include <utility>
#include <variant>

namespace llm_bridge {

ov::AnyMap generationConfig(const GenerationSettings& settings) {
  ov::AnyMap config;
  // Widened with sign extension, as the library takes a size here.
  config.emplace("max_new_tokens", ov::Any(static_cast<std::size_t>(settings.maxNewTokens)));
  config.emplace("temperature", ov::Any(settings.temperature));
  config.emplace("top_p", ov::Any(settings.topP));
  config.emplace("do_sample", ov::Any(settings.doSample));
  config.emplace("apply_chat_template", ov::Any(settings.applyChatTemplate));
  return config;
}

std::string generateText(ov::genai::LLMPipeline& pipeline, const std::string& prompt,
                         const GenerationSettings& settings) {
  const ov::AnyMap config = generationConfig(settings);
  // Moved, not copied, into the by-value parameter: a copy of the variant that
  // runs out of memory half-way destroys an alternative it never made
  // (libstdc++ 12), and a move cannot fail.
  ov::genai::StringInputs input{std::in_place_type<std::string>, prompt};
  const ov::genai::DecodedResults results = pipeline.generate(std::move(input), config);
  // The library's conversion checks that texts and scores agree and yields the
  // single generated text unchanged ("" when there is none).
  return static_cast<std::string>(results);
}

}  // namespace llm_bridge
