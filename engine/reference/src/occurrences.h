// Every occurrence of a word in a text, overlapping ones included, in
// increasing order, in time linear in both lengths whatever their content
// (Knuth-Morris-Pratt). A repeated find() takes length(text) x length(word) on
// repetitive text, which a long corpus keyword and a long query turn into
// minutes.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace norvik {

template <typename OnMatch>
void forEachOccurrence(const std::u32string& text, const std::u32string& word, OnMatch&& onMatch) {
  if (word.empty() || word.size() > text.size()) return;
  // border[i]: length of the longest proper prefix of word[0..i] that is also its suffix.
  std::vector<std::size_t> border(word.size(), 0);
  for (std::size_t i = 1, k = 0; i < word.size(); ++i) {
    while (k > 0 && word[i] != word[k]) k = border[k - 1];
    if (word[i] == word[k]) ++k;
    border[i] = k;
  }
  for (std::size_t i = 0, k = 0; i < text.size(); ++i) {
    while (k > 0 && text[i] != word[k]) k = border[k - 1];
    if (text[i] == word[k]) ++k;
    if (k == word.size()) {
      onMatch(i + 1 - k);
      k = border[k - 1];
    }
  }
}

}  // namespace norvik
