// The built-in corpus, embedded into the library at build time from
// corpus/default.json.
#pragma once

#include <string_view>

namespace norvik {

std::string_view defaultCorpusJson();

}  // namespace norvik
