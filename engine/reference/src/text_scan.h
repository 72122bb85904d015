// Finding listed words in normalised text. The lists are short and queries
// are short, so a plain scan is the fastest way.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>

namespace norvik {

using WordList = std::initializer_list<std::u32string_view>;

// Length of the longest listed word that starts at `pos`, or 0.
inline std::size_t wordAt(std::u32string_view text, std::size_t pos, WordList words) {
  std::size_t best = 0;
  for (const std::u32string_view word : words) {
    if (word.size() > best && text.substr(pos, word.size()) == word) best = word.size();
  }
  return best;
}

// Length of the longest listed word that ends at `end`, or 0.
inline std::size_t wordBefore(std::u32string_view text, std::size_t end, WordList words) {
  std::size_t best = 0;
  for (const std::u32string_view word : words) {
    if (word.size() > best && word.size() <= end && text.substr(end - word.size(), word.size()) == word) {
      best = word.size();
    }
  }
  return best;
}

inline bool containsAny(std::u32string_view text, WordList words) {
  for (const std::u32string_view word : words) {
    if (text.find(word) != std::u32string_view::npos) return true;
  }
  return false;
}

// Letters, digits and the characters of Chinese, Japanese and Korean: what
// makes text more than symbols, emoji and punctuation.
inline bool isWordCharacter(char32_t c) {
  return (c >= U'0' && c <= U'9') || (c >= U'a' && c <= U'z') || (c >= 0xC0 && c <= 0x24F) ||
         (c >= 0x370 && c <= 0x52F) || (c >= 0x3040 && c <= 0x30FF) || (c >= 0x3400 && c <= 0x4DBF) ||
         (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xAC00 && c <= 0xD7AF) || (c >= 0xF900 && c <= 0xFAFF) ||
         (c >= 0x20000 && c <= 0x2FFFF);
}

inline bool isHan(char32_t c) {
  return (c >= 0x3400 && c <= 0x4DBF) || (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xF900 && c <= 0xFAFF) ||
         (c >= 0x20000 && c <= 0x2FFFF);
}

}  // namespace norvik
