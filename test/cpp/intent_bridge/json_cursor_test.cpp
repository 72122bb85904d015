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

class Fixture {
 public:
  explicit Fixture(const std::string& bytes) : size_(bytes.size()), bytes_(new char[bytes.size() > 0 ? bytes.size() : 1]) {
    if (size_ > 0) std::memcpy(bytes_.get(), bytes.data(), size_);
  }
  JsonCursor cursor() const { return JsonCursor(EngineReply{bytes_.get(), size_}); }
  // Offset of the cursor's position from the first byte.
  std::ptrdiff_t offset(const JsonCursor& c) const { return c.position() - bytes_.get(); }

 private:
  std::size_t size_;
  std::unique_ptr<char[]> bytes_;
};

std::string readStringOf(const std::string& text) {
  Fixture f(text);
  JsonCursor c = f.cursor();
  return c.readString();
}

TEST(JsonCursorReadString, UnescapesTheFixedEscapesAndKeepsOthersAsThemselves) {
  EXPECT_EQ(readStringOf(R"("a\"b\\c\nd\re\tf")"), "a\"b\\c\nd\re\tf");
  EXPECT_EQ(readStringOf(R"("\/\b\f\q")"), "/bfq");
  EXPECT_EQ(readStringOf(" \t\r\n\"x\""), "x");
  // Control and non-ASCII bytes pass unchanged.
  EXPECT_EQ(readStringOf("\"\x01\xC3\xA9\""), "\x01\xC3\xA9");
}

TEST(JsonCursorReadString, EncodesUnicodeEscapesAsUtf8WithoutPairingSurrogates) {
  EXPECT_EQ(readStringOf(R"("a\u00e9b")"), "a\xC3\xA9" "b");
  EXPECT_EQ(readStringOf(R"("\u20AC")"), "\xE2\x82\xAC");
  EXPECT_EQ(readStringOf(R"("\u0041\u07FF\u0800")"), "A\xDF\xBF\xE0\xA0\x80");
  EXPECT_EQ(readStringOf(R"("\ud83d\ude00")"), "\xED\xA0\xBD\xED\xB8\x80");
  const std::string withNul = readStringOf(R"("a\u0000b")");
  EXPECT_EQ(withNul, std::string("a\0b", 3));
}

TEST(JsonCursorReadString, ConvertsEscapeDigitsAsStrtoulDoes) {
  // Conversion stops at the first byte strtoul rejects; all four bytes are consumed.
  EXPECT_EQ(readStringOf(R"("\u41zzX")"), "AX");
  EXPECT_EQ(readStringOf(R"("\uzzzzX")"), std::string("\0X", 2));
  // strtoul's own prefixes are accepted: a sign, leading space, "0x".
  EXPECT_EQ(readStringOf(R"("\u+041")"), "A");
  EXPECT_EQ(readStringOf(R"("\u 041")"), "A");
  EXPECT_EQ(readStringOf(R"("\u0x41")"), "A");
}

TEST(JsonCursorReadString, KeepsWhatWasReadWhenTheReplyEnds) {
  Fixture unterminated(R"("abc)");
  JsonCursor c = unterminated.cursor();
  EXPECT_EQ(c.readString(), "abc");
  EXPECT_TRUE(c.atEnd());

  // Fewer than four bytes after \u: only the 'u' is dropped.
  EXPECT_EQ(readStringOf(R"("a\u12)"), "a12");
  // A backslash as the last byte stays a backslash.
  EXPECT_EQ(readStringOf(R"("ab\)"), "ab\\");
  EXPECT_EQ(readStringOf("\""), "");
  EXPECT_EQ(readStringOf(""), "");
}

TEST(JsonCursorReadString, LeavesTheCursorOnAByteThatIsNotAQuote) {
  Fixture f("  42");
  JsonCursor c = f.cursor();
  EXPECT_EQ(c.readString(), "");
  EXPECT_EQ(f.offset(c), 2);
  EXPECT_EQ(c.peek(), '4');
}

struct NumberCase {
  std::string text;
  double value;
  std::ptrdiff_t stopsAt;
};

TEST(JsonCursorReadNumber, ConvertsTheScannedSpanAndStopsAfterIt) {
  const std::vector<NumberCase> cases = {
      {"-1.5e-3,", -0.0015, 7},
      {"12e,", 12, 3},        // exponent letter without digits: consumed, not converted
      {"1E+2]", 100, 4},
      {" \t+7 ", 7, 4},
      {".5}", 0.5, 2},
      {"-", 0, 1},            // a lone sign is a complete span
      {"null", 0, 0},         // nothing convertible: only whitespace consumed
      {"  \"5\"", 0, 2},
      {"0x1A,", 26, 1},       // strtod reads a hexadecimal form the scan stops inside
      {"3.25", 3.25, 4},
  };
  for (const NumberCase& nc : cases) {
    Fixture f(nc.text);
    JsonCursor c = f.cursor();
    EXPECT_DOUBLE_EQ(c.readNumber(), nc.value) << nc.text;
    EXPECT_EQ(f.offset(c), nc.stopsAt) << nc.text;
  }
}

TEST(JsonCursorReadNumber, NeverConvertsDigitsBeyondTheReply) {
  const char text[] = "12345";
  JsonCursor c(EngineReply{text, 3});
  EXPECT_DOUBLE_EQ(c.readNumber(), 123);
  EXPECT_TRUE(c.atEnd());
}

TEST(JsonCursorTakeLiteral, MatchesWholeWordsBeforeEndOnly) {
  Fixture exact(" null,");
  JsonCursor c = exact.cursor();
  EXPECT_TRUE(c.takeLiteral("null"));
  EXPECT_EQ(c.peek(), ',');

  Fixture cut("  nul");
  JsonCursor d = cut.cursor();
  EXPECT_FALSE(d.takeLiteral("null"));
  EXPECT_EQ(cut.offset(d), 2);

  // The byte after the word is not examined.
  Fixture longer("nullable");
  JsonCursor e = longer.cursor();
  EXPECT_TRUE(e.takeLiteral("null"));
  EXPECT_EQ(e.peek(), 'a');

  Fixture other("true");
  JsonCursor g = other.cursor();
  EXPECT_FALSE(g.takeLiteral("false"));
  EXPECT_EQ(other.offset(g), 0);
}

struct SkipCase {
  std::string text;
  std::ptrdiff_t stopsAt;
};

TEST(JsonCursorSkipValue, PassesOneValueOfEveryKind) {
  const std::vector<SkipCase> cases = {
      {R"( "a\"}" ,)", 7},
      {R"({"a":{"b":[1]}} ,)", 15},
      {R"({"s":"}"} ,)", 7},        // only braces count: the one in the string closes
      {R"([[1,[2]],3] ,)", 11},
      {R"(["]"] ,)", 3},            // only brackets count
      {"null,", 4},
      {"true}", 4},
      {"false]", 5},
      {"nullx", 4},                 // literal test as takeLiteral: longer words too
      {"-12.5e3\t,", 8},            // TAB does not stop a bare value, the comma does
      {"abc\rdef\n", 7},
      {"7 ,", 1},
      {"}", 0},
      {"   ", 3},
      {"{\"a\":{", 6},              // truncated object: ends at end
  };
  for (const SkipCase& sc : cases) {
    Fixture f(sc.text);
    JsonCursor c = f.cursor();
    c.skipValue();
    EXPECT_EQ(f.offset(c), sc.stopsAt) << sc.text;
  }
}

TEST(JsonCursorEnterObject, ConsumesOnlyAnOpeningBrace) {
  Fixture brace(" \n{}");
  JsonCursor c = brace.cursor();
  EXPECT_TRUE(c.enterObject());
  EXPECT_EQ(c.peek(), '}');

  Fixture list("[{}]");
  JsonCursor d = list.cursor();
  EXPECT_FALSE(d.enterObject());
  EXPECT_EQ(list.offset(d), 0);

  Fixture blank(" ");
  JsonCursor e = blank.cursor();
  EXPECT_FALSE(e.enterObject());
}

// Walks the object in `text` (brace included), reading every value as a
// number, and returns the key/value pairs the handler saw.
std::vector<std::pair<std::string, double>> walkNumbers(const std::string& text, std::ptrdiff_t* stoppedAt = nullptr) {
  Fixture f(text);
  JsonCursor c = f.cursor();
  std::vector<std::pair<std::string, double>> seen;
  if (c.enterObject()) {
    c.walkMembers([&](const std::string& key) { seen.emplace_back(key, c.readNumber()); });
  }
  if (stoppedAt != nullptr) *stoppedAt = f.offset(c);
  return seen;
}

using Members = std::vector<std::pair<std::string, double>>;

TEST(JsonCursorWalkMembers, ReadsWellFormedAndLenientMembersAlike) {
  EXPECT_EQ(walkNumbers(R"({"a":1,"b":2})"), (Members{{"a", 1}, {"b", 2}}));
  // Commas and colons are optional.
  EXPECT_EQ(walkNumbers(R"({"a":1 "b" 2 ,, "c"3})"), (Members{{"a", 1}, {"b", 2}, {"c", 3}}));
  // Keys are unescaped before the handler sees them; repeats are handled twice.
  EXPECT_EQ(walkNumbers(R"({"\u0061":1,"a":2})"), (Members{{"a", 1}, {"a", 2}}));
  EXPECT_EQ(walkNumbers("{}"), Members{});
}

TEST(JsonCursorWalkMembers, StopsAtTheClosingBraceOrAtEnd) {
  std::ptrdiff_t stoppedAt = 0;
  EXPECT_EQ(walkNumbers(R"({"a":1} "b":2)", &stoppedAt), (Members{{"a", 1}}));
  EXPECT_EQ(stoppedAt, 7);

  // No closing brace, whitespace after the last member: no further call.
  const std::string open = "{\"a\":1, \"b\":2 \n ";
  EXPECT_EQ(walkNumbers(open, &stoppedAt), (Members{{"a", 1}, {"b", 2}}));
  EXPECT_EQ(stoppedAt, static_cast<std::ptrdiff_t>(open.size()));

  // Cut inside a key.
  EXPECT_EQ(walkNumbers(R"({"a":1,"bc)"), (Members{{"a", 1}, {"bc", 0}}));
}

TEST(JsonCursorWalkMembers, AlwaysMakesProgressOverBytesNoMemberConsumes) {
  // A stray ']' (as left behind when a list is closed early) is neither a
  // key nor a value skipValue passes: it is consumed and the walk reaches the
  // members after it.
  Fixture stray(R"({"a":[1]],"b":2})");
  JsonCursor c = stray.cursor();
  ASSERT_TRUE(c.enterObject());
  std::vector<std::string> keys;
  c.walkMembers([&](const std::string& key) {
    keys.push_back(key);
    c.skipValue();
  });
  EXPECT_EQ(keys, (std::vector<std::string>{"a", "", "b"}));
  EXPECT_TRUE(c.atEnd());

  // An unquoted key gets the empty key; a reader that consumes nothing on it
  // does not stall the walk.
  EXPECT_EQ(walkNumbers(R"({a:1,"b":2})"), (Members{{"", 0}, {"", 1}, {"b", 2}}));
  EXPECT_EQ(walkNumbers("{]]]"), (Members{{"", 0}, {"", 0}, {"", 0}}));
}

TEST(ClampedReply, KeepsTheReplyInsideItsBuffer) {
  const char buffer[8] = {};
  EXPECT_EQ(clampedReply(buffer, sizeof buffer, 3).length, 3u);
  EXPECT_EQ(clampedReply(buffer, sizeof buffer, 7).length, 7u);
  EXPECT_EQ(clampedReply(buffer, sizeof buffer, 8).length, 7u);
  EXPECT_EQ(clampedReply(buffer, sizeof buffer, 0xFFFFFFFFu).length, 7u);
  EXPECT_EQ(clampedReply(buffer, 0, 5).length, 0u);
}

}  // namespace
}  // namespace intent_bridge
