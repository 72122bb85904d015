#include "command_index.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <type_traits>
#include <utility>

#include "scratch_space.h"
#include "text_normalizer.h"

namespace norvik {

namespace {

// Bigrams carry word order and most of the meaning of short Chinese phrases.
constexpr float kBigramBoost = 1.6f;
// Unknown query features count at this share of the rarest feature's weight:
// text that the corpus has never seen lowers the similarity, but a long unseen
// name (an app, a song) does not swamp the words around it.
constexpr float kUnknownShare = 0.6f;
// Postings walked per query before the remaining (most common) features are
// looked up in the texts already reached instead.
constexpr std::size_t kPostingBudget = 6000;
// Once some texts are reached, a feature found in more texts than this is not
// walked: its list would reach thousands of texts that share nothing but a common
// character with the query, and each of them would then need its remaining
// features looked up. It is looked up in the texts already reached instead.
constexpr std::size_t kLongPostingList = 1500;
// Marks, in a text's own feature list, the features with a posting list longer
// than kLongPostingList; they come first in the list.
constexpr uint32_t kCommonFeature = 0x80000000u;

struct TextFeatures {
  uint32_t command;
  std::vector<WeightedFeature> features;
};

std::vector<std::u32string> textsOf(const Command& command) {
  std::vector<std::u32string> texts;
  auto add = [&texts](std::u32string text) {
    if (text.empty()) return;
    if (std::find(texts.begin(), texts.end(), text) == texts.end()) texts.push_back(std::move(text));
  };
  add(normalizeChars(command.name));
  for (const std::string& example : command.examples) add(normalizeChars(example));
  return texts;
}

uint64_t anchorKey(char32_t first, char32_t second) {
  return (static_cast<uint64_t>(first) << 32) | static_cast<uint64_t>(second);
}

const std::u32string* longestLiteral(const Pattern& pattern) {
  const std::u32string* longest = nullptr;
  for (const PatternSegment& segment : pattern.segments) {
    if (!segment.isSlot && (longest == nullptr || segment.literal.size() > longest->size())) {
      longest = &segment.literal;
    }
  }
  return longest;
}

// Texts with the best partial scores completed before the others are filtered
// (plus two per requested command).
constexpr std::size_t kCompletedFirst = 32;

// The `limit`-th highest score among distinct commands, or -infinity when fewer
// commands are listed (+infinity for a limit of 0: nothing beyond the included).
float limitthBest(std::vector<std::pair<uint32_t, float>>& commandScores, std::size_t limit) {
  if (limit == 0) return std::numeric_limits<float>::infinity();
  std::sort(commandScores.begin(), commandScores.end(),
            [](const auto& a, const auto& b) { return a.first != b.first ? a.first < b.first : a.second > b.second; });
  std::vector<float> best;
  for (std::size_t i = 0; i < commandScores.size(); ++i) {
    if (i == 0 || commandScores[i].first != commandScores[i - 1].first) best.push_back(commandScores[i].second);
  }
  if (best.size() < limit) return -std::numeric_limits<float>::infinity();
  std::nth_element(best.begin(), best.begin() + static_cast<long>(limit - 1), best.end(), std::greater<float>());
  return best[limit - 1];
}

// An allocator whose value-less construction leaves the element as it is: a
// list of touched texts grows by a posting list's length before every walk,
// and every slot is then written, so zeroing it first would be wasted work.
template <typename T>
struct UninitializedAllocator : std::allocator<T> {
  template <typename U>
  struct rebind {
    using other = UninitializedAllocator<U>;
  };
  using std::allocator<T>::allocator;
  template <typename U>
  void construct(U* place) noexcept {
    ::new (static_cast<void*>(place)) U;
  }
  template <typename U, typename... Args>
  void construct(U* place, Args&&... args) {
    ::new (static_cast<void*>(place)) U(std::forward<Args>(args)...);
  }
};

using IdList = std::vector<uint32_t, UninitializedAllocator<uint32_t>>;

// A command's best text so far: its similarity (-1 before any), and the
// highest dot product of its texts met (-1 before any). A similarity never
// falls as the dot product rises, so a text whose dot product is not above
// that cannot have a higher similarity, and its division is skipped.
struct CommandBest {
  float similarity;
  float dot;
};
constexpr CommandBest kNoBest = {-1.0f, -1.0f};

// Scratch space for scoring, reused across queries (see scratch_space.h).
struct Scratch {
  std::vector<float> textScore;
  // The texts and commands reached: the first textCount (commandCount)
  // entries of each list. A list's size is the room written into, grown when
  // a walk needs more and kept, so that the walks do not resize it.
  IdList touchedTexts;
  std::size_t textCount = 0;
  std::vector<CommandBest> commandBest;
  std::vector<float> commandRaw;
  IdList touchedCommands;
  std::size_t commandCount = 0;
  std::vector<uint8_t> commandIncluded;
  std::vector<std::pair<float, uint32_t>> order;  // (partial score, text)
  std::vector<uint32_t> survivors;                // texts completed after the head

  // Each vector on its own: a resize that fails leaves the others consistent.
  void fit(std::size_t texts, std::size_t commands) {
    if (textScore.size() < texts) textScore.resize(texts, 0.0f);
    if (commandBest.size() < commands) commandBest.resize(commands, kNoBest);
    if (commandRaw.size() < commands) commandRaw.resize(commands, 0.0f);
    if (commandIncluded.size() < commands) commandIncluded.resize(commands, 0);
  }

  // Room for `more` entries after the first `count` of `list`.
  static uint32_t* roomFor(IdList& list, std::size_t count, std::size_t more) {
    if (list.size() - count < more) list.resize(std::max(2 * list.size(), count + more));
    return list.data();
  }

  // Back to all-clear (every score 0, every best -1, nothing included or
  // touched) after a search that stopped half-way.
  void clear(const std::vector<uint32_t>& include) noexcept {
    for (std::size_t i = 0; i < textCount; ++i) textScore[touchedTexts[i]] = 0.0f;
    for (const auto& entry : order) textScore[entry.second] = 0.0f;
    for (std::size_t i = 0; i < commandCount; ++i) commandBest[touchedCommands[i]] = kNoBest;
    for (uint32_t c : include) {
      if (c < commandIncluded.size()) commandIncluded[c] = 0;
    }
    textCount = 0;
    commandCount = 0;
    order.clear();
  }
};

// Clears the scratch unless the search finished: an allocation that fails
// half-way through must not leave scores for the next search that uses it.
class ScratchGuard {
 public:
  ScratchGuard(Scratch& scratch, const std::vector<uint32_t>& include) : scratch_(scratch), include_(include) {}
  ~ScratchGuard() {
    if (!finished_) scratch_.clear(include_);
  }
  ScratchGuard(const ScratchGuard&) = delete;
  ScratchGuard& operator=(const ScratchGuard&) = delete;
  void finished() { finished_ = true; }

 private:
  Scratch& scratch_;
  const std::vector<uint32_t>& include_;
  bool finished_ = false;
};

// Scattered reads of the index (scores, offsets and features of texts,
// figures of commands) miss the caches at 100,000 commands; the loops over
// them ask for the data of an entry a few entries ahead, so that the misses
// overlap.
constexpr std::size_t kPrefetchNear = 8;
constexpr std::size_t kPrefetchFar = 24;
// Below this many texts the scores and figures read by a search fit in the
// caches, and the loops do not read ahead.
constexpr std::size_t kReadAheadTexts = 16384;

// Whether a text's score is still the +0 that every score is cleared to, from
// its bits: one integer test where a float comparison also checks for NaN.
// A text reached has a positive score (a sum of positive weights).
inline uint32_t untouched(float score) {
  uint32_t bits = 0;
  std::memcpy(&bits, &score, sizeof bits);
  return bits < 1u ? 1u : 0u;
}

inline void prefetch(const void* address) {
  __builtin_prefetch(address);
}

// A command's sort key: one integer, the similarity's bits (a similarity is
// never negative, so its bits order like its value) turned round to put the
// highest first, above the command's rank in id order. Keys are distinct, and
// choosing and sorting integers costs far less than comparing hits through
// the id table.
inline uint64_t rankKey(float similarity, uint32_t rank) {
  uint32_t bits = 0;
  std::memcpy(&bits, &similarity, sizeof bits);
  return (static_cast<uint64_t>(UINT32_MAX - bits) << 32) | rank;
}

inline float similarityOf(uint64_t key) {
  const uint32_t bits = UINT32_MAX - static_cast<uint32_t>(key >> 32);
  float similarity = 0.0f;
  std::memcpy(&similarity, &bits, sizeof similarity);
  return similarity;
}

// Up to this many commands asked for are kept in order as they come, each
// new key shifted into place; more are chosen with nth_element.
constexpr std::size_t kFewBest = 16;

// The keys of the `limit` commands of `touched` with the highest similarity
// (equal similarities by command id), best first, at the start of `order`
// (whose size is only room); returns how many. Every touched command's best
// is set back to kNoBest on the way.
std::size_t bestCommands(const uint32_t* touched, std::size_t count, CommandBest* best, const uint32_t* idRank,
                         std::size_t limit, std::vector<uint64_t>& order) {
  const std::size_t kept = std::min(limit, count);
  if (kept == 0) {
    for (std::size_t i = 0; i < count; ++i) best[touched[i]] = kNoBest;
    return 0;
  }
  if (limit > kFewBest) {
    if (order.size() < count) order.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
      const uint32_t c = touched[i];
      order[i] = rankKey(best[c].similarity, idRank[c]);
      best[c] = kNoBest;
    }
    const auto first = order.begin();
    std::nth_element(first, first + static_cast<long>(kept), first + static_cast<long>(count));
    std::sort(first, first + static_cast<long>(kept));
    return kept;
  }
  if (order.size() < kFewBest) order.resize(kFewBest);
  uint64_t* const top = order.data();
  // Shifts `key` into place among the first `listed` keys.
  const auto insert = [top](std::size_t listed, uint64_t key) {
    std::size_t j = listed;
    for (; j > 0 && top[j - 1] > key; --j) top[j] = top[j - 1];
    top[j] = key;
  };
  // The first `kept` commands all enter.
  for (std::size_t i = 0; i < kept; ++i) {
    const uint32_t c = touched[i];
    insert(i, rankKey(best[c].similarity, idRank[c]));
    best[c] = kNoBest;
  }
  // Then a command enters when it comes before the last one kept, which gives
  // way; one below that one's similarity is passed over without its key.
  float lowest = similarityOf(top[kept - 1]);
  for (std::size_t i = kept; i < count; ++i) {
    const uint32_t c = touched[i];
    const float similarity = best[c].similarity;
    best[c] = kNoBest;
    if (similarity < lowest) continue;
    const uint64_t key = rankKey(similarity, idRank[c]);
    if (key > top[kept - 1]) continue;
    insert(kept - 1, key);
    lowest = similarityOf(top[kept - 1]);
  }
  return kept;
}

// Orders features by the length of their posting lists, shortest first, as
// std::sort does: a query's dozen features by a stable insertion inline, like
// std::sort below its threshold of 16 elements; more by std::sort itself.
template <typename Feature>
void sortByPostings(Feature* first, Feature* last) {
  const auto shorter = [](const Feature& a, const Feature& b) { return a.postings < b.postings; };
  if (last - first > 16) {
    std::sort(first, last, shorter);
    return;
  }
  for (Feature* i = first + 1; i < last; ++i) {
    const Feature feature = *i;
    Feature* j = i;
    for (; j > first && shorter(feature, *(j - 1)); --j) *j = *(j - 1);
    *j = feature;
  }
}

}  // namespace

// All the space of a search in one scratch object: one lookup a search.
struct CommandIndex::QueryScratch {
  Scratch scoring;
  std::vector<WeightedFeature> features;
  std::vector<QueryFeature> known;      // room for the features the corpus has
  std::vector<QueryFeature> deferred;   // those left to addDeferred
  std::vector<SimilarityHit> included;  // the commands that must be listed
  std::vector<uint64_t> order;          // sort keys of the best commands
};

// Not inlined: the caller keeps the address instead of asking the scope for it
// again inside its loops.
[[gnu::noinline]] CommandIndex::QueryScratch& CommandIndex::queryScratch(const ScratchScope& scope) {
  return scope.get<QueryScratch>();
}

float CommandIndex::weightOf(const WeightedFeature& feature, float idf) const {
  // log(1) is exactly 0: most features occur once, and skip the logarithm.
  const float tf = feature.count == 1.0f ? 1.0f : 1.0f + std::log(feature.count);
  return tf * idf * (feature.bigram ? kBigramBoost : 1.0f);
}

CommandIndex::CommandIndex(const std::vector<CommandPtr>& commands) {
  const ScratchScope scope;  // one lease for the features of every text
  std::vector<TextFeatures> texts;
  std::vector<std::pair<uint64_t, uint32_t>> anchors;  // (key, command) of every pattern
  commandIds_.reserve(commands.size());
  for (uint32_t c = 0; c < commands.size(); ++c) {
    commandIds_.push_back(commands[c]->id);
    for (const std::u32string& text : textsOf(*commands[c])) {
      texts.push_back({c, extractFeatures(text)});
    }
    for (const Pattern& pattern : commands[c]->patterns) {
      const std::u32string* literal = longestLiteral(pattern);
      anchors.emplace_back(anchorKey((*literal)[0], literal->size() > 1 ? (*literal)[1] : 0), c);
    }
  }
  indexAnchors(anchors);
  rankedCommand_.resize(commands.size());
  for (uint32_t c = 0; c < commands.size(); ++c) rankedCommand_[c] = c;
  std::sort(rankedCommand_.begin(), rankedCommand_.end(), [this](uint32_t a, uint32_t b) {
    return commandIds_[a] != commandIds_[b] ? commandIds_[a] < commandIds_[b] : a < b;
  });
  idRank_.resize(commands.size());
  for (uint32_t rank = 0; rank < commands.size(); ++rank) idRank_[rankedCommand_[rank]] = rank;
  // Document frequencies and feature ids.
  std::vector<uint32_t> df;
  for (const TextFeatures& text : texts) {
    for (const WeightedFeature& f : text.features) {
      bool inserted = false;
      const uint32_t id = featureIds_.findOrInsert(f.key, static_cast<uint32_t>(df.size()), inserted);
      if (inserted) df.push_back(0);
      ++df[id];
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
  textCommonNorm_.reserve(texts.size());
  textOffsets_.reserve(texts.size() + 1);
  textOffsets_.push_back(0);
  textFeatures_.reserve(postings_.size());
  maxWeight_.assign(df.size(), 0.0f);
  for (uint32_t t = 0; t < texts.size(); ++t) {
    float norm2 = 0.0f;
    for (const WeightedFeature& f : texts[t].features) {
      const float w = weightOf(f, idf_[featureIds_.find(f.key)]);
      norm2 += w * w;
    }
    const float norm = std::sqrt(norm2);
    const std::size_t first = textFeatures_.size();
    float commonNorm2 = 0.0f;
    for (const WeightedFeature& f : texts[t].features) {
      const uint32_t id = featureIds_.find(f.key);
      const float weight = weightOf(f, idf_[id]) / norm;
      postings_[fill[id]++] = {t, weight};
      maxWeight_[id] = std::max(maxWeight_[id], weight);
      textFeatures_.push_back({id, weight});
      if (df[id] > kLongPostingList) commonNorm2 += weight * weight;
    }
    textCommonNorm_.push_back(std::sqrt(commonNorm2));
    // The common features first, then the others, each group by id: the
    // features left over by a search are mostly common ones, and are then
    // found in the first cache line of the list.
    for (auto it = textFeatures_.begin() + static_cast<long>(first); it != textFeatures_.end(); ++it) {
      if (df[it->text] > kLongPostingList) it->text |= kCommonFeature;
    }
    std::sort(textFeatures_.begin() + static_cast<long>(first), textFeatures_.end(),
              [](const Posting& a, const Posting& b) {
                const bool aCommon = (a.text & kCommonFeature) != 0;
                const bool bCommon = (b.text & kCommonFeature) != 0;
                return aCommon != bCommon ? aCommon : a.text < b.text;
              });
    textOffsets_.push_back(static_cast<uint32_t>(textFeatures_.size()));
    textCommand_.push_back(texts[t].command);
    textNorm_.push_back(norm);
  }
}

void CommandIndex::indexAnchors(std::vector<std::pair<uint64_t, uint32_t>>& anchors) {
  // Stable by key: a key's commands keep the order in which they were met, and
  // a command is listed once a key.
  std::stable_sort(anchors.begin(), anchors.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  for (std::size_t i = 0; i < anchors.size(); ++i) {
    const auto [key, command] = anchors[i];
    const std::size_t startBit = static_cast<char32_t>(key >> 32) % kAnchorStartBits;
    anchorStarts_[startBit / 64] |= uint64_t{1} << (startBit % 64);
    if (i == 0 || anchors[i - 1].first != key) {
      bool inserted = false;
      anchorIds_.findOrInsert(key, static_cast<uint32_t>(anchorOffsets_.size()), inserted);
      anchorOffsets_.push_back(static_cast<uint32_t>(anchorCommands_.size()));
    } else if (anchorCommands_.back() == command) {
      continue;
    }
    anchorCommands_.push_back(command);
  }
  anchorOffsets_.push_back(static_cast<uint32_t>(anchorCommands_.size()));
}

void CommandIndex::prefetchRow(uint32_t text) const {
  // A text's features take a few cache lines; the merge reads them all.
  const Posting* row = textFeatures_.data() + textOffsets_[text];
  const Posting* const end = textFeatures_.data() + textOffsets_[text + 1];
  for (const char* line = reinterpret_cast<const char*>(row); line < reinterpret_cast<const char*>(end); line += 64) {
    prefetch(line);
  }
}

float CommandIndex::deferredDot(uint32_t text, const std::vector<QueryFeature>& byId) const {
  // The query's features are sorted by id, and so is each group of the text's
  // features: one merge pass per group, the products added in the order of
  // the query's features. The second group is looked for only when a rarer
  // feature was left over.
  float dot = 0.0f;
  const Posting* common = textFeatures_.data() + textOffsets_[text];
  const Posting* const end = textFeatures_.data() + textOffsets_[text + 1];
  const Posting* rarer = nullptr;
  for (const QueryFeature& f : byId) {
    if (f.postings > kLongPostingList) {
      const uint32_t key = f.id | kCommonFeature;
      while (common != end && (common->text & kCommonFeature) != 0 && common->text < key) ++common;
      if (common != end && common->text == key) dot += f.weight * common->weight;
      continue;
    }
    if (rarer == nullptr) {
      rarer = textFeatures_.data() + textOffsets_[text];
      while (rarer != end && (rarer->text & kCommonFeature) != 0) ++rarer;
    }
    while (rarer != end && rarer->text < f.id) ++rarer;
    if (rarer != end && rarer->text == f.id) dot += f.weight * rarer->weight;
  }
  return dot;
}

// The walk gave every touched text a partial score. Completing all of them costs a
// lookup per text, and with thousands of texts per common character that was the
// slow tail of large corpora. The deferred features can add at most `bound` to any
// text, so the texts with the best partial scores are completed first; the
// `limit`-th best command among them sets a bar, and a text whose partial score
// plus `bound` stays below it cannot enter the result and is dropped. Texts of
// included commands are always completed. The scores returned stay exact.
void CommandIndex::addDeferred(QueryScratch& q, std::size_t limit, const std::vector<uint32_t>& include) const {
  Scratch& s = q.scoring;
  std::vector<QueryFeature>& deferred = q.deferred;
  std::sort(deferred.begin(), deferred.end(), [](const QueryFeature& a, const QueryFeature& b) { return a.id < b.id; });
  float bound = 0.0f;
  float deferredNorm2 = 0.0f;
  // The same split by the length of the posting lists: features too common to
  // walk, and features left over when the budget ran out.
  float commonNorm2 = 0.0f;
  float rarerBound = 0.0f;
  float rarerNorm2 = 0.0f;
  for (const QueryFeature& f : deferred) {
    bound += f.weight * maxWeight_[f.id];
    deferredNorm2 += f.weight * f.weight;
    if (f.postings > kLongPostingList) {
      commonNorm2 += f.weight * f.weight;
    } else {
      rarerBound += f.weight * maxWeight_[f.id];
      rarerNorm2 += f.weight * f.weight;
    }
  }
  // Text vectors have unit length, so the deferred part is also bounded by its norm.
  bound = std::min(bound, std::sqrt(deferredNorm2));
  // A text's own bound: its part in the common features is at most the norm
  // of its common features (kept per text) times the query's norm there
  // (Cauchy-Schwarz), most texts weigh little there, and the rarer features
  // add at most what they add to any text.
  const float commonNorm = std::sqrt(commonNorm2);
  const float rarerPart = std::min(rarerBound, std::sqrt(rarerNorm2));
  const auto boundOf = [&](uint32_t text) { return std::min(bound, commonNorm * textCommonNorm_[text] + rarerPart); };

  s.order.clear();
  for (std::size_t i = 0; i < s.textCount; ++i) s.order.emplace_back(s.textScore[s.touchedTexts[i]], s.touchedTexts[i]);
  const std::size_t head = std::min(s.order.size(), kCompletedFirst + 2 * limit);
  std::nth_element(s.order.begin(), s.order.begin() + static_cast<long>(head), s.order.end(),
                   [](const auto& a, const auto& b) { return a.first > b.first; });
  // The texts completed are listed again; they are fewer than were listed.
  s.textCount = 0;
  std::vector<std::pair<uint32_t, float>> bestOfCommand;  // (command, exact dot) of the head
  bestOfCommand.reserve(head);
  for (std::size_t i = 0; i < head; ++i) {
    if (i + kPrefetchNear < head) prefetchRow(s.order[i + kPrefetchNear].second);
    const uint32_t t = s.order[i].second;
    s.textScore[t] += deferredDot(t, deferred);
    s.touchedTexts[s.textCount++] = t;
    bestOfCommand.emplace_back(textCommand_[t], s.textScore[t]);
  }
  const float bar = limitthBest(bestOfCommand, limit);
  // Float sums in another order may differ in the last bits: keep a margin.
  const float slack = 1e-5f * bar + 1e-6f;
  // First the texts that stay, in order; then their completion, reading ahead.
  s.survivors.clear();
  for (std::size_t i = head; i < s.order.size(); ++i) {
    if (i + kPrefetchFar < s.order.size()) prefetch(&textCommonNorm_[s.order[i + kPrefetchFar].second]);
    const uint32_t t = s.order[i].second;
    if (s.order[i].first + boundOf(t) < bar - slack && (include.empty() || !s.commandIncluded[textCommand_[t]])) {
      s.textScore[t] = 0.0f;
      continue;
    }
    s.survivors.push_back(t);
  }
  const std::size_t count = s.survivors.size();
  for (std::size_t i = 0; i < count; ++i) {
    if (i + kPrefetchFar < count) prefetch(&textOffsets_[s.survivors[i + kPrefetchFar]]);
    if (i + kPrefetchNear < count) prefetchRow(s.survivors[i + kPrefetchNear]);
    const uint32_t t = s.survivors[i];
    s.textScore[t] += deferredDot(t, deferred);
    s.touchedTexts[s.textCount++] = t;
  }
}

std::vector<uint32_t> CommandIndex::patternCommands(const std::u32string& query, std::size_t limit) const {
  std::vector<uint32_t> found;
  patternCommands(query, limit, found);
  return found;
}

void CommandIndex::patternCommands(const std::u32string& query, std::size_t limit, std::vector<uint32_t>& found) const {
  found.clear();
  if (anchorCommands_.empty()) return;
  for (std::size_t i = 0; i < query.size() && found.size() < limit; ++i) {
    if (!mayStartAnchor(query[i])) continue;
    for (const uint64_t key : {anchorKey(query[i], i + 1 < query.size() ? query[i + 1] : 0), anchorKey(query[i], 0)}) {
      const uint32_t k = anchorIds_.find(key);
      if (k == FeatureTable::kMissing) continue;
      for (uint32_t a = anchorOffsets_[k]; a < anchorOffsets_[k + 1]; ++a) {
        const uint32_t c = anchorCommands_[a];
        if (found.size() < limit && std::find(found.begin(), found.end(), c) == found.end()) found.push_back(c);
      }
    }
  }
}

std::vector<SimilarityHit> CommandIndex::search(const std::u32string& normalizedQuery, std::size_t limit,
                                                const std::vector<uint32_t>& include) const {
  std::vector<SimilarityHit> hits;
  search(normalizedQuery, limit, include, hits);
  return hits;
}

void CommandIndex::search(const std::u32string& normalizedQuery, std::size_t limit,
                          const std::vector<uint32_t>& include, std::vector<SimilarityHit>& hits) const {
  hits.clear();
  if ((limit == 0 && include.empty()) || normalizedQuery.empty() || textCommand_.empty()) return;
  const ScratchScope scope;
  QueryScratch& q = queryScratch(scope);
  Scratch& s = q.scoring;
  ScratchGuard guard(s, include);
  s.fit(textCommand_.size(), commandIds_.size());
  std::vector<WeightedFeature>& features = q.features;
  std::vector<QueryFeature>& known = q.known;
  std::vector<QueryFeature>& deferred = q.deferred;

  // Known query features with their weights, rarest (shortest posting list) first.
  extractFeatures(normalizedQuery, features);
  if (known.size() < features.size()) known.resize(features.size());
  QueryFeature* const rarest = known.data();
  std::size_t knownCount = 0;
  float queryNorm2 = 0.0f;
  for (const WeightedFeature& f : features) {
    const uint32_t id = featureIds_.find(f.key);
    const float w = weightOf(f, id == FeatureTable::kMissing ? unknownIdf_ : idf_[id]);
    queryNorm2 += w * w;
    if (id != FeatureTable::kMissing) rarest[knownCount++] = {id, w, postingOffsets_[id + 1] - postingOffsets_[id]};
  }
  const float queryNorm = std::sqrt(queryNorm2);
  sortByPostings(rarest, rarest + knownCount);
  uint8_t* const includedFlag = s.commandIncluded.data();
  for (uint32_t c : include) includedFlag[c] = 1;

  // A small index stays in the caches: reading ahead would only add work.
  const bool readAhead = textCommand_.size() > kReadAheadTexts;
  std::size_t walked = 0;
  std::size_t firstDeferred = knownCount;
  // With no limit, only the texts of included commands can be listed: the
  // others are passed over in the walk instead of being scored and cleared.
  const bool includedOnly = limit == 0;
  for (std::size_t i = 0; i < knownCount; ++i) {
    if (walked > 0 && (walked + rarest[i].postings > kPostingBudget || rarest[i].postings > kLongPostingList)) {
      firstDeferred = i;
      break;
    }
    walked += rarest[i].postings;
    const Posting* const first = postings_.data() + postingOffsets_[rarest[i].id];
    const Posting* const last = postings_.data() + postingOffsets_[rarest[i].id + 1];
    float* const score = s.textScore.data();
    // Room for every text of the list; each is written and kept when it was
    // not touched before (no branch).
    uint32_t* const touched = Scratch::roomFor(s.touchedTexts, s.textCount, static_cast<std::size_t>(last - first));
    // Read after the call above, so that it stays in a register in the loops.
    const float weight = rarest[i].weight;
    std::size_t count = s.textCount;
    if (includedOnly) {
      const uint32_t* const commandOf = textCommand_.data();
      for (const Posting* p = first; p != last; ++p) {
        const uint32_t t = p->text;
        if (includedFlag[commandOf[t]] == 0) continue;
        touched[count] = t;
        count += untouched(score[t]);
        score[t] += weight * p->weight;
      }
    } else if (i == 0) {
      // Every score is 0 before the first list, which holds a text once: each
      // text is new, and its score is the product (0 + x is x).
      for (const Posting* p = first; p != last; ++p) {
        touched[count++] = p->text;
        score[p->text] = weight * p->weight;
      }
    } else if (readAhead) {
      for (const Posting* p = first; p < last; ++p) {
        if (last - p > static_cast<long>(kPrefetchFar)) prefetch(&score[p[kPrefetchFar].text]);
        touched[count] = p->text;
        count += untouched(score[p->text]);
        score[p->text] += weight * p->weight;
      }
    } else {
      // Four postings a round: a list holds a text once, so the steps of a
      // round touch different scores, and the loop costs a quarter as much.
      const auto add = [&](const Posting& posting) {
        touched[count] = posting.text;
        count += untouched(score[posting.text]);
        score[posting.text] += weight * posting.weight;
      };
      const Posting* const roundsEnd = first + ((last - first) & ~static_cast<std::ptrdiff_t>(3));
      for (const Posting* p = first; p != roundsEnd; p += 4) {
        add(p[0]);
        add(p[1]);
        add(p[2]);
        add(p[3]);
      }
      for (const Posting* p = roundsEnd; p != last; ++p) add(*p);
    }
    s.textCount = count;
  }
  if (firstDeferred < knownCount) {
    deferred.assign(rarest + firstDeferred, rarest + knownCount);
    addDeferred(q, limit, include);
  }

  // Each text's similarity, and the best text of each command. A similarity is
  // never negative, so a command not met yet (best -1) always takes its first
  // text, and is listed then. A text whose dot product is not above the
  // highest of its command's texts so far cannot raise the command's
  // similarity (ties keep the text met first), and is passed over before the
  // division.
  const std::size_t touched = s.textCount;
  uint32_t* const commandList = Scratch::roomFor(s.touchedCommands, s.commandCount, touched);
  std::size_t commandCount = s.commandCount;
  const uint32_t* const texts = s.touchedTexts.data();
  float* const score = s.textScore.data();
  CommandBest* const best = s.commandBest.data();
  float* const raw = s.commandRaw.data();
  const uint32_t* const commandOf = textCommand_.data();
  const float* const norm = textNorm_.data();
  const auto complete = [&](uint32_t t) {
    const float dot = score[t];
    score[t] = 0.0f;
    const uint32_t c = commandOf[t];
    if (!(dot > best[c].dot)) return;
    best[c].dot = dot;
    const float similarity = std::min(1.0f, dot / queryNorm);
    if (similarity > best[c].similarity) {
      commandList[commandCount] = c;
      commandCount += best[c].similarity < 0.0f ? 1 : 0;
      best[c].similarity = similarity;
      raw[c] = dot * norm[t];
    }
  };
  if (limit == 0) {
    // Only the included commands are listed: the other texts' scores are
    // just cleared.
    const uint8_t* const wanted = includedFlag;
    for (std::size_t i = 0; i < touched; ++i) {
      if (readAhead && i + kPrefetchFar < touched) prefetch(&commandOf[texts[i + kPrefetchFar]]);
      const uint32_t t = texts[i];
      if (wanted[commandOf[t]] != 0) {
        complete(t);
      } else {
        score[t] = 0.0f;
      }
    }
  } else if (readAhead) {
    for (std::size_t i = 0; i < touched; ++i) {
      if (i + kPrefetchFar < touched) {
        const uint32_t ahead = texts[i + kPrefetchFar];
        prefetch(&commandOf[ahead]);
        prefetch(&norm[ahead]);
      }
      if (i + kPrefetchNear < touched) {
        const uint32_t ahead = commandOf[texts[i + kPrefetchNear]];
        prefetch(&best[ahead]);
        prefetch(&raw[ahead]);
      }
      complete(texts[i]);
    }
  } else {
    // Four texts a round, in order (texts of one command may follow each other).
    const std::size_t rounds = touched & ~std::size_t{3};
    for (std::size_t i = 0; i < rounds; i += 4) {
      complete(texts[i]);
      complete(texts[i + 1]);
      complete(texts[i + 2]);
      complete(texts[i + 3]);
    }
    for (std::size_t i = rounds; i < touched; ++i) complete(texts[i]);
  }
  s.commandCount = commandCount;
  s.textCount = 0;
  for (uint32_t c : include) includedFlag[c] = 0;

  std::vector<SimilarityHit>& included = q.included;
  included.clear();
  for (uint32_t c : include) {
    const float similarity = s.commandBest[c].similarity;
    included.push_back({c, std::max(0.0f, similarity), similarity < 0.0f ? 0.0f : s.commandRaw[c]});
  }
  std::vector<uint64_t>& order = q.order;
  const std::size_t kept = bestCommands(s.touchedCommands.data(), s.commandCount, best, idRank_.data(), limit, order);
  s.commandCount = 0;
  hits.resize(kept);
  for (std::size_t i = 0; i < kept; ++i) {
    const uint32_t c = rankedCommand_[static_cast<uint32_t>(order[i])];
    hits[i] = {c, similarityOf(order[i]), raw[c]};
  }
  guard.finished();

  for (const SimilarityHit& extra : included) {
    const bool listed = std::any_of(hits.begin(), hits.end(),
                                    [&extra](const SimilarityHit& hit) { return hit.command == extra.command; });
    if (!listed) hits.push_back(extra);
  }
}

std::size_t CommandIndex::memoryBytes() const {
  const std::size_t anchorBytes =
      anchorIds_.memoryBytes() + (anchorOffsets_.capacity() + anchorCommands_.capacity()) * sizeof(uint32_t);
  const std::size_t mapBytes = anchorBytes + featureIds_.memoryBytes();
  return mapBytes + idf_.capacity() * sizeof(float) + maxWeight_.capacity() * sizeof(float) +
         postingOffsets_.capacity() * sizeof(uint32_t) + postings_.capacity() * sizeof(Posting) +
         textCommand_.capacity() * sizeof(uint32_t) + textOffsets_.capacity() * sizeof(uint32_t) +
         textCommonNorm_.capacity() * sizeof(float) + textFeatures_.capacity() * sizeof(Posting) +
         textNorm_.capacity() * sizeof(float) + commandIds_.capacity() * sizeof(int32_t) +
         idRank_.capacity() * sizeof(uint32_t) + rankedCommand_.capacity() * sizeof(uint32_t);
}

}  // namespace norvik
