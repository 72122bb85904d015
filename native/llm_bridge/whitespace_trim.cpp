#include "whitespace_trim.h"

namespace llm_bridge {

namespace {

// The "C" locale's isspace set, tested on the unsigned byte value so the result
// does not depend on the process locale.
bool isAsciiWhitespace(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte == ' ' || (byte >= '\t' && byte <= '\r');
}

}  // namespace

void trimWhitespace(std::string& text) {
  std::string::size_type end = text.size();
  while (end > 0 && isAsciiWhitespace(text[end - 1])) --end;
  std::string::size_type begin = 0;
  while (begin < end && isAsciiWhitespace(text[begin])) ++begin;
  text.erase(end);
  text.erase(0, begin);
}

}  // namespace llm_bridge
