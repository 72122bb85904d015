// The in-place conversion of reply numbers against the reference reading,
// strtod on a NUL-terminated copy: equal to the bit (sign of zero included)
// on spans chosen to take every branch, and on random decimal spans. Each text
// is held in a block of exactly its length, so reading past it is caught.
#include "json_number.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "json_cursor.h"

namespace intent_bridge {
namespace {

std::uint64_t bitsOf(double value) {
  std::uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

// Reads `text` as the cursor does and compares with the reference from the
// same start; returns the value read.
double expectSameAsStrtod(const std::string& text) {
  const std::unique_ptr<char[]> bytes(new char[text.size() + 1]);
  std::memcpy(bytes.get(), text.data(), text.size());
  JsonCursor cursor(EngineReply{bytes.get(), text.size()});
  cursor.skipWhitespace();
  const char* start = cursor.position();
  const double read = cursor.readNumber();
  const double reference = strtodOnCopy(start, bytes.get() + text.size());
  EXPECT_EQ(bitsOf(read), bitsOf(reference)) << text;
  return read;
}

TEST(JsonNumber, EqualsStrtodOnEveryKindOfSpan) {
  const std::vector<std::string> spans = {
      // Decimal forms the engine writes, and their neighbours.
      "0.600000", "-0.250000", "123456.789100", "0.822508,", "-0.000000}", "9.999999}", "1.000000]", "0.6000001,",
      "0.60000e,", "0.6000x0,", "0.600000e5,", "0.600000x,", "-+.600000,", "0/600000,", "0.60:000,", "0", "-0", "-0.0",
      "00012", "1.", "1.e5", ".5e-3", "-.5", "5e", "5e+", "5E-2,", "1.5e-3}", "12 ", "1e5.5", "9007199254740993",
      "0.1000000000000000055511151231257827",
      // Rounding at the edges of the range: subnormals, halfway cases, overflow, underflow.
      "4.9e-324", "2.4703282292062327e-324", "2.4703282292062328e-324", "2.2250738585072011e-308",
      "2.2250738585072014e-308", "1.7976931348623157e308", "1.7976931348623158e308", "1.7976931348623159e308", "1e400",
      "-1e400", "1e-400", "-1e-400", "0e999999999", "1e99999999999999999999", "1e-99999999999999999999",
      std::string(800, '9'), "0." + std::string(400, '0') + "1", "1" + std::string(308, '0'),
      // Forms only strtod reads: a plus sign, hexadecimal, infinity, NaN, other spaces.
      "+5", "+-5", "+.5", "0x1A", "-0x1.8p1", "0X10", "0x", "0xg", "00x1", "inf", "-Infinity", "INF", "nan", "nan(0x1)",
      "-nan", "\v7", "\f-2", ".", "-", "-.", "+", "e5", "x", "", "null", "\"5\""};
  for (const std::string& span : spans) expectSameAsStrtod(span);
  EXPECT_EQ(expectSameAsStrtod("0.600000"), 0.6);
  EXPECT_EQ(expectSameAsStrtod("0x1A"), 26);
}

TEST(JsonNumber, EqualsStrtodOnRandomDecimalSpans) {
  std::mt19937 rng(20240612);
  const auto pick = [&rng](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  const std::string digits = "0123456789";
  for (int i = 0; i < 20000; ++i) {
    std::string text;
    if (pick(3) == 0) text += "-";
    for (int n = pick(25); n > 0; --n) text += digits[pick(10)];
    if (pick(2) == 0) {
      text += '.';
      for (int n = pick(25); n > 0; --n) text += digits[pick(10)];
    }
    if (pick(2) == 0) {
      text += "eE"[pick(2)];
      if (pick(2) == 0) text += "+-"[pick(2)];
      for (int n = pick(4); n > 0; --n) text += digits[pick(10)];
    }
    expectSameAsStrtod(text + ",}"[pick(2)]);
  }
}

}  // namespace
}  // namespace intent_bridge
