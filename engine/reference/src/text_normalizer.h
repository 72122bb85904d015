// Normalisation of user text before matching: full-width ASCII and case are
// folded, punctuation, spaces and control characters are dropped, and invalid
// UTF-8 bytes are skipped. Every kept character remembers where it came from in
// the original bytes so that captured slot values can be cut from the raw text.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace norvik {

struct NormalizedText {
  std::u32string chars;
  std::vector<uint32_t> byteBegin;  // offset of each kept character in the original
  std::vector<uint32_t> byteEnd;    // one past its last byte

  std::size_t size() const { return chars.size(); }
};

// Folds one code point: full-width ASCII to ASCII, ASCII letters to lower case.
// Returns 0 for characters that are dropped (punctuation, spaces, controls).
char32_t foldCharacter(char32_t cp);

NormalizedText normalizeText(std::string_view text);
// The same into `out`, whose capacity is kept: a caller that hands the same
// text back each time allocates nothing once it is large enough.
void normalizeTextInto(std::string_view text, NormalizedText& out);

// The normalised characters alone (normalizeText(text).chars without the
// byte offsets), for callers that cut nothing from the original.
std::u32string normalizeChars(std::string_view text);

// The normalised characters only, as UTF-8 (for keys and diagnostics).
std::string normalizeToUtf8(std::string_view text);

}  // namespace norvik
