// Measure words and fillers at the edges of a captured slot are not part of its
// value: "播放一首稻香" plays "稻香", "设个一个25分钟的计时器" times "25分钟".
#pragma once

#include <cstddef>
#include <string_view>

namespace norvik {

// Length of the measure word or filler that starts the slot text[begin, end), or 0.
std::size_t leadingFillerLength(std::u32string_view text, std::size_t begin, std::size_t end);
// Length of the filler that ends it, or 0.
std::size_t trailingFillerLength(std::u32string_view text, std::size_t begin, std::size_t end);

// Trims [begin, end) step by step while what is left is still a value the slot
// accepts (`accepts(begin, end)`): "一个小时" stays whole as a time, since
// "小时" holds no numeral.
template <typename Accepts>
void trimSlot(std::u32string_view text, std::size_t& begin, std::size_t& end, Accepts&& accepts) {
  for (bool trimmed = true; trimmed && begin < end;) {
    trimmed = false;
    if (const std::size_t n = leadingFillerLength(text, begin, end); n > 0 && accepts(begin + n, end)) {
      begin += n;
      trimmed = true;
    }
    if (const std::size_t n = trailingFillerLength(text, begin, end); n > 0 && accepts(begin, end - n)) {
      end -= n;
      trimmed = true;
    }
  }
}

}  // namespace norvik
