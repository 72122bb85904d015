#include "chat_template.hpp"

#include <string_view>

namespace ov {
namespace genai {
namespace scripted {

std::string applyChatTemplate(const std::string& chatTemplate, const std::string& prompt) {
  static constexpr std::string_view kPlaceholder = "{prompt}";
  std::string text;
  size_t from = 0;
  for (size_t at = chatTemplate.find(kPlaceholder); at != std::string::npos;
       at = chatTemplate.find(kPlaceholder, from)) {
    text.append(chatTemplate, from, at - from);
    text += prompt;
    from = at + kPlaceholder.size();
  }
  text.append(chatTemplate, from, std::string::npos);
  return text;
}

}  // namespace scripted
}  // namespace genai
}  // namespace ov
