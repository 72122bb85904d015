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

// Distinct features of the text with their occurrence counts, in key order.
std::vector<WeightedFeature> extractFeatures(const std::u32string& text);

// The same into `out` (emptied first), with scratch space of the calling
// thread: once the vectors have grown, nothing is allocated.
void extractFeatures(const std::u32string& text, std::vector<WeightedFeature>& out);

}  // namespace norvik
