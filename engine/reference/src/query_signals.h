// Scores read from the query alone, without the corpus: how complex it is (long,
// several steps), how open-ended it is (a question, small talk), and whether it is
// phrased like a request for the computer to do something.
#pragma once

#include <string>
#include <string_view>

namespace norvik {

struct QuerySignals {
  double complexity = 0.0;  // [0, 1]
  double openEnded = 0.0;   // [0, 1]
  bool imperative = false;  // has a request verb such as 打开, 帮我, 设置
  bool multiStep = false;   // joins several actions (然后, 并且, ...)
};

// `raw` is the query as given (punctuation such as "？" counts), `normalized` its
// normalised characters.
QuerySignals readQuerySignals(std::string_view raw, const std::u32string& normalized);

}  // namespace norvik
