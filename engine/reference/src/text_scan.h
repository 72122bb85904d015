// Finding listed words in normalised text. The lists are short and queries
// are short, so a plain scan is the fastest way.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

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

// A set of characters with false positives but no false negatives: a quick
// "certainly not there" before a search.
class CharacterFilter {
 public:
  CharacterFilter() = default;
  explicit CharacterFilter(std::u32string_view text) {
    for (const char32_t c : text) add(c);
  }
  void add(char32_t c) { bits_[slot(c) >> 6] |= uint64_t{1} << (slot(c) & 63); }
  bool mayHold(char32_t c) const { return (bits_[slot(c) >> 6] >> (slot(c) & 63)) & 1; }

 private:
  static uint32_t slot(char32_t c) { return (static_cast<uint32_t>(c) * 2654435761u) >> 23; }  // 9 bits
  uint64_t bits_[8] = {};
};

// An exact set of characters, for tests made on every character of a query:
// the filter answers most "no"s at once, a binary search the rest (a scan of
// a string of forty characters costs forty comparisons).
class CharacterSet {
 public:
  explicit CharacterSet(std::u32string_view chars) : chars_(chars.begin(), chars.end()) {
    std::sort(chars_.begin(), chars_.end());
    for (const char32_t c : chars_) filter_.add(c);
  }
  bool contains(char32_t c) const { return filter_.mayHold(c) && std::binary_search(chars_.begin(), chars_.end(), c); }

 private:
  std::vector<char32_t> chars_;
  CharacterFilter filter_;
};

// A map from characters to characters, the others mapped to themselves.
class CharacterMap {
 public:
  CharacterMap(std::initializer_list<std::pair<char32_t, char32_t>> pairs) : pairs_(pairs) {
    std::sort(pairs_.begin(), pairs_.end());
    for (const auto& pair : pairs_) filter_.add(pair.first);
  }
  char32_t operator()(char32_t c) const {
    if (!filter_.mayHold(c)) return c;
    const auto it = std::lower_bound(pairs_.begin(), pairs_.end(), std::make_pair(c, char32_t{0}));
    return it != pairs_.end() && it->first == c ? it->second : c;
  }

 private:
  std::vector<std::pair<char32_t, char32_t>> pairs_;
  CharacterFilter filter_;
};

// A word list indexed by first character, for lists scanned at every position
// of every query: only the words that start with the character at hand are
// compared.
class WordTable {
 public:
  WordTable(WordList words) : count_(words.size()) {
    std::size_t index = 0;
    for (const std::u32string_view word : words) {
      if (!word.empty()) {
        byFirst_.push_back({word.front(), word, index});
        byLast_.push_back({word.back(), word, index});
      }
      ++index;
    }
    std::sort(byFirst_.begin(), byFirst_.end());
    std::sort(byLast_.begin(), byLast_.end());
    for (const Entry& entry : byFirst_) firsts_.add(entry.key);
    for (const Entry& entry : byLast_) lasts_.add(entry.key);
  }

  // How many times the listed words occur in the text, each word counted where
  // its occurrences do not overlap (as repeated find() counts them).
  std::size_t countIn(std::u32string_view text) const {
    // Where each word may next be counted: on the stack for lists of usual size.
    std::size_t local[128];
    std::vector<std::size_t> heap;
    std::size_t* nextAllowed = local;
    if (count_ > sizeof local / sizeof local[0]) {
      heap.assign(count_, 0);
      nextAllowed = heap.data();
    } else {
      std::fill_n(local, count_, std::size_t{0});
    }
    std::size_t total = 0;
    for (std::size_t pos = 0; pos < text.size(); ++pos) {
      if (!firsts_.mayHold(text[pos])) continue;
      for (auto it = first(byFirst_, text[pos]); it != byFirst_.end() && it->key == text[pos]; ++it) {
        if (pos >= nextAllowed[it->index] && text.substr(pos, it->word.size()) == it->word) {
          ++total;
          nextAllowed[it->index] = pos + it->word.size();
        }
      }
    }
    return total;
  }

  // Length of the longest listed word that starts at `pos`, or 0.
  std::size_t longestAt(std::u32string_view text, std::size_t pos) const {
    if (pos >= text.size() || !firsts_.mayHold(text[pos])) return 0;
    std::size_t best = 0;
    for (auto it = first(byFirst_, text[pos]); it != byFirst_.end() && it->key == text[pos]; ++it) {
      const std::u32string_view word = it->word;
      if (word.size() > best && text.substr(pos, word.size()) == word) best = word.size();
    }
    return best;
  }

  // Length of the longest listed word that ends at `end`, or 0.
  std::size_t longestBefore(std::u32string_view text, std::size_t end) const {
    if (end == 0 || end > text.size() || !lasts_.mayHold(text[end - 1])) return 0;
    std::size_t best = 0;
    for (auto it = first(byLast_, text[end - 1]); it != byLast_.end() && it->key == text[end - 1]; ++it) {
      const std::u32string_view word = it->word;
      if (word.size() > best && word.size() <= end && text.substr(end - word.size(), word.size()) == word) {
        best = word.size();
      }
    }
    return best;
  }

  bool foundIn(std::u32string_view text) const {
    for (std::size_t pos = 0; pos < text.size(); ++pos) {
      if (longestAt(text, pos) != 0) return true;
    }
    return false;
  }

 private:
  struct Entry {
    char32_t key;  // the word's first (or last) character
    std::u32string_view word;
    std::size_t index;  // in the list as given
    bool operator<(const Entry& other) const { return key != other.key ? key < other.key : index < other.index; }
  };

  static std::vector<Entry>::const_iterator first(const std::vector<Entry>& entries, char32_t c) {
    return std::lower_bound(entries.begin(), entries.end(), c,
                            [](const Entry& entry, char32_t key) { return entry.key < key; });
  }

  std::size_t count_;
  std::vector<Entry> byFirst_;
  std::vector<Entry> byLast_;
  CharacterFilter firsts_;
  CharacterFilter lasts_;
};

inline std::size_t wordAt(std::u32string_view text, std::size_t pos, const WordTable& words) {
  return words.longestAt(text, pos);
}

inline std::size_t wordBefore(std::u32string_view text, std::size_t end, const WordTable& words) {
  return words.longestBefore(text, end);
}

inline bool containsAny(std::u32string_view text, const WordTable& words) {
  return words.foundIn(text);
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
