#include "text_features.h"

#include <algorithm>

#include "scratch_space.h"

namespace norvik {

namespace {

constexpr uint64_t kWordTag = 1ull << 62;
constexpr uint64_t kNumberToken = kWordTag | 1;
constexpr uint64_t kBigramTag = 1ull << 63;

bool isAsciiDigit(char32_t cp) {
  return cp >= '0' && cp <= '9';
}
bool isAsciiWordChar(char32_t cp) {
  return isAsciiDigit(cp) || (cp >= 'a' && cp <= 'z');
}

uint64_t mix(uint64_t x) {
  x ^= x >> 30;
  x *= 0xbf58476d1ce4e5b9ull;
  x ^= x >> 27;
  x *= 0x94d049bb133111ebull;
  x ^= x >> 31;
  return x;
}

uint64_t wordToken(const std::u32string& text, std::size_t begin, std::size_t end) {
  bool digitsOnly = true;
  uint64_t h = 0xcbf29ce484222325ull;
  for (std::size_t i = begin; i < end; ++i) {
    digitsOnly = digitsOnly && isAsciiDigit(text[i]);
    h = (h ^ text[i]) * 0x100000001b3ull;
  }
  if (digitsOnly) return kNumberToken;
  return kWordTag | (mix(h) >> 3);
}

}  // namespace

namespace {

// The tokens of `text` written from `out` on (at most text.size()); returns how many.
std::size_t tokenizeTo(const std::u32string& text, uint64_t* out) {
  // The text's length and characters are read once: a token written through
  // `out` could otherwise be the string's own length for the compiler.
  const char32_t* const chars = text.data();
  const std::size_t size = text.size();
  std::size_t count = 0;
  for (std::size_t i = 0; i < size;) {
    if (isAsciiWordChar(chars[i])) {
      std::size_t end = i + 1;
      while (end < size && isAsciiWordChar(chars[end])) ++end;
      out[count++] = wordToken(text, i, end);
      i = end;
    } else {
      out[count++] = static_cast<uint64_t>(chars[i]);
      ++i;
    }
  }
  return count;
}

// Key and feature space for texts too long for the stack.
struct FeatureScratch {
  std::vector<uint64_t> keys;
  std::vector<WeightedFeature> counted;
};

// Orders a run of keys: a query gives a dozen, which insertion orders with the
// fewest steps; longer runs take the general sort.
void sortKeys(uint64_t* first, uint64_t* last) {
  if (last - first > 32) {
    std::sort(first, last);
    return;
  }
  for (uint64_t* i = first + 1; i < last; ++i) {
    const uint64_t key = *i;
    uint64_t* j = i;
    for (; j > first && *(j - 1) > key; --j) *j = *(j - 1);
    *j = key;
  }
}

// Writes the distinct keys of a sorted run with the number of times each
// occurs from `out` on (room for last - first); returns the end of what it wrote.
WeightedFeature* countDistinct(const uint64_t* first, const uint64_t* last, bool bigram, WeightedFeature* out) {
  while (first != last) {
    const uint64_t key = *first;
    const uint64_t* next = first + 1;
    while (next != last && *next == key) ++next;
    *out++ = {key, static_cast<float>(next - first), bigram};
    first = next;
  }
  return out;
}

// The features of `text` into `merged`, with room for 2 x text.size() keys at
// `keys` and as many features at `counted`. Every unigram key is below 2^63 and every bigram key above, so the
// unigrams sorted, then the bigrams sorted, are all the keys in order.
void featuresInto(const std::u32string& text, uint64_t* keys, WeightedFeature* counted,
                  std::vector<WeightedFeature>& merged) {
  uint64_t* const unigrams = keys;
  const std::size_t tokens = tokenizeTo(text, unigrams);
  uint64_t* const bigrams = keys + text.size();
  const std::size_t pairs = tokens > 0 ? tokens - 1 : 0;
  for (std::size_t i = 0; i < pairs; ++i) {
    bigrams[i] = kBigramTag | (mix(unigrams[i] * 0x9E3779B97F4A7C15ull ^ unigrams[i + 1]) >> 1);
  }
  sortKeys(unigrams, unigrams + tokens);
  sortKeys(bigrams, bigrams + pairs);
  WeightedFeature* end = countDistinct(unigrams, unigrams + tokens, false, counted);
  end = countDistinct(bigrams, bigrams + pairs, true, end);
  merged.assign(counted, end);
}

}  // namespace

std::vector<uint64_t> tokenize(const std::u32string& text) {
  std::vector<uint64_t> tokens(text.size());
  tokens.resize(tokenizeTo(text, tokens.data()));
  return tokens;
}

std::vector<WeightedFeature> extractFeatures(const std::u32string& text) {
  std::vector<WeightedFeature> merged;
  extractFeatures(text, merged);
  return merged;
}

void extractFeatures(const std::u32string& text, std::vector<WeightedFeature>& merged) {
  merged.clear();
  // A query's keys and features fit on the stack, whence the features are
  // copied at once; a long text's take scratch space.
  constexpr std::size_t kLocal = 64;
  if (text.size() <= kLocal) {
    uint64_t keys[2 * kLocal];
    WeightedFeature counted[2 * kLocal];
    featuresInto(text, keys, counted, merged);
    return;
  }
  const ScratchScope scope;
  FeatureScratch& scratch = scope.get<FeatureScratch>();
  scratch.keys.resize(2 * text.size());
  scratch.counted.resize(2 * text.size());
  featuresInto(text, scratch.keys.data(), scratch.counted.data(), merged);
}

}  // namespace norvik
