#include "text_scan.h"

#include <gtest/gtest.h>

#include <string>

namespace norvik {
namespace {

// Characters whose low bytes are equal share a slot of the tables; a lookup
// must still tell them apart.
constexpr char32_t kZhong = U'中';              // U+4E2D
constexpr char32_t kSameSlot = kZhong + 0x100;  // U+4F2D, another character in the same slot

TEST(WordTable, FindsTheLongestWordStartingOrEndingAtAPosition) {
  const WordTable words = {U"打开", U"打开一下", U"打", U"一下", U"中文"};
  const std::u32string text = U"请打开一下中文";
  const struct {
    std::size_t pos;
    std::size_t at;      // longestAt(text, pos)
    std::size_t before;  // longestBefore(text, pos)
  } cases[] = {{0, 0, 0}, {1, 4, 0}, {2, 0, 1}, {3, 2, 2}, {5, 2, 4}, {7, 0, 2}, {8, 0, 0}};
  for (const auto& c : cases) {
    EXPECT_EQ(words.longestAt(text, c.pos), c.at) << c.pos;
    EXPECT_EQ(words.longestBefore(text, c.pos), c.before) << c.pos;
  }
  // A word that would run past the end of the text is not there.
  EXPECT_EQ(words.longestAt(U"打开一", 0), 2u);
  EXPECT_EQ(words.longestAt(std::u32string(1, kSameSlot) + U"文", 0), 0u);
  EXPECT_TRUE(words.foundIn(U"说中文"));
  EXPECT_FALSE(words.foundIn(std::u32string(1, kSameSlot)));
}

TEST(WordTable, CountsOccurrencesAsRepeatedFindDoes) {
  const WordTable words = {U"哈哈", U"哈", U"嗯"};
  EXPECT_EQ(words.countIn(U""), 0u);
  EXPECT_EQ(words.countIn(U"哈哈哈哈哈"), 2u + 5u);  // 哈哈 twice without overlap, 哈 five times
  EXPECT_EQ(words.countIn(U"嗯哈嗯"), 3u);
  // Groups of one table count as tables of their own.
  const WordTable grouped = {U"哈哈", U"哈", U"嗯", U"哈哈"};
  const std::size_t ends[] = {2, 3, 4};
  std::size_t counts[3];
  grouped.countGroupsIn(U"哈哈哈嗯哈哈", ends, counts);
  EXPECT_EQ(counts[0], WordTable({U"哈哈", U"哈"}).countIn(U"哈哈哈嗯哈哈"));
  EXPECT_EQ(counts[1], 1u);
  EXPECT_EQ(counts[2], 2u);
}

TEST(CharacterSet, TellsMembersFromCharactersOfTheSameSlot) {
  const CharacterSet set(std::u32string(U"开关") + kZhong);
  EXPECT_TRUE(set.contains(U'开'));
  EXPECT_TRUE(set.contains(kZhong));
  EXPECT_FALSE(set.contains(kSameSlot));
  EXPECT_FALSE(set.contains(U'a'));
  EXPECT_FALSE(CharacterSet(U"").contains(0));

  const CharacterMap map = {{kZhong, U'大'}, {U'低', U'小'}, {U'低', U'矮'}};
  EXPECT_EQ(map(kZhong), U'大');
  EXPECT_EQ(map(kSameSlot), kSameSlot);
  EXPECT_EQ(map(U'低'), U'小');  // of two images, the smaller
  EXPECT_EQ(map(U'x'), U'x');

  const CharacterFilter filter(U"打开中");
  for (const char32_t c : std::u32string(U"打开中")) EXPECT_TRUE(filter.mayHold(c));
}

}  // namespace
}  // namespace norvik
