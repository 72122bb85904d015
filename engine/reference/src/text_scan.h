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

// Whether the `count` characters at `a` and at `b` are the same. Words are a
// few characters long: compared in place, they cost less than the call that
// std::equal makes of them (memcmp).
inline bool sameCharacters(const char32_t* a, const char32_t* b, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    if (a[i] != b[i]) return false;
  }
  return true;
}

inline bool containsAny(std::u32string_view text, WordList words) {
  for (const std::u32string_view word : words) {
    if (text.find(word) != std::u32string_view::npos) return true;
  }
  return false;
}

// A set of characters with false positives but no false negatives: a quick
// "certainly not there" before a search. A character's slot is its low bits:
// the characters of a query or of a word list spread over them well enough,
// and no hashing is spent on every test. A byte a slot, so that a test is one
// load.
class CharacterFilter {
 public:
  CharacterFilter() = default;
  explicit CharacterFilter(std::u32string_view text) {
    for (const char32_t c : text) add(c);
  }
  void add(char32_t c) { slots_[slot(c)] = 1; }
  bool mayHold(char32_t c) const { return slots_[slot(c)] != 0; }

 private:
  static uint32_t slot(char32_t c) { return static_cast<uint32_t>(c) & 511; }  // 9 bits
  uint8_t slots_[512] = {};
};

namespace text_scan_detail {

// Entries sorted by the low byte of their key, with where each byte's entries
// start: the entries for a character are found with two loads and no search
// (most characters of a query find an empty range at once). The lists are
// written in the source, far below the 65,535 entries the offsets can hold.
constexpr std::size_t kSlots = 256;

inline std::size_t slotOf(char32_t c) {
  return static_cast<std::size_t>(c) & (kSlots - 1);
}

template <typename Entry, typename KeyOf>
void indexBySlot(const std::vector<Entry>& entries, KeyOf keyOf, uint16_t (&start)[kSlots + 1]) {
  std::size_t at = 0;
  for (std::size_t slot = 0; slot <= kSlots; ++slot) {
    while (at < entries.size() && slotOf(keyOf(entries[at])) < slot) ++at;
    start[slot] = static_cast<uint16_t>(at);
  }
}

}  // namespace text_scan_detail

// An exact set of characters, for tests made on every character of a query.
class CharacterSet {
 public:
  explicit CharacterSet(std::u32string_view chars) : chars_(chars.begin(), chars.end()) {
    using text_scan_detail::slotOf;
    std::sort(chars_.begin(), chars_.end(),
              [](char32_t a, char32_t b) { return slotOf(a) != slotOf(b) ? slotOf(a) < slotOf(b) : a < b; });
    text_scan_detail::indexBySlot(
        chars_, [](char32_t c) { return c; }, start_);
  }
  bool contains(char32_t c) const {
    const std::size_t slot = text_scan_detail::slotOf(c);
    for (std::size_t i = start_[slot], end = start_[slot + 1]; i < end; ++i) {
      if (chars_[i] == c) return true;
    }
    return false;
  }

 private:
  std::vector<char32_t> chars_;
  uint16_t start_[text_scan_detail::kSlots + 1];
};

// A map from characters to characters, the others mapped to themselves.
class CharacterMap {
 public:
  CharacterMap(std::initializer_list<std::pair<char32_t, char32_t>> pairs) : pairs_(pairs) {
    using text_scan_detail::slotOf;
    using Pair = std::pair<char32_t, char32_t>;
    // Of two pairs for one character, the one with the smaller image wins.
    std::sort(pairs_.begin(), pairs_.end(), [](const Pair& a, const Pair& b) {
      return slotOf(a.first) != slotOf(b.first) ? slotOf(a.first) < slotOf(b.first) : a < b;
    });
    text_scan_detail::indexBySlot(
        pairs_, [](const Pair& pair) { return pair.first; }, start_);
  }
  char32_t operator()(char32_t c) const {
    const std::size_t slot = text_scan_detail::slotOf(c);
    for (std::size_t i = start_[slot], end = start_[slot + 1]; i < end; ++i) {
      if (pairs_[i].first == c) return pairs_[i].second;
    }
    return c;
  }

 private:
  std::vector<std::pair<char32_t, char32_t>> pairs_;
  uint16_t start_[text_scan_detail::kSlots + 1];
};

// A word list indexed by first and by last character, for lists scanned at
// every position of every query: a character that starts (or ends) no listed
// word costs two loads, and only the words that start (or end) with the
// character at hand are compared, the longest first.
class WordTable {
 public:
  WordTable(WordList words) : WordTable(words.begin(), words.end()) {}

  // The words from `first` to `last`, whose characters must outlive the table.
  WordTable(const std::u32string_view* first, const std::u32string_view* last)
      : count_(static_cast<std::size_t>(last - first)) {
    std::size_t index = 0;
    for (; first != last; ++first) {
      const std::u32string_view word = *first;
      if (!word.empty()) {
        byFirst_.push_back({word.front(), static_cast<uint32_t>(index), word});
        byLast_.push_back({word.back(), static_cast<uint32_t>(index), word});
      }
      ++index;
    }
    std::sort(byFirst_.begin(), byFirst_.end());
    std::sort(byLast_.begin(), byLast_.end());
    text_scan_detail::indexBySlot(
        byFirst_, [](const Entry& entry) { return entry.key; }, firstStart_);
    text_scan_detail::indexBySlot(
        byLast_, [](const Entry& entry) { return entry.key; }, lastStart_);
  }

  // How many times the listed words occur in the text, each word counted where
  // its occurrences do not overlap (as repeated find() counts them).
  std::size_t countIn(std::u32string_view text) const {
    std::size_t total = 0;
    forEachCounted(text, [&total](std::size_t) { ++total; });
    return total;
  }

  // The counts of countIn for groups of the listed words, in one pass: group g
  // holds the words from ends[g - 1] (0 for the first) to ends[g] of the list.
  template <std::size_t Groups>
  void countGroupsIn(std::u32string_view text, const std::size_t (&ends)[Groups], std::size_t (&counts)[Groups]) const {
    std::fill_n(counts, Groups, std::size_t{0});
    forEachCounted(text, [&](std::size_t index) {
      std::size_t group = 0;
      while (group + 1 < Groups && index >= ends[group]) ++group;
      if (index < ends[group]) ++counts[group];
    });
  }

  // Length of the longest listed word that starts at `pos`, or 0.
  std::size_t longestAt(std::u32string_view text, std::size_t pos) const {
    if (pos >= text.size()) return 0;
    const char32_t c = text[pos];
    const std::size_t slot = text_scan_detail::slotOf(c);
    for (std::size_t i = firstStart_[slot], end = firstStart_[slot + 1]; i < end; ++i) {
      const Entry& entry = byFirst_[i];
      if (entry.key == c && followsAt(text, pos, entry.word)) return entry.word.size();
    }
    return 0;
  }

  // Length of the longest listed word that ends at `end`, or 0.
  std::size_t longestBefore(std::u32string_view text, std::size_t end) const {
    if (end == 0 || end > text.size()) return 0;
    const char32_t c = text[end - 1];
    const std::size_t slot = text_scan_detail::slotOf(c);
    for (std::size_t i = lastStart_[slot], last = lastStart_[slot + 1]; i < last; ++i) {
      const Entry& entry = byLast_[i];
      if (entry.key == c && precedesAt(text, end, entry.word)) {
        return entry.word.size();
      }
    }
    return 0;
  }

  // The characters that start a listed word.
  std::u32string firstCharacters() const {
    std::u32string firsts;
    for (const Entry& entry : byFirst_) firsts.push_back(entry.key);
    return firsts;
  }

  bool foundIn(std::u32string_view text) const {
    for (std::size_t pos = 0; pos < text.size(); ++pos) {
      if (longestAt(text, pos) != 0) return true;
    }
    return false;
  }

 private:
  struct Entry {
    char32_t key;    // the word's first (or last) character
    uint32_t index;  // in the list as given
    std::u32string_view word;
    // By slot, then character, then the longest word first.
    bool operator<(const Entry& other) const {
      using text_scan_detail::slotOf;
      if (slotOf(key) != slotOf(other.key)) return slotOf(key) < slotOf(other.key);
      if (key != other.key) return key < other.key;
      if (word.size() != other.word.size()) return word.size() > other.word.size();
      return index < other.index;
    }
  };

  // Calls counted(index) for every occurrence of a listed word that countIn
  // counts, with the word's index in the list.
  template <typename Counted>
  void forEachCounted(std::u32string_view text, Counted&& counted) const {
    // Where each word may next be counted, for the words counted so far (a
    // bit each): on the stack for lists of usual size.
    constexpr std::size_t kLocal = 128;
    std::size_t local[kLocal];
    uint64_t seen[kLocal / 64] = {};
    std::vector<std::size_t> heap;
    const bool large = count_ > kLocal;
    if (large) heap.assign(count_, 0);
    for (std::size_t pos = 0; pos < text.size(); ++pos) {
      const char32_t c = text[pos];
      const std::size_t slot = text_scan_detail::slotOf(c);
      for (std::size_t i = firstStart_[slot], end = firstStart_[slot + 1]; i < end; ++i) {
        const Entry& entry = byFirst_[i];
        if (entry.key != c || !followsAt(text, pos, entry.word)) continue;
        std::size_t* next = nullptr;
        if (large) {
          next = &heap[entry.index];
        } else {
          next = &local[entry.index];
          uint64_t& bits = seen[entry.index >> 6];
          const uint64_t bit = uint64_t{1} << (entry.index & 63);
          if ((bits & bit) == 0) {
            bits |= bit;
            *next = 0;
          }
        }
        if (pos >= *next) {
          *next = pos + entry.word.size();
          counted(entry.index);
        }
      }
    }
  }

  // Whether `word`, whose first character stands at `pos`, stands there whole.
  static bool followsAt(std::u32string_view text, std::size_t pos, std::u32string_view word) {
    if (word.size() > text.size() - pos) return false;
    for (std::size_t i = 1; i < word.size(); ++i) {
      if (text[pos + i] != word[i]) return false;
    }
    return true;
  }

  // Whether `word`, whose last character stands before `end`, ends there whole.
  static bool precedesAt(std::u32string_view text, std::size_t end, std::u32string_view word) {
    if (word.size() > end) return false;
    const std::size_t pos = end - word.size();
    for (std::size_t i = 0; i + 1 < word.size(); ++i) {
      if (text[pos + i] != word[i]) return false;
    }
    return true;
  }

  std::size_t count_;
  std::vector<Entry> byFirst_;
  std::vector<Entry> byLast_;
  uint16_t firstStart_[text_scan_detail::kSlots + 1];
  uint16_t lastStart_[text_scan_detail::kSlots + 1];
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
