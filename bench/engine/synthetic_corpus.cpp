#include "synthetic_corpus.h"

#include <random>

#include "deskpet/utf8.h"

namespace bench {

namespace {

class PhraseMaker {
 public:
  explicit PhraseMaker(unsigned seed) : rng_(seed) {}

  char32_t character() {
    // 60% from 300 common characters, the rest from 3,000.
    std::uniform_real_distribution<double> coin(0.0, 1.0);
    const bool common = coin(rng_) < 0.6;
    std::uniform_int_distribution<int> pick(0, common ? 299 : 2999);
    return static_cast<char32_t>(0x4E00 + pick(rng_) * (common ? 7 : 5));
  }

  std::u32string phrase(std::size_t minLength, std::size_t maxLength) {
    std::uniform_int_distribution<std::size_t> length(minLength, maxLength);
    std::u32string text;
    for (std::size_t n = length(rng_); n > 0; --n) text.push_back(character());
    return text;
  }

  // Keeps most characters of `base`, swapping and inserting a few.
  std::u32string paraphrase(const std::u32string& base) {
    std::u32string text;
    std::uniform_real_distribution<double> coin(0.0, 1.0);
    for (char32_t c : base) {
      const double roll = coin(rng_);
      if (roll < 0.15) {
        text.push_back(character());
      } else if (roll < 0.25) {
        text.push_back(c);
        text.push_back(character());
      } else {
        text.push_back(c);
      }
    }
    return text;
  }

  std::size_t index(std::size_t size) { return std::uniform_int_distribution<std::size_t>(0, size - 1)(rng_); }

 private:
  std::mt19937 rng_;
};

}  // namespace

SyntheticCorpus makeSyntheticCorpus(std::size_t commands, std::size_t queries, unsigned seed) {
  PhraseMaker maker(seed);
  SyntheticCorpus corpus;
  std::vector<std::u32string> names;
  names.reserve(commands);
  corpus.json = "{\"commands\":[";
  for (std::size_t i = 0; i < commands; ++i) {
    const std::u32string name = maker.phrase(3, 6);
    names.push_back(name);
    corpus.json += (i == 0 ? "" : ",");
    corpus.json += "{\"id\":" + std::to_string(i + 1) + ",\"name\":\"" + deskpet::toUtf8(name) + "\",\"examples\":[";
    for (int e = 0; e < 3; ++e) {
      const std::u32string example = maker.phrase(1, 2) + maker.paraphrase(name) + maker.phrase(0, 3);
      corpus.json += (e == 0 ? "\"" : ",\"") + deskpet::toUtf8(example) + "\"";
    }
    corpus.json += "],\"action\":{\"type\":\"synthetic\"}}";
  }
  corpus.json += "]}";
  for (std::size_t q = 0; q < queries; ++q) {
    // Drawn in this order so that the queries stay those of earlier runs.
    const std::u32string& name = names[maker.index(names.size())];
    const std::u32string paraphrase = maker.paraphrase(name);
    corpus.queries.push_back(deskpet::toUtf8(maker.phrase(0, 2) + paraphrase));
    corpus.queryCommands.push_back(deskpet::toUtf8(name));
  }
  return corpus;
}

}  // namespace bench
