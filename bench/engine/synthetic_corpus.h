// Synthetic corpora for the benchmark: commands made of Chinese characters drawn
// with a skewed frequency (a few hundred common characters appear everywhere, as
// in real requests), three examples each, and queries that paraphrase them.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace bench {

struct SyntheticCorpus {
  std::string json;                        // {"commands":[...]}
  std::vector<std::string> queries;        // paraphrases of random commands
  std::vector<std::string> queryCommands;  // the name of the command each query paraphrases
};

SyntheticCorpus makeSyntheticCorpus(std::size_t commands, std::size_t queries, unsigned seed);

}  // namespace bench
