#include "slot_trimming.h"

#include "text_scan.h"

namespace norvik {

namespace {

// Measure words and determiners before a value ("一首稻香", "那个文件").
const WordTable kLeading = {U"一首", U"一曲", U"一部", U"一集", U"一个", U"一下", U"一张",
                            U"一段", U"一点", U"一些", U"几首", U"几个", U"几张", U"那首",
                            U"这首", U"那个", U"这个", U"那部", U"这部", U"首",   U"个"};
// A single 首 or 个 starts some words that are values themselves.
const WordTable kWordsStartingWithMeasure = {U"首尔", U"首都", U"首页", U"首席", U"个人", U"个性", U"个税", U"个体"};
// Particles and politeness after a value ("稻香吧", "开会好吗").
const WordTable kTrailing = {U"吧",   U"啊",     U"呀",   U"哦",   U"嘛",   U"呢",   U"啦", U"哈",
                             U"好吗", U"可以吗", U"行吗", U"谢谢", U"一下", U"给我", U"的"};

}  // namespace

std::size_t leadingFillerLength(std::u32string_view text, std::size_t begin, std::size_t end) {
  const std::u32string_view value = text.substr(begin, end - begin);
  const std::size_t n = wordAt(value, 0, kLeading);
  if (n == 1 && wordAt(value, 0, kWordsStartingWithMeasure) != 0) return 0;
  // A word must be left: "一个人" is a title, "一首" stays "一首".
  return n + 2 <= value.size() ? n : 0;
}

std::size_t trailingFillerLength(std::u32string_view text, std::size_t begin, std::size_t end) {
  const std::u32string_view value = text.substr(begin, end - begin);
  const std::size_t n = wordBefore(value, value.size(), kTrailing);
  return n < value.size() ? n : 0;
}

}  // namespace norvik
