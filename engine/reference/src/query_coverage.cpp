#include "query_coverage.h"

#include <algorithm>

#include "text_normalizer.h"
#include "text_scan.h"

namespace norvik {

namespace {

// Words that carry no meaning of their own in a request.
const WordList kFillers = {U"请",   U"帮我", U"帮忙", U"麻烦你", U"麻烦", U"给我", U"替我", U"我想", U"我要",
                           U"我需要", U"一下", U"一点", U"点儿", U"一些", U"吧",   U"啊",   U"呀",   U"哦",
                           U"嘛",   U"呢",   U"啦",   U"哈",   U"了",     U"的",   U"把",   U"好吗", U"可以吗",
                           U"行吗", U"谢谢", U"这个", U"那个", U"快点",   U"赶紧", U"马上", U"看看", U"你",
                           U"我",   U"吗"};

// Numerals are folded together so that "调到三十" knows "调到五十".
char32_t fold(char32_t c) {
  static const std::u32string_view kNumerals = U"0123456789零〇一二三四五六七八九十百千万两";
  return kNumerals.find(c) != std::u32string_view::npos ? U'0' : c;
}

uint64_t pairKey(char32_t a, char32_t b) {
  return (static_cast<uint64_t>(fold(a)) << 32) | static_cast<uint64_t>(fold(b));
}

void addPairs(const std::u32string& text, std::vector<uint64_t>& pairs) {
  for (std::size_t i = 0; i + 1 < text.size(); ++i) pairs.push_back(pairKey(text[i], text[i + 1]));
}

bool knows(const Command& command, char32_t a, char32_t b) {
  return std::binary_search(command.knownPairs.begin(), command.knownPairs.end(), pairKey(a, b));
}

std::vector<bool> fillerMask(const std::u32string& query, std::size_t begin, std::size_t end) {
  std::vector<bool> filler(end - begin, false);
  for (std::size_t pos = begin; pos < end;) {
    const std::size_t n = std::min(wordAt(query, pos, kFillers), end - pos);
    if (n == 0) {
      ++pos;
      continue;
    }
    std::fill(filler.begin() + static_cast<long>(pos - begin), filler.begin() + static_cast<long>(pos - begin + n),
              true);
    pos += n;
  }
  return filler;
}

}  // namespace

std::vector<uint64_t> collectKnownPairs(const Command& command) {
  std::vector<uint64_t> pairs;
  addPairs(normalizeText(command.name).chars, pairs);
  for (const std::string& example : command.examples) addPairs(normalizeText(example).chars, pairs);
  for (const std::u32string& keyword : command.normalizedKeywords) addPairs(keyword, pairs);
  std::sort(pairs.begin(), pairs.end());
  pairs.erase(std::unique(pairs.begin(), pairs.end()), pairs.end());
  pairs.shrink_to_fit();
  return pairs;
}

bool knowsWords(const Command& command, const std::u32string& words) {
  for (std::size_t i = 0; i + 1 < words.size(); ++i) {
    if (!knows(command, words[i], words[i + 1])) return false;
  }
  return words.size() >= 2;
}

Coverage coverQuery(const Command& command, const std::u32string& query, std::size_t begin, std::size_t end,
                    const std::vector<bool>& given, const std::vector<std::size_t>& negations) {
  Coverage coverage;
  if (end > query.size() || begin >= end || end - begin > kMaxCoveredQueryLength) {
    coverage.content = std::max<std::size_t>(1, end > begin ? end - begin : 1);
    coverage.negationExplained = negations.empty();
    return coverage;
  }
  const std::vector<bool> filler = fillerMask(query, begin, end);
  std::vector<bool> explained(end - begin, false);
  for (std::size_t i = begin; i < end; ++i) {
    const bool captured = !given.empty() && given[i];
    const bool withPrevious = i > begin && knows(command, query[i - 1], query[i]);
    const bool withNext = i + 1 < end && knows(command, query[i], query[i + 1]);
    explained[i - begin] = captured || withPrevious || withNext;
    if (filler[i - begin]) continue;
    ++coverage.content;
    if (explained[i - begin]) ++coverage.explained;
  }
  for (const std::size_t pos : negations) {
    if (pos >= begin && pos < end && !explained[pos - begin]) coverage.negationExplained = false;
  }
  return coverage;
}

}  // namespace norvik
