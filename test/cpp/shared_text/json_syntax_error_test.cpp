// Where findJsonSyntaxError puts the first fault of a text, and that it agrees
// with simdjson on what is JSON at all.
#include "deskpet/json_syntax_error.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "simdjson.h"

namespace {

struct Fault {
  const char* text;
  std::size_t line;
  std::size_t column;
  const char* reason;
};

// Test names show the fault, not the struct's bytes.
void PrintTo(const Fault& fault, std::ostream* out) {
  *out << fault.reason;
}

class JsonSyntaxFault : public ::testing::TestWithParam<Fault> {};

TEST_P(JsonSyntaxFault, IsFoundWhereItIsAndSimdjsonRefusesTheText) {
  const Fault& fault = GetParam();
  const auto found = deskpet::findJsonSyntaxError(fault.text);
  ASSERT_TRUE(found.has_value());
  EXPECT_EQ(found->describe(),
            "line " + std::to_string(fault.line) + ", column " + std::to_string(fault.column) + ": " + fault.reason);
  simdjson::dom::parser parser;
  simdjson::dom::element root;
  EXPECT_NE(parser.parse(simdjson::padded_string(std::string(fault.text))).get(root), simdjson::SUCCESS);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, JsonSyntaxFault,
    ::testing::Values(Fault{"", 1, 1, "the text is empty"}, Fault{" \n ", 2, 2, "the text holds no JSON value"},
                      Fault{"[1,2,]", 1, 5, "trailing comma before ']'"},
                      Fault{"{\n  \"名字\": \"喂猫\",\n}", 2, 13, "trailing comma before '}'"},
                      Fault{"{\"a\" 1}", 1, 6, "expected ':' after the member name"},
                      Fault{"{\"a\":1,,\"b\":2}", 1, 8, "expected a member name in double quotes"},
                      Fault{"[1 2]", 1, 4, "expected ',' or ']'"}, Fault{"{\"a\":[1}", 1, 8, "expected ',' or ']'"},
                      Fault{"[tru]", 1, 2, "expected a value (true, false and null are the only words)"},
                      Fault{"[\"ab", 1, 2, "unterminated string"},
                      Fault{"[\"a\tb\"]", 1, 4, "control character inside a string (write it as an escape)"},
                      Fault{"[\"\\x\"]", 1, 3, "invalid escape sequence"},
                      Fault{"[\"\\u12g4\"]", 1, 3, "invalid \\u escape (four hexadecimal digits expected)"},
                      Fault{"[\"\\ud800\"]", 1, 3, "unpaired surrogate in a \\u escape"},
                      Fault{"[\"\xff\"]", 1, 3, "invalid UTF-8"}, Fault{"[01]", 1, 2, "invalid number (leading zero)"},
                      Fault{"[1.]", 1, 2, "invalid number (digits expected after '.')"},
                      Fault{"[1e+]", 1, 2, "invalid number (digits expected in the exponent)"},
                      Fault{"[1e400]", 1, 2, "number out of range"}, Fault{"[0.5e400]", 1, 2, "number out of range"},
                      Fault{"[18446744073709551616]", 1, 2, "integer too large for 64 bits"},
                      Fault{"[-9223372036854775809]", 1, 2, "integer too large for 64 bits"},
                      Fault{"{} {}", 1, 4, "unexpected text after the JSON value"},
                      Fault{"[-]", 1, 2, "invalid number"}));

TEST(JsonSyntaxError, WellFormedTextsHaveNone) {
  for (const char* text : {"0", "\xEF\xBB\xBF[1]", " {\"a\":[true,false,null,-0.5e-3,\"\\ud83d\\ude00\\n\"]} ",
                           "[1e-400]", "[18446744073709551615,-9223372036854775808]", "{\"名字\":\"喂猫\"}"}) {
    EXPECT_FALSE(deskpet::findJsonSyntaxError(text).has_value()) << text;
  }
  const std::string deep = std::string(1024, '[') + std::string(1024, ']');
  EXPECT_FALSE(deskpet::findJsonSyntaxError(deep).has_value());
  EXPECT_EQ(deskpet::findJsonSyntaxError("[" + deep + "]")->reason, "nested deeper than 1024 levels");
}

}  // namespace
