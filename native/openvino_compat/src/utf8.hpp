#pragma once

#include <cstddef>
#include <string_view>

namespace ov {
namespace genai {
namespace scripted {

// Length in bytes of the well-formed UTF-8 sequence that starts at text[pos],
// or 0 when the bytes there are not one (stray continuation byte, truncated or
// overlong sequence, surrogate, value above U+10FFFF).
size_t utf8SequenceLength(std::string_view text, size_t pos);

// Number of leading bytes of text that hold at most maxCodePoints code points,
// never ending inside a multi-byte sequence. A byte that does not start a
// well-formed sequence counts as one code point on its own.
size_t utf8PrefixBytes(std::string_view text, size_t maxCodePoints);

// Number of code points in text, counted as utf8PrefixBytes counts them.
size_t utf8CodePointCount(std::string_view text);

}  // namespace scripted
}  // namespace genai
}  // namespace ov
