// Colloquial words read as the standard ones before a query is matched: the
// day words of northern speech (今儿, 明儿个, 后儿, 昨儿) are 今天, 明天, 后天
// and 昨天 to the commands, whose texts use the standard words. Characters are
// replaced in place, one for one, so every character keeps the bytes it came
// from and slot values are still cut from the words the user said.
#pragma once

#include <string>

namespace norvik {

// Replaces colloquial words in `text` (normalised characters); returns whether
// anything changed.
bool readColloquialWords(std::u32string& text);

}  // namespace norvik
