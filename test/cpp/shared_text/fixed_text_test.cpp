// FixedText, the per-thread error text of the engines: a text that does not fit
// is cut before the first character that would cross the end; an invalid byte
// counts as a character of its own.
#include "deskpet/fixed_text.h"

#include <gtest/gtest.h>

#include <string>
#include <type_traits>

namespace {

static_assert(std::is_trivially_destructible_v<deskpet::FixedText<8>>,
              "a thread-local FixedText must leave nothing to destroy when its thread ends");

struct Cut {
  std::string text;
  std::string kept;  // by a FixedText of 8 bytes: at most 7 and the NUL
};

TEST(FixedText, KeepsWhatFitsAndCutsOnlyBetweenCharacters) {
  const Cut cuts[] = {
      {"", ""},
      {"seven!!", "seven!!"},
      {"eight!!!", "eight!!"},
      {"abcd中", "abcd中"},                  // 7 bytes: fits exactly
      {"ab中文", "ab中"},                    // 文 would end at byte 8
      {"abcdef\xF0\x9F\x98\x80", "abcdef"},  // a 4-byte character across the end
      {"abcdef\xFF\xFEx", "abcdef\xFF"},     // invalid bytes, one at a time
      {"abcde\xE4\xB8x", "abcde\xE4\xB8"},   // a sequence cut short: two invalid bytes
  };
  for (const Cut& cut : cuts) {
    deskpet::FixedText<8> text;
    text.assign("an earlier text");
    text.assign(cut.text);
    EXPECT_EQ(std::string(text.c_str()), cut.kept) << cut.text;
  }
}

}  // namespace
