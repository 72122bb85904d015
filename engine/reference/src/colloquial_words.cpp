#include "colloquial_words.h"

#include <string_view>

namespace norvik {

bool readColloquialWords(std::u32string& text) {
  // 儿 after a day's first character makes the day word: 今儿 is 今天.
  static constexpr std::u32string_view kDays = U"今明后昨前";
  bool changed = false;
  for (std::size_t i = 1; i < text.size(); ++i) {
    if (text[i] != U'儿' || kDays.find(text[i - 1]) == std::u32string_view::npos) continue;
    // "明儿个" and "今儿个" are day words whole; 个 stays, a measure word to skip.
    text[i] = U'天';
    changed = true;
  }
  return changed;
}

}  // namespace norvik
