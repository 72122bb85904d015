// The two control-byte styles of the shared JSON writer (the engine's replies
// use the short forms, the OpenVINO stand-in's call log \u00XX only), and what
// it does with bytes that are not UTF-8.
#include "deskpet/json_writer.h"

#include <gtest/gtest.h>

#include <string>

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

}  // namespace
