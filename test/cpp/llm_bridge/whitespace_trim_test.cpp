#include <gtest/gtest.h>

#include <string>

#include "prompt_pipelines.h"

namespace {

std::string trimmed(std::string text) {
  llm_bridge::trimWhitespace(text);
  return text;
}

TEST(TrimWhitespace, RemovesTheSixAsciiWhitespaceBytesAtBothEnds) {
  EXPECT_EQ(trimmed(" \t\n\v\f\r播放指定音乐指令\r\f\v\n\t "), "播放指定音乐指令");
  EXPECT_EQ(trimmed("播放指定音乐指令\n"), "播放指定音乐指令");
}

TEST(TrimWhitespace, KeepsInnerWhitespace) {
  EXPECT_EQ(trimmed("  今天 也要\n加油  "), "今天 也要\n加油");
}

TEST(TrimWhitespace, WhitespaceOnlyAndEmptyBecomeEmpty) {
  EXPECT_EQ(trimmed(" \n\t\r"), "");
  EXPECT_EQ(trimmed(""), "");
}

TEST(TrimWhitespace, NonAsciiSpacesAndOtherControlBytesStay) {
  EXPECT_EQ(trimmed("\u3000好的\u3000"), "\u3000好的\u3000");
  EXPECT_EQ(trimmed("\u00a0x\u00a0"), "\u00a0x\u00a0");
  EXPECT_EQ(trimmed(std::string("\0x\0", 3)), std::string("\0x\0", 3));
  EXPECT_EQ(trimmed("\x1fx\x7f"), "\x1fx\x7f");
}

TEST(TrimWhitespace, NeverCutsAMultiByteCharacter) {
  // 0x85 and 0xA0 are whitespace in some single-byte locales; here they are
  // continuation bytes of 。 (E3 80 82) and 蠅 (E8 A0 85).
  EXPECT_EQ(trimmed(" \xe3\x80\x82"), "\xe3\x80\x82");
  EXPECT_EQ(trimmed("\xe8\xa0\x85 "), "\xe8\xa0\x85");
}

}  // namespace
