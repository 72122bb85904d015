#pragma once

#include <string>

namespace ov {
namespace genai {
namespace scripted {

// The template with every "{prompt}" replaced by the prompt. The prompt is
// inserted as it is: a "{prompt}" inside the prompt itself is not expanded.
std::string applyChatTemplate(const std::string& chatTemplate, const std::string& prompt);

}  // namespace scripted
}  // namespace genai
}  // namespace ov
