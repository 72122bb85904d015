#pragma once

#include <string>

namespace llm_bridge {

// Removes leading and trailing ASCII whitespace (space, \t, \n, \v, \f, \r) in
// place. Bytes of 0x80 and above are never whitespace, so non-ASCII spaces such as
// U+3000 stay and a multi-byte UTF-8 character is never cut. Inner text is kept.
void trimWhitespace(std::string& text);

}  // namespace llm_bridge
