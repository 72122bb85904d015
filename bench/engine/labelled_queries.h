// The queries of the labelled sets under test/engine (paraphrases.json and, when
// present, utterances/tune.json and utterances/test.json), for timing routes on
// the built-in corpus. DESKPET_LABELLED_DIR in the environment names another
// folder of the same layout.
#pragma once

#include <string>
#include <vector>

namespace bench {

std::vector<std::string> labelledQueries();

}  // namespace bench
