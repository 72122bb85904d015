#pragma once

#include <cstddef>
#include <optional>

#include "openvino/core/any.hpp"

namespace ov {
namespace genai {
namespace scripted {

// The generation settings the scripted model acts on.
struct GenerationOptions {
  std::optional<size_t> maxNewTokens;  // absent: no limit
  bool doSample = false;
  bool applyChatTemplate = true;  // as in the real GenerationConfig
};

// Reads the settings of one generate call. The known settings must hold exactly
// the library's types ("max_new_tokens": size_t; "temperature", "top_p": float;
// "do_sample", "apply_chat_template": bool), otherwise ov::Exception is thrown
// naming the setting. Other keys are ignored.
GenerationOptions readGenerationOptions(const ov::AnyMap& config);

}  // namespace scripted
}  // namespace genai
}  // namespace ov
