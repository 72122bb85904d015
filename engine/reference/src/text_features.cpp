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

void tokenizeInto(const std::u32string& text, std::vector<uint64_t>& tokens) {
  tokens.clear();
  tokens.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    if (isAsciiWordChar(text[i])) {
      std::size_t end = i + 1;
      while (end < text.size() && isAsciiWordChar(text[end])) ++end;
      tokens.push_back(wordToken(text, i, end));
      i = end;
    } else {
      tokens.push_back(static_cast<uint64_t>(text[i]));
      ++i;
    }
  }
}

struct FeatureScratch {
  std::vector<uint64_t> tokens;
  std::vector<WeightedFeature> raw;
};

}  // namespace

std::vector<uint64_t> tokenize(const std::u32string& text) {
  std::vector<uint64_t> tokens;
  tokenizeInto(text, tokens);
  return tokens;
}

std::vector<WeightedFeature> extractFeatures(const std::u32string& text) {
  std::vector<WeightedFeature> merged;
  extractFeatures(text, merged);
  return merged;
}

void extractFeatures(const std::u32string& text, std::vector<WeightedFeature>& merged) {
  const ScratchScope scope;
  FeatureScratch& scratch = scope.get<FeatureScratch>();
  std::vector<uint64_t>& tokens = scratch.tokens;
  std::vector<WeightedFeature>& raw = scratch.raw;
  tokenizeInto(text, tokens);
  raw.clear();
  raw.reserve(tokens.size() * 2);
  for (std::size_t i = 0; i < tokens.size(); ++i) {
    raw.push_back({tokens[i], 1.0f, false});
    if (i + 1 < tokens.size()) {
      const uint64_t key = kBigramTag | (mix(tokens[i] * 0x9E3779B97F4A7C15ull ^ tokens[i + 1]) >> 1);
      raw.push_back({key, 1.0f, true});
    }
  }
  std::sort(raw.begin(), raw.end(), [](const WeightedFeature& a, const WeightedFeature& b) { return a.key < b.key; });
  merged.clear();
  merged.reserve(raw.size());
  for (const WeightedFeature& f : raw) {
    if (!merged.empty() && merged.back().key == f.key) {
      merged.back().count += 1.0f;
    } else {
      merged.push_back(f);
    }
  }
}

}  // namespace norvik
