// The two control-byte styles of the shared JSON writer (the engine's replies
// use the short forms, the OpenVINO stand-in's call log \u00XX only), and what
// it does with bytes that are not UTF-8.
#include "deskpet/json_writer.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "deskpet/fixed_decimals.h"
#include "deskpet/json_escape.h"

namespace {

std::string written(deskpet::ControlEscapes escapes, std::string_view text) {
  deskpet::JsonWriter json(escapes);
  json.beginObject().key("t").string(text).key("n").beginArray().integer(-3).numberFixed(0.5).numberShortest(0.1);
  json.null().boolean(true).endArray().endObject();
  return json.text();
}

TEST(JsonWriter, EscapesControlBytesInEitherStyleAndReplacesInvalidUtf8) {
  const std::string text = "\"\\\b\t\n\v\f\r\x01 中\xff";
  EXPECT_EQ(written(deskpet::ControlEscapes::kShortForms, text),
            R"({"t":"\"\\\b\t\n\u000b\f\r\u0001 中�","n":[-3,0.500000,0.1,null,true]})");
  EXPECT_EQ(written(deskpet::ControlEscapes::kUnicodeOnly, text),
            R"({"t":"\"\\\u0008\u0009\u000a\u000b\u000c\u000d\u0001 中�","n":[-3,0.500000,0.1,null,true]})");
}

TEST(JsonWriter, LongTextsComeOutWholeThroughTheStagingArea) {
  // Runs longer than the staging area, escapes at its edges, and every kind of
  // sequence the scan skips in blocks.
  const std::string piece = "abcdefgh\"中文ascii\x01\xed\xa0\x80\xe0\xa0\x80x";
  const std::string escaped = R"(abcdefgh\"中文ascii\u0001���)" + std::string("\xe0\xa0\x80x");
  std::string text;
  std::string expected = "[\"";
  for (int i = 0; i < 40; ++i) {
    text += piece;
    expected += escaped;
  }
  expected += "\",\"" + std::string(300, 'y') + "\"]";
  deskpet::JsonWriter json;
  json.beginArray().string(text).string(std::string(300, 'y')).endArray();
  EXPECT_EQ(json.take(), expected);
  // Keys take a shorter way when plain and short; the others are escaped.
  deskpet::JsonWriter keys;
  keys.beginObject().key("q\"\n").null().key(std::string(300, 'k')).integer(1).key("").null().endObject();
  EXPECT_EQ(keys.take(), "{\"q\\\"\\n\":null,\"" + std::string(300, 'k') + "\":1,\"\":null}");
}

// writeJsonString stays within jsonStringBound for the texts that grow most
// (control bytes, invalid bytes) at every length and position, as the replies
// are written into room measured with it.
TEST(JsonEscape, WorstCaseTextsStayWithinTheirBound) {
  const std::pair<std::string, std::string> kinds[] = {
      {"\x01", "\\u0001"}, {"\xff", "\xEF\xBF\xBD"}, {"\"", "\\\""}, {"中", "中"}, {"a", "a"}};
  for (std::size_t length = 0; length <= 40; ++length) {
    for (const auto& [unit, escaped] : kinds) {
      std::string text;
      std::string expected = "\"";
      for (std::size_t i = 0; i < length; ++i) {
        text += unit;
        expected += escaped;
      }
      expected += '"';
      std::string room(deskpet::jsonStringBound(text.size()) + 8, '#');
      const char* end = deskpet::writeJsonString(&room[0], text);
      const char* begin = room.data();
      EXPECT_EQ(std::string(begin, end), expected);
      EXPECT_EQ(room.substr(room.size() - 8), "########") << unit << " x" << length;
    }
  }
}

// fixedDecimals gives what std::to_chars gives, or leaves the value to it.
TEST(FixedDecimals, MatchesToCharsOnEdgesTiesAndASweep) {
  std::vector<double> values = {
      0.0,           -0.0,         0.5,   1.5,     2.5,     0.125,    0.375,
      0.0078125,     1e-7,         5e-7,  0x1p-30, 0x1p-31, -0.004,   0.995,
      4294967295.75, 4294967296.0, 1e300, -1e300,  NAN,     INFINITY, -1.7976931348623157e308};
  std::uint64_t state = 12345;
  for (int i = 0; i < 20000; ++i) {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    values.push_back(std::ldexp(static_cast<double>(state >> 11), -53 - static_cast<int>(state % 24)));
    values.push_back(static_cast<double>(state % 100000000) / 1e6 - 50.0);
    values.push_back(std::ldexp(static_cast<double>(state % 4096), -12));  // exact ties
  }
  int written = 0;
  for (const double value : values) {
    for (int decimals = 0; decimals <= 6; ++decimals) {
      char ours[32];
      char theirs[400];
      const std::size_t length = deskpet::fixedDecimals(value, decimals, ours);
      if (length == 0) {
        EXPECT_FALSE(std::isfinite(value) && std::fabs(value) < 4294967296.0) << value;
        continue;
      }
      ++written;
      const auto end = std::to_chars(theirs, theirs + sizeof theirs, value, std::chars_format::fixed, decimals);
      ASSERT_EQ(std::string(ours, length), std::string(theirs, end.ptr)) << value << " " << decimals;
    }
    // writeFixedSix: the same text for every value, 0 for a non-finite one.
    char six[400];
    char theirs[400];
    const double finite = std::isfinite(value) ? value : 0.0;
    const auto end = std::to_chars(theirs, theirs + sizeof theirs, finite, std::chars_format::fixed, 6);
    const char* sixEnd = deskpet::writeFixedSix(six, value);
    const char* sixBegin = six;
    ASSERT_LE(static_cast<std::size_t>(sixEnd - sixBegin), deskpet::fixedSixBound(value)) << value;
    ASSERT_EQ(std::string(sixBegin, sixEnd), std::string(theirs, end.ptr)) << value;
  }
  EXPECT_GT(written, 0);
}

}  // namespace
