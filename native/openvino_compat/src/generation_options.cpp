#include "generation_options.hpp"

#include <string>

#include "any_encoding.hpp"

namespace ov {
namespace genai {
namespace scripted {
namespace {

// The value under name, or nullptr when the map has no such key. Throws when
// the value does not hold exactly T.
template <typename T>
const T* typedSetting(const ov::AnyMap& config, const std::string& name, const char* expectedType) {
  const auto it = config.find(name);
  if (it == config.end()) return nullptr;
  if (!it->second.template is<T>()) {
    throw ov::Exception("Generation setting \"" + name + "\" must hold " + expectedType + ", not " +
                        anyTypeName(it->second));
  }
  return &it->second.template as<T>();
}

}  // namespace

GenerationOptions readGenerationOptions(const ov::AnyMap& config) {
  GenerationOptions options;
  if (const auto* limit = typedSetting<size_t>(config, "max_new_tokens", "size_t")) {
    options.maxNewTokens = *limit;
  }
  if (const auto* sample = typedSetting<bool>(config, "do_sample", "bool")) {
    options.doSample = *sample;
  }
  if (const auto* apply = typedSetting<bool>(config, "apply_chat_template", "bool")) {
    options.applyChatTemplate = *apply;
  }
  typedSetting<float>(config, "temperature", "float");
  typedSetting<float>(config, "top_p", "float");
  return options;
}

}  // namespace scripted
}  // namespace genai
}  // namespace ov
