#include "text_normalizer.h"

#include <gtest/gtest.h>

#include "deskpet/utf8.h"

namespace norvik {
namespace {

using deskpet::decodeUtf8;
using deskpet::toUtf8;

TEST(TextNormalizer, FoldsFullWidthAsciiAndCase) {
  EXPECT_EQ(normalizeToUtf8("ＷｉＦｉ打开"), "wifi打开");
  EXPECT_EQ(normalizeToUtf8("打开QQ"), "打开qq");
  EXPECT_EQ(normalizeToUtf8("音量调到５０"), "音量调到50");
}

TEST(TextNormalizer, DropsPunctuationSpacesAndControls) {
  EXPECT_EQ(normalizeToUtf8("  打开，计算器！"), "打开计算器");
  EXPECT_EQ(normalizeToUtf8("现在几点了？\t\n"), "现在几点了");
  EXPECT_EQ(normalizeToUtf8("《晴天》、“稻香”…"), "晴天稻香");
  EXPECT_EQ(normalizeToUtf8("a\xE3\x80\x80"
                            "b c-d"),
            "abcd");  // ideographic space
  EXPECT_EQ(normalizeToUtf8("!!!   ???"), "");
}

TEST(TextNormalizer, SkipsInvalidUtf8WithoutLosingValidText) {
  // A lone continuation byte, a truncated three-byte sequence, an overlong slash,
  // an encoded surrogate and a byte that never starts a sequence.
  EXPECT_EQ(normalizeToUtf8("\x80打开\xE6\x89"), "打开");
  EXPECT_EQ(normalizeToUtf8("a\xC0\xAF"
                            "b"),
            "ab");
  EXPECT_EQ(normalizeToUtf8("x\xED\xA0\x80y\xFFz"), "xyz");
  EXPECT_EQ(normalizeToUtf8(std::string("a\0b", 3)), "ab");
}

TEST(TextNormalizer, KeepsByteOffsetsIntoTheOriginal) {
  const std::string text = "打开 Visual";
  const NormalizedText n = normalizeText(text);
  ASSERT_EQ(n.size(), 8u);
  EXPECT_EQ(n.byteBegin[0], 0u);
  EXPECT_EQ(n.byteEnd[1], 6u);
  EXPECT_EQ(n.byteBegin[2], 7u);  // the space is dropped
  EXPECT_EQ(n.byteEnd[7], text.size());
}

// Long texts are normalised a run of characters at a time: the runs join
// without a seam, in the characters and in their offsets.
TEST(TextNormalizer, NormalisesTextsLongerThanOneRun) {
  std::string text;
  for (int i = 0; i < 50; ++i) text += "打开 Ab，";
  const NormalizedText n = normalizeText(text);
  ASSERT_EQ(n.size(), 200u);
  EXPECT_EQ(n.chars, normalizeChars(text));
  EXPECT_EQ(toUtf8(n.chars.substr(60, 8)), "打开ab打开ab");
  for (std::size_t i = 0; i < n.size(); ++i) {
    char32_t cp = 0;
    std::size_t length = 0;
    ASSERT_TRUE(decodeUtf8(text.data(), text.size(), n.byteBegin[i], cp, length)) << i;
    EXPECT_EQ(n.byteEnd[i], n.byteBegin[i] + length) << i;
    EXPECT_EQ(foldCharacter(cp), n.chars[i]) << i;
  }
}

TEST(Utf8, DecodesEveryLengthAndRejectsBadForms) {
  char32_t cp = 0;
  std::size_t length = 0;
  const std::string samples = "a\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x98\x80";
  ASSERT_TRUE(decodeUtf8(samples.data(), samples.size(), 0, cp, length));
  EXPECT_EQ(cp, U'a');
  ASSERT_TRUE(decodeUtf8(samples.data(), samples.size(), 1, cp, length));
  EXPECT_EQ(cp, U'é');
  ASSERT_TRUE(decodeUtf8(samples.data(), samples.size(), 3, cp, length));
  EXPECT_EQ(cp, U'中');
  ASSERT_TRUE(decodeUtf8(samples.data(), samples.size(), 6, cp, length));
  EXPECT_EQ(cp, U'\U0001F600');
  EXPECT_EQ(length, 4u);
  const std::string beyond = "\xF4\x90\x80\x80";  // above U+10FFFF
  EXPECT_FALSE(decodeUtf8(beyond.data(), beyond.size(), 0, cp, length));
  EXPECT_EQ(length, 1u);
  EXPECT_EQ(toUtf8(U"中a\U0001F600"), "中a\xF0\x9F\x98\x80");
}

}  // namespace
}  // namespace norvik
