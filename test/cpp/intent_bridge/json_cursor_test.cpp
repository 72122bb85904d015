// Unit tests of the lenient JSON reader. Every fixture lives in a heap block of
// exactly its own length with no terminator after it, so AddressSanitizer
// reports any read at or past the reply's end.
#include "json_cursor.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace intent_bridge {
namespace {

// Runs `op` on a cursor over `text`; returns its result and where it stopped.
template <typename Op>
auto runOn(const std::string& text, Op op) {
  const std::unique_ptr<char[]> bytes(new char[text.size() + 1]);  // +1: a valid pointer for ""
  std::memcpy(bytes.get(), text.data(), text.size());
  JsonCursor cursor(EngineReply{bytes.get(), text.size()});
  auto result = op(cursor);
  return std::make_pair(result, cursor.position() - bytes.get());
}

std::string readStringOf(const std::string& text) {
  return runOn(text, [](JsonCursor& c) { return c.readString(); }).first;
}

TEST(JsonCursorReadString, UnescapesAndKeepsUnknownEscapesAsThemselves) {
  EXPECT_EQ(readStringOf(R"("a\"b\\c\nd\re\tf")"), "a\"b\\c\nd\re\tf");
  EXPECT_EQ(readStringOf(R"("\/\b\f\q")"), "/bfq");
  EXPECT_EQ(readStringOf(" \t\r\n\"\x01\xC3\xA9\""), "\x01\xC3\xA9");
}

TEST(JsonCursorReadString, EncodesUnicodeEscapesAsUtf8WithoutPairingSurrogates) {
  EXPECT_EQ(readStringOf(R"("a\u00e9b")"),
            "a\xC3\xA9"
            "b");
  EXPECT_EQ(readStringOf(R"("\u20AC\u0041\u07FF\u0800")"),
            "\xE2\x82\xAC"
            "A\xDF\xBF\xE0\xA0\x80");
  EXPECT_EQ(readStringOf(R"("\ud83d\ude00")"), "\xED\xA0\xBD\xED\xB8\x80");
  EXPECT_EQ(readStringOf(R"("a\u0000b")"), std::string("a\0b", 3));
  // Digits convert as strtoul does: it stops at a rejected byte, takes its own
  // prefixes, and yields 0 for none; all four bytes are consumed.
  EXPECT_EQ(readStringOf(R"("\u41zzX\u+041\u 041\u0x41")"), "AXAAA");
  EXPECT_EQ(readStringOf(R"("\uzzzzX")"), std::string("\0X", 2));
}

TEST(JsonCursorReadString, KeepsWhatWasReadWhenTheReplyEnds) {
  const auto [unterminated, stop] = runOn(R"(  "abc)", [](JsonCursor& c) { return c.readString(); });
  EXPECT_EQ(unterminated, "abc");
  EXPECT_EQ(stop, 6);
  EXPECT_EQ(readStringOf(R"("a\u12)"), "a12");  // too few digits: only the 'u' is dropped
  EXPECT_EQ(readStringOf(R"("ab\)"), "ab\\");   // a final backslash stays
  EXPECT_EQ(readStringOf("\""), "");
  EXPECT_EQ(readStringOf(""), "");
  // Not a quote: nothing but whitespace is consumed.
  EXPECT_EQ(runOn("  42", [](JsonCursor& c) { return c.readString(); }),
            std::make_pair(std::string(), std::ptrdiff_t{2}));
}

TEST(JsonCursorReadNumber, ConvertsTheScannedSpanAndStopsAfterIt) {
  const std::vector<std::pair<std::string, std::pair<double, std::ptrdiff_t>>> cases = {
      {"-1.5e-3,", {-0.0015, 7}}, {"12e,", {12, 3}},  // exponent letter without digits: consumed, not converted
      {"1E+2]", {100, 4}},        {" \t+7 ", {7, 4}},
      {".5}", {0.5, 2}},          {"-", {0, 1}},       // a lone sign is a complete span
      {"null", {0, 0}},                                // nothing convertible: only whitespace consumed
      {"  \"5\"", {0, 2}},        {"0x1A,", {26, 1}},  // strtod reads a hexadecimal form the scan stops inside
  };
  for (const auto& [text, expected] : cases) {
    EXPECT_EQ(runOn(text, [](JsonCursor& c) { return c.readNumber(); }), expected) << text;
  }
  // Digits beyond the reply's end are never converted.
  const char text[] = "12345";
  JsonCursor cut(EngineReply{text, 3});
  EXPECT_EQ(cut.readNumber(), 123);
}

TEST(JsonCursorTakeLiteral, MatchesWholeWordsBeforeEndOnly) {
  const auto take = [](const char* word) { return [word](JsonCursor& c) { return c.takeLiteral(word); }; };
  EXPECT_EQ(runOn(" null,", take("null")), std::make_pair(true, std::ptrdiff_t{5}));
  EXPECT_EQ(runOn("  nul", take("null")), std::make_pair(false, std::ptrdiff_t{2}));
  EXPECT_EQ(runOn("nullable", take("null")), std::make_pair(true, std::ptrdiff_t{4}));  // next byte not examined
  EXPECT_EQ(runOn("true", take("false")), std::make_pair(false, std::ptrdiff_t{0}));
}

TEST(JsonCursorSkipValue, PassesOneValueOfEveryKind) {
  const std::vector<std::pair<std::string, std::ptrdiff_t>> cases = {
      {R"( "a\"}" ,)", 7},
      {R"({"a":{"b":[1]}} ,)", 15},
      {R"({"s":"}"} ,)", 7},  // only braces count: the one in the string closes
      {R"([[1,[2]],3] ,)", 11},
      {R"(["]"] ,)", 3},  // only brackets count
      {"null,", 4},
      {"true}", 4},
      {"false]", 5},
      {"nullx", 4},       // the literal test of takeLiteral
      {"-12.5e3\t,", 8},  // TAB does not stop a bare value, the comma does
      {"abc\rdef\n", 7},
      {"7 ,", 1},
      {"}", 0},
      {"   ", 3},
      {"{\"a\":{", 6},  // truncated object: ends at end
  };
  for (const auto& [text, stop] : cases) {
    EXPECT_EQ(runOn(text,
                    [](JsonCursor& c) {
                      c.skipValue();
                      return 0;
                    })
                  .second,
              stop)
        << text;
  }
}

TEST(JsonCursorEnterObject, ConsumesOnlyAnOpeningBrace) {
  const auto enter = [](JsonCursor& c) { return c.enterObject(); };
  EXPECT_EQ(runOn(" \n{}", enter), std::make_pair(true, std::ptrdiff_t{3}));
  EXPECT_EQ(runOn("[{}]", enter), std::make_pair(false, std::ptrdiff_t{0}));
  EXPECT_EQ(runOn(" ", enter), std::make_pair(false, std::ptrdiff_t{1}));
}

using Members = std::vector<std::pair<std::string, double>>;

// Walks the object in `text` (brace included) reading every value as a
// number; returns the members the handler saw and where the walk stopped.
std::pair<Members, std::ptrdiff_t> walkNumbers(const std::string& text) {
  return runOn(text, [](JsonCursor& c) {
    Members seen;
    if (c.enterObject()) c.walkMembers([&](const std::string& key) { seen.emplace_back(key, c.readNumber()); });
    return seen;
  });
}

TEST(JsonCursorWalkMembers, ReadsWellFormedAndLenientMembersAlike) {
  EXPECT_EQ(walkNumbers(R"({"a":1,"b":2})").first, (Members{{"a", 1}, {"b", 2}}));
  // Commas and colons are optional.
  EXPECT_EQ(walkNumbers(R"({"a":1 "b" 2 ,, "c"3})").first, (Members{{"a", 1}, {"b", 2}, {"c", 3}}));
  // Keys are unescaped before the handler sees them; repeats are handled twice.
  EXPECT_EQ(walkNumbers(R"({"\u0061":1,"a":2})").first, (Members{{"a", 1}, {"a", 2}}));
  EXPECT_EQ(walkNumbers("{}").first, Members{});
}

TEST(JsonCursorWalkMembers, StopsAtTheClosingBraceOrAtEnd) {
  EXPECT_EQ(walkNumbers(R"({"a":1} "b":2)"), std::make_pair(Members{{"a", 1}}, std::ptrdiff_t{7}));
  // No closing brace, whitespace after the last member: no further call.
  const std::string open = "{\"a\":1, \"b\":2 \n ";
  EXPECT_EQ(walkNumbers(open), std::make_pair(Members{{"a", 1}, {"b", 2}}, static_cast<std::ptrdiff_t>(open.size())));
  EXPECT_EQ(walkNumbers(R"({"a":1,"bc)").first, (Members{{"a", 1}, {"bc", 0}}));  // cut inside a key
}

TEST(JsonCursorWalkMembers, AlwaysMakesProgressOverBytesNoMemberConsumes) {
  // A stray ']' (as left behind when a list is closed early) is neither a key
  // nor a value skipValue passes: it is consumed and the walk goes on.
  const auto [keys, stop] = runOn(R"({"a":[1]],"b":2})", [](JsonCursor& c) {
    std::vector<std::string> seen;
    if (c.enterObject())
      c.walkMembers([&](const std::string& key) {
        seen.push_back(key);
        c.skipValue();
      });
    return seen;
  });
  EXPECT_EQ(keys, (std::vector<std::string>{"a", "", "b"}));
  EXPECT_EQ(stop, 16);  // at end, past the closing brace
  // An unquoted key is the empty key; a reader that consumes nothing on it
  // does not stall the walk.
  EXPECT_EQ(walkNumbers(R"({a:1,"b":2})").first, (Members{{"", 0}, {"", 1}, {"b", 2}}));
  EXPECT_EQ(walkNumbers("{]]]").first, (Members{{"", 0}, {"", 0}, {"", 0}}));
}

TEST(JsonCursorWalkMembers, AGuessedKeyReadsAsTheUnguidedWalkReads) {
  // Each key is guessed as `guess` (kept for every member); the walk must see
  // the same keys and values and stop at the same place as without a guess,
  // also where the guess is a prefix of an escaped key.
  const std::vector<std::pair<std::string, std::string>> cases = {{R"({"target":1,"target":2})", "target"},
                                                                  {R"({"targetX":1})", "target"},
                                                                  {R"({"targ":1})", "target"},
                                                                  {R"({"tar\u0067et":1})", "target"},
                                                                  {R"({"target)", "target"},
                                                                  {R"({"target")", "target"},
                                                                  {R"({ "target" : 1 , "b":2})", "target"},
                                                                  {R"({"":1,"a":2})", ""},
                                                                  {R"({a:1})", ""},
                                                                  {R"({"t\"":1})", "t"},
                                                                  {"{\"ab\\u0000\":1}", "ab"}};
  for (const auto& [text, guess] : cases) {
    const auto guided = runOn(text, [&guess = guess](JsonCursor& c) {
      Members seen;
      const std::string_view expected = guess;
      if (c.enterObject())
        c.walkMembers(expected, [&](std::string_view key) { seen.emplace_back(std::string(key), c.readNumber()); });
      return seen;
    });
    EXPECT_EQ(guided, walkNumbers(text)) << text;
  }
}

TEST(ClampedReply, KeepsTheReplyInsideItsBuffer) {
  const char buffer[8] = {};
  for (const auto& [reported, kept] :
       std::vector<std::pair<std::uint32_t, std::size_t>>{{3, 3}, {7, 7}, {8, 7}, {0xFFFFFFFFu, 7}}) {
    EXPECT_EQ(clampedReply(buffer, sizeof buffer, reported).length, kept) << reported;
  }
  EXPECT_EQ(clampedReply(buffer, 0, 5).length, 0u);
}

}  // namespace
}  // namespace intent_bridge
