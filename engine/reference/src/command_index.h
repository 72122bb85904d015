// Inverted index over the commands' texts (their names and examples). Each text is a TF-IDF vector of character
// unigrams and bigrams, with inverse document frequencies learned from the corpus. A query walks the posting lists of
// its rarest features first, up to a budget of postings; the features left over (common characters found in thousands
// of texts) are then looked up only in the texts already reached, in each text's own sorted feature list, and only in
// those whose partial score plus the most the left-over features can add still reaches the result. The cost follows the
// budget and the query, not the corpus size, and every similarity returned is exact.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "command.h"
#include "feature_table.h"
#include "text_features.h"

namespace norvik {

class ScratchScope;

struct SimilarityHit {
  uint32_t command = 0;     // position in the command list the index was built from
  float similarity = 0.0f;  // cosine similarity with the command's closest text, in [0, 1]
  float raw = 0.0f;         // un-normalised dot product with that text
};

class CommandIndex {
 public:
  CommandIndex() = default;
  explicit CommandIndex(const std::vector<CommandPtr>& commands);

  // The best `limit` commands sharing at least one feature with the query,
  // highest similarity first (ties: lower command id first). Commands listed in
  // `include` are added after those when they are not among them (similarity 0
  // when they share nothing with the query).
  std::vector<SimilarityHit> search(const std::u32string& normalizedQuery, std::size_t limit,
                                    const std::vector<uint32_t>& include = {}) const;
  // The same, written into `hits` (emptied first), whose capacity a caller can
  // keep from one search to the next.
  void search(const std::u32string& normalizedQuery, std::size_t limit, const std::vector<uint32_t>& include,
              std::vector<SimilarityHit>& hits) const;

  // Commands with a pattern whose longest literal part starts at some position of
  // the query: the only ones whose patterns can match it. At most `limit`.
  std::vector<uint32_t> patternCommands(const std::u32string& normalizedQuery, std::size_t limit) const;
  void patternCommands(const std::u32string& normalizedQuery, std::size_t limit, std::vector<uint32_t>& found) const;

  std::size_t commandCount() const { return commandIds_.size(); }
  std::size_t textCount() const { return textCommand_.size(); }
  // Bytes held by the index structures (approximate: container capacities).
  std::size_t memoryBytes() const;

 private:
  struct Posting {
    uint32_t text;
    float weight;  // of the feature in the text's unit vector
  };

  struct QueryFeature {
    uint32_t id;
    float weight;
    uint32_t postings;
  };

  // The query's features while a search runs, in space leased for the search.
  struct QueryScratch;
  static QueryScratch& queryScratch(const ScratchScope& scope);

  float weightOf(const WeightedFeature& feature, float idf) const;
  // Fills the anchor table from (key, command) pairs in the order met.
  void indexAnchors(std::vector<std::pair<uint64_t, uint32_t>>& anchors);
  // Whether some anchor may start with `character` (no: none does).
  bool mayStartAnchor(char32_t character) const {
    const std::size_t bit = character % kAnchorStartBits;
    return ((anchorStarts_[bit / 64] >> (bit % 64)) & 1u) != 0;
  }
  // Asks for the cache lines of a text's features ahead of deferredDot.
  void prefetchRow(uint32_t text) const;
  // Dot product of a text with query features sorted by id.
  float deferredDot(uint32_t text, const std::vector<QueryFeature>& byId) const;
  // Completes the scores of the texts reached (in the scratch of the search) with the
  // features that were not walked (its deferred list, sorted here by id),
  // skipping texts that cannot enter the result.
  void addDeferred(QueryScratch& q, std::size_t limit, const std::vector<uint32_t>& include) const;

  FeatureTable featureIds_;
  std::vector<float> idf_;
  std::vector<float> maxWeight_;  // highest unit-vector weight of each feature in any text
  std::vector<uint32_t> postingOffsets_;
  std::vector<Posting> postings_;
  // Each text's features sorted by feature id, with their unit-vector weights.
  std::vector<uint32_t> textOffsets_;
  std::vector<Posting> textFeatures_;  // `text` holds the feature id here
  std::vector<uint32_t> textCommand_;
  std::vector<float> textNorm_;
  // Each text's norm over the features too common to be walked (posting lists
  // longer than kLongPostingList): a bound of what those features can add.
  std::vector<float> textCommonNorm_;
  std::vector<int32_t> commandIds_;
  // Each command's place when the commands are ordered by id (then by
  // position), and the command at each place: hits with equal similarity are
  // listed by id.
  std::vector<uint32_t> idRank_;
  std::vector<uint32_t> rankedCommand_;
  // First one or two characters of each pattern's longest literal -> commands:
  // each key's number in anchorIds_, and its commands at
  // anchorCommands_[anchorOffsets_[number] .. anchorOffsets_[number + 1]), in
  // the order the commands were met.
  FeatureTable anchorIds_;
  std::vector<uint32_t> anchorOffsets_;
  std::vector<uint32_t> anchorCommands_;
  // A bit for each first character of an anchor (by its low bits): query
  // positions whose character has no bit set start no anchor, and their keys
  // are not looked up.
  static constexpr std::size_t kAnchorStartBits = 4096;
  std::array<uint64_t, kAnchorStartBits / 64> anchorStarts_{};
  float unknownIdf_ = 1.0f;
};

}  // namespace norvik
