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
                           U"我",   U"吗",   U"个",   U"呗",   U"嗯",     U"呃",   U"就是", U"给",
                           U"一段", U"一张", U"一支", U"一次", U"功能", U"能不能", U"可不可以", U"可以", U"能",
                           U"稍微", U"有点"};

// Numerals are folded together so that "调到三十" knows "调到五十", and so are
// words of the same direction: "音量低一点" is "音量小一点".
char32_t fold(char32_t c) {
  static const std::u32string_view kNumerals = U"0123456789零〇一二三四五六七八九十百千万两";
  static const std::u32string_view kLess = U"低减降";
  static const std::u32string_view kMore = U"高增加升提";
  if (kNumerals.find(c) != std::u32string_view::npos) return U'0';
  if (kLess.find(c) != std::u32string_view::npos) return U'小';
  if (kMore.find(c) != std::u32string_view::npos) return U'大';
  return c;
}

// Words whose characters say no direction although some of them would alone
// (早上, 当前, 下班, 一下…).
const WordList kNotDirections = {U"早上", U"晚上", U"上午", U"下午", U"中午", U"马上", U"上班", U"下班", U"网上",
                                 U"线上", U"上网", U"下载", U"一下", U"下来", U"上来", U"起来", U"大家", U"大概",
                                 U"高铁", U"小时", U"多大", U"高兴", U"开心", U"当前", U"以前", U"前面", U"后面",
                                 U"以后", U"之后", U"然后", U"最后", U"大小", U"上面", U"下面", U"加油",
                                 U"小爱", U"小度", U"设备", U"关于", U"开会", U"上一下"};

std::vector<bool> directionMask(const std::u32string& query, std::size_t begin, std::size_t end) {
  std::vector<bool> direction(end - begin, false);
  for (std::size_t pos = begin; pos < end;) {
    if (const std::size_t n = std::min(wordAt(query, pos, kNotDirections), end - pos)) {
      pos += n;
      continue;
    }
    direction[pos - begin] = isDirectionCharacter(query[pos]);
    ++pos;
  }
  return direction;
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

constexpr std::u32string_view kNegations = U"不别没甭勿";

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

bool isDirectionCharacter(char32_t c) {
  // 今 and 明 too: today's weather is not tomorrow's.
  static const std::u32string_view kDirections = U"开关启停退取消删除设定增减加降高低大小亮暗上下前后静连断锁解清录截暂继今明";
  return kDirections.find(c) != std::u32string_view::npos;
}

bool knowsCharacter(const Command& command, char32_t c) {
  const uint64_t folded = fold(c);
  return std::any_of(command.knownPairs.begin(), command.knownPairs.end(),
                     [folded](uint64_t pair) { return (pair >> 32) == folded || (pair & 0xFFFFFFFFu) == folded; });
}

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

bool knowsDirections(const Command& command, const Pattern& pattern) {
  for (const PatternSegment& segment : pattern.segments) {
    for (const char32_t c : segment.literal) {
      if (isDirectionCharacter(c) && !knowsCharacter(command, c)) return false;
    }
  }
  return true;
}

std::u32string contentCharacters(const std::u32string& query) {
  const std::vector<bool> filler = fillerMask(query, 0, query.size());
  std::u32string content;
  for (std::size_t i = 0; i < query.size(); ++i) {
    if (!filler[i]) content.push_back(query[i]);
  }
  return content;
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
    coverage.directionExplained = false;
    return coverage;
  }
  // The meaningful characters, in order: adjacency skips the fillers between
  // them, so "开一下扣扣" is "开扣扣" to a command that knows "打开扣扣".
  const std::vector<bool> filler = fillerMask(query, begin, end);
  const std::vector<bool> direction = directionMask(query, begin, end);
  std::vector<std::size_t> content;
  for (std::size_t i = begin; i < end; ++i) {
    if (!filler[i - begin]) content.push_back(i);
  }
  std::vector<bool> explained(end - begin, false);
  for (std::size_t k = 0; k < content.size(); ++k) {
    const std::size_t i = content[k];
    const bool captured = !given.empty() && given[i];
    const bool withPrevious = k > 0 && knows(command, query[content[k - 1]], query[i]);
    const bool withNext = k + 1 < content.size() && knows(command, query[i], query[content[k + 1]]);
    explained[i - begin] = captured || withPrevious || withNext;
    ++coverage.content;
    if (explained[i - begin]) {
      ++coverage.explained;
    } else if (direction[i - begin] && !knowsCharacter(command, query[i])) {
      coverage.directionExplained = false;
    }
  }
  // A negation is explained when the command's own words negate too ("别关电脑"
  // for the command that knows "不要关机"); a command that never negates does
  // not run against one ("不要关机").
  for (const std::size_t pos : negations) {
    if (pos < begin || pos >= end || explained[pos - begin]) continue;
    if (!std::any_of(kNegations.begin(), kNegations.end(), [&](char32_t c) { return knowsCharacter(command, c); })) {
      coverage.negationExplained = false;
    }
  }
  return coverage;
}

}  // namespace norvik
