// Turns normalised text into the sparse features that the index matches on:
// character unigrams and bigrams. A run of ASCII letters and digits counts as one
// token (so "wifi" is one unit, not four letters), and a run of digits is reduced
// to a single number token so that "调到30" and "调到50" share their features.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace norvik {

using FeatureKey = uint64_t;

struct WeightedFeature {
  FeatureKey key;
  float count;  // occurrences in the text
  bool bigram;
};

std::vector<uint64_t> tokenize(const std::u32string& text);

// Distinct features of the text with their occurrence counts.
std::vector<WeightedFeature> extractFeatures(const std::u32string& text);

}  // namespace norvik
