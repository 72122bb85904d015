#include "command_index.h"

#include <algorithm>
#include <cmath>

#include "text_normalizer.h"

namespace norvik {

namespace {

// Bigrams carry word order and most of the meaning of short Chinese phrases.
constexpr float kBigramBoost = 1.6f;
// Unknown query features count at this share of the rarest feature's weight:
// text that the corpus has never seen lowers the similarity, but a long unseen
// name (an app, a song) does not swamp the words around it.
constexpr float kUnknownShare = 0.6f;

struct TextFeatures {
  uint32_t command;
  std::vector<WeightedFeature> features;
};

std::u32string patternLiteralText(const Pattern& pattern) {
  std::u32string text;
  for (const PatternSegment& segment : pattern.segments) {
    if (!segment.isSlot) text += segment.literal;
  }
  return text;
}

std::vector<std::u32string> textsOf(const Command& command) {
  std::vector<std::u32string> texts;
  auto add = [&texts](std::u32string text) {
    if (text.empty()) return;
    if (std::find(texts.begin(), texts.end(), text) == texts.end()) texts.push_back(std::move(text));
  };
  add(normalizeText(command.name).chars);
  for (const std::string& example : command.examples) add(normalizeText(example).chars);
  for (const Pattern& pattern : command.patterns) add(patternLiteralText(pattern));
  return texts;
}

// Per-thread scratch space for scoring, reused across queries.
struct Scratch {
  std::vector<float> textScore;
  std::vector<uint32_t> touchedTexts;
  std::vector<float> commandBest;
  std::vector<float> commandRaw;
  std::vector<uint32_t> touchedCommands;

  void fit(std::size_t texts, std::size_t commands) {
    if (textScore.size() < texts) textScore.resize(texts, 0.0f);
    if (commandBest.size() < commands) {
      commandBest.resize(commands, -1.0f);
      commandRaw.resize(commands, 0.0f);
    }
  }
};

Scratch& scratch() {
  thread_local Scratch instance;
  return instance;
}

}  // namespace

float CommandIndex::weightOf(const WeightedFeature& feature, float idf) const {
  const float tf = 1.0f + std::log(feature.count);
  return tf * idf * (feature.bigram ? kBigramBoost : 1.0f);
}

CommandIndex::CommandIndex(const std::vector<CommandPtr>& commands) {
  std::vector<TextFeatures> texts;
  commandIds_.reserve(commands.size());
  for (uint32_t c = 0; c < commands.size(); ++c) {
    commandIds_.push_back(commands[c]->id);
    for (const std::u32string& text : textsOf(*commands[c])) {
      texts.push_back({c, extractFeatures(text)});
    }
  }
  // Document frequencies and feature ids.
  std::vector<uint32_t> df;
  for (const TextFeatures& text : texts) {
    for (const WeightedFeature& f : text.features) {
      auto [it, inserted] = featureIds_.try_emplace(f.key, static_cast<uint32_t>(df.size()));
      if (inserted) df.push_back(0);
      ++df[it->second];
    }
  }
  const float n = static_cast<float>(std::max<std::size_t>(texts.size(), 1));
  idf_.resize(df.size());
  for (std::size_t i = 0; i < df.size(); ++i) idf_[i] = std::log(1.0f + n / static_cast<float>(df[i]));
  unknownIdf_ = kUnknownShare * std::log(1.0f + n);

  // Posting lists in compressed row form.
  postingOffsets_.assign(df.size() + 1, 0);
  for (std::size_t i = 0; i < df.size(); ++i) postingOffsets_[i + 1] = postingOffsets_[i] + df[i];
  postings_.resize(postingOffsets_.back());
  std::vector<uint32_t> fill(postingOffsets_.begin(), postingOffsets_.end() - 1);
  textCommand_.reserve(texts.size());
  textNorm_.reserve(texts.size());
  for (uint32_t t = 0; t < texts.size(); ++t) {
    float norm2 = 0.0f;
    for (const WeightedFeature& f : texts[t].features) {
      const float w = weightOf(f, idf_[featureIds_[f.key]]);
      norm2 += w * w;
    }
    const float norm = std::sqrt(norm2);
    for (const WeightedFeature& f : texts[t].features) {
      const uint32_t id = featureIds_[f.key];
      postings_[fill[id]++] = {t, weightOf(f, idf_[id]) / norm};
    }
    textCommand_.push_back(texts[t].command);
    textNorm_.push_back(norm);
  }
}

std::vector<SimilarityHit> CommandIndex::search(const std::u32string& normalizedQuery,
                                                std::size_t limit) const {
  std::vector<SimilarityHit> hits;
  if (limit == 0 || normalizedQuery.empty() || textCommand_.empty()) return hits;
  Scratch& s = scratch();
  s.fit(textCommand_.size(), commandIds_.size());

  float queryNorm2 = 0.0f;
  for (const WeightedFeature& f : extractFeatures(normalizedQuery)) {
    const auto it = featureIds_.find(f.key);
    if (it == featureIds_.end()) {
      const float w = weightOf(f, unknownIdf_);
      queryNorm2 += w * w;
      continue;
    }
    const float w = weightOf(f, idf_[it->second]);
    queryNorm2 += w * w;
    for (uint32_t p = postingOffsets_[it->second]; p < postingOffsets_[it->second + 1]; ++p) {
      const Posting& posting = postings_[p];
      if (s.textScore[posting.text] == 0.0f) s.touchedTexts.push_back(posting.text);
      s.textScore[posting.text] += w * posting.weight;
    }
  }
  const float queryNorm = std::sqrt(queryNorm2);

  for (uint32_t t : s.touchedTexts) {
    const float dot = s.textScore[t];
    s.textScore[t] = 0.0f;
    const uint32_t c = textCommand_[t];
    const float similarity = std::min(1.0f, dot / queryNorm);
    if (s.commandBest[c] < 0.0f) s.touchedCommands.push_back(c);
    if (similarity > s.commandBest[c]) {
      s.commandBest[c] = similarity;
      s.commandRaw[c] = dot * textNorm_[t];
    }
  }
  s.touchedTexts.clear();

  hits.reserve(s.touchedCommands.size());
  for (uint32_t c : s.touchedCommands) {
    hits.push_back({c, s.commandBest[c], s.commandRaw[c]});
    s.commandBest[c] = -1.0f;
  }
  s.touchedCommands.clear();

  auto better = [this](const SimilarityHit& a, const SimilarityHit& b) {
    if (a.similarity != b.similarity) return a.similarity > b.similarity;
    return commandIds_[a.command] < commandIds_[b.command];
  };
  if (hits.size() > limit) {
    std::nth_element(hits.begin(), hits.begin() + static_cast<long>(limit), hits.end(), better);
    hits.resize(limit);
  }
  std::sort(hits.begin(), hits.end(), better);
  return hits;
}

std::size_t CommandIndex::memoryBytes() const {
  const std::size_t mapBytes =
      featureIds_.size() * (sizeof(FeatureKey) + sizeof(uint32_t) + 2 * sizeof(void*)) +
      featureIds_.bucket_count() * sizeof(void*);
  return mapBytes + idf_.capacity() * sizeof(float) + postingOffsets_.capacity() * sizeof(uint32_t) +
         postings_.capacity() * sizeof(Posting) + textCommand_.capacity() * sizeof(uint32_t) +
         textNorm_.capacity() * sizeof(float) + commandIds_.capacity() * sizeof(int32_t);
}

}  // namespace norvik
