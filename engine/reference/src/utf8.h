// Lenient UTF-8 decoding and encoding of code points.
#pragma once

#include <cstddef>
#include <string>

namespace norvik {

// Decodes the code point that starts at text[pos]. On success returns true, sets
// codePoint and the number of bytes it occupies. Overlong forms, surrogates,
// values above U+10FFFF and truncated sequences are invalid: the function then
// returns false with length 1 so that callers can skip the offending byte.
bool decodeUtf8(const char* text, std::size_t size, std::size_t pos, char32_t& codePoint, std::size_t& length);

// Appends the UTF-8 form of a valid code point.
void appendUtf8(std::string& out, char32_t codePoint);

std::string toUtf8(const std::u32string& text);

}  // namespace norvik
