#include "candidate_ranking.h"

#include <algorithm>
#include <bitset>
#include <iterator>
#include <optional>

#include "occurrences.h"
#include "query_coverage.h"
#include "scratch_space.h"
#include "text_scan.h"

namespace norvik {

namespace {

// How many of the most similar commands are examined further (patterns, keywords).
constexpr std::size_t kCandidateCount = 10;
// Commands whose patterns are anchored in the query are examined too, up to this many.
constexpr std::size_t kPatternCandidateCount = 32;
// Ranking bonuses: a whole-query pattern match is strong evidence for a command,
// its keywords in the query weaker evidence.
constexpr double kPatternBonus = 0.2;
constexpr double kPatternLiteralBonus = 0.3;
constexpr double kKeywordBonus = 0.1;
// A pattern's reading of the query displaces a better-ranked candidate when it
// matches the pattern's literal text by this much more, and ranks at most this
// much lower.
constexpr double kLiteralLead = 0.1;
constexpr double kReadingGap = 0.3;
// Keywords up to this length are searched for directly; longer ones in linear
// time whatever the text (see occurrences.h).
constexpr std::size_t kShortKeyword = 8;
// Commands looked up by a slot value when no candidate is the one it names.
constexpr std::size_t kSlotLookups = 3;

}  // namespace

namespace {

// Keyword coverage with the covered characters marked in `covered`, space
// that the caller keeps from one command to the next.
double keywordCoverage(const Command& command, const std::u32string& query, const CharacterFilter& characters,
                       std::vector<uint8_t>& covered) {
  if (query.empty() || command.normalizedKeywords.empty()) return 0.0;
  bool marked = false;
  const auto mark = [&](std::size_t pos, std::size_t length) {
    if (!marked) covered.assign(query.size(), 0);
    marked = true;
    std::fill(covered.begin() + static_cast<long>(pos), covered.begin() + static_cast<long>(pos + length), 1);
  };
  for (const std::u32string& keyword : command.normalizedKeywords) {
    if (!characters.mayHold(keyword.front()) || keyword.size() > query.size()) continue;
    if (keyword.size() <= kShortKeyword) {
      // Short keywords (nearly all of them): a plain search is fastest, and
      // cannot degrade much.
      const char32_t first = keyword.front();
      const std::size_t last = query.size() - keyword.size();
      for (std::size_t pos = 0; pos <= last; ++pos) {
        if (query[pos] == first && sameCharacters(keyword.data() + 1, query.data() + pos + 1, keyword.size() - 1)) {
          mark(pos, keyword.size());
        }
      }
      continue;
    }
    forEachOccurrence(query, keyword, [&](std::size_t pos) { mark(pos, keyword.size()); });
  }
  if (!marked) return 0.0;
  const auto count = static_cast<double>(std::count(covered.begin(), covered.end(), uint8_t{1}));
  return std::min(1.0, 2.0 * count / static_cast<double>(query.size()));
}

// Where each character stands in a query of at most 64 characters, made once
// per route: the first place of the characters with the same low 9 bits and,
// from each place, the next one. A keyword is then looked for only where its
// first character stands, and the characters covered are one 64-bit mask.
class QueryPlaces {
 public:
  static constexpr std::size_t kMaxLength = 64;

  // Whether the query is short enough to be indexed (else nothing is).
  bool index(const std::u32string& query) {
    query_ = &query;
    if (query.size() > kMaxLength) return false;
    // Back to all-clear from the last query: a few wide stores.
    std::fill(std::begin(first_), std::end(first_), uint8_t{0});
    for (std::size_t pos = query.size(); pos-- > 0;) {
      uint8_t& first = first_[slot(query[pos])];
      next_[pos] = first;
      first = static_cast<uint8_t>(pos + 1);
    }
    return true;
  }

  // Keyword coverage as keywordCoverage computes it, for an indexed query.
  double coverage(const Command& command) const {
    const std::u32string& query = *query_;
    uint64_t covered = 0;
    for (const std::u32string& keyword : command.normalizedKeywords) {
      // A keyword longer than the query fits at no place: each place tests that.
      const std::size_t length = keyword.size();
      const char32_t first = keyword.front();
      for (uint8_t place = first_[slot(first)]; place != 0; place = next_[place - 1]) {
        const std::size_t pos = place - 1u;
        if (query[pos] != first || pos + length > query.size() ||
            !sameCharacters(keyword.data() + 1, query.data() + pos + 1, length - 1)) {
          continue;
        }
        covered |= (length == kMaxLength ? ~uint64_t{0} : (uint64_t{1} << length) - 1) << pos;
      }
    }
    if (covered == 0) return 0.0;
    const auto count = static_cast<double>(std::bitset<kMaxLength>(covered).count());
    return std::min(1.0, 2.0 * count / static_cast<double>(query.size()));
  }

 private:
  static uint32_t slot(char32_t c) { return static_cast<uint32_t>(c) & 511; }

  const std::u32string* query_ = nullptr;
  uint8_t first_[512] = {};
  uint8_t next_[kMaxLength] = {};
};

// The marks of keywordCoverage when called on its own.
struct CoverageScratch {
  std::vector<uint8_t> covered;
};

}  // namespace

double keywordCoverage(const Command& command, const std::u32string& query, const CharacterFilter& characters) {
  const ScratchScope scope;
  return keywordCoverage(command, query, characters, scope.get<CoverageScratch>().covered);
}

namespace {

// Politeness and hesitation around a request that patterns need not spell out.
const WordTable kLeadingFillers = {U"麻烦你", U"你帮我", U"帮我", U"麻烦",   U"请",   U"帮忙", U"那个",
                                   U"嗯",     U"呃",     U"就是", U"你给我", U"小爱", U"请问"};
const WordTable kTrailingFillers = {U"可以吗", U"好吗", U"好不好", U"行不行", U"谢谢", U"吧", U"啊",
                                    U"呀",     U"哦",   U"嘛",     U"呗",     U"啦",   U"哈", U"了"};

// Politeness and particles, which tell nothing about the command: the query is
// compared with the commands' texts without them ("帮我把音量调大一点吧" is
// "音量调大"). Words such as 你 and 我 stay: they tell small talk from requests.
const WordTable kSearchFillers = {U"请",   U"帮我", U"帮忙", U"麻烦你", U"麻烦",   U"给我", U"一下", U"一点",
                                  U"吧",   U"啊",   U"呀",   U"哦",     U"嘛",     U"呢",   U"啦",   U"哈",
                                  U"了",   U"的",   U"把",   U"好吗",   U"可以吗", U"行吗", U"谢谢", U"那个",
                                  U"这个", U"嗯",   U"呃",   U"就是",   U"呗"};

}  // namespace

void searchText(const std::u32string& query, std::u32string& text) {
  text.clear();
  for (std::size_t pos = 0; pos < query.size();) {
    const std::size_t n = kSearchFillers.longestAt(query, pos);
    if (n == 0) text.push_back(query[pos]);
    pos += n == 0 ? 1 : n;
  }
  if (text.empty()) text = query;
}

namespace {

// What ranking reuses from one query to the next on a thread.
struct RankingScratch {
  std::vector<uint32_t> withPatterns;
  std::u32string searchText;
  std::vector<SimilarityHit> hits;
  std::vector<uint8_t> covered;  // by keywords, for one command at a time
  QueryPlaces places;
};

// Where the query stands without its leading and trailing fillers.
struct TrimmedQuery {
  std::size_t begin = 0;
  std::size_t end = 0;
};

// The query without leading and trailing filler words, or nothing when it has none.
std::optional<TrimmedQuery> withoutFillers(const NormalizedText& query) {
  std::size_t begin = 0;
  std::size_t end = query.size();
  for (std::size_t n = 0; (n = wordAt(query.chars, begin, kLeadingFillers)) != 0 && begin + n < end;) begin += n;
  for (std::size_t n = 0; (n = wordBefore(query.chars, end, kTrailingFillers)) != 0 && end - n > begin;) end -= n;
  if (begin == 0 && end == query.size()) return std::nullopt;
  return TrimmedQuery{begin, end};
}

// Among the command's patterns that match the whole query, takes the one with the
// most literal text: "搜索一下{query}" is a better reading than "搜索{query}". The
// query without its fillers is tried first so that a trailing "吧" does not end
// up inside a slot. Only the reading taken has its slot values cut.
void matchPatterns(RouteCandidate& candidate, const NormalizedText& query, const std::optional<TrimmedQuery>& trimmed,
                   std::string_view raw) {
  const QueryView whole(query);
  const std::pair<QueryView, std::size_t> texts[] = {
      {trimmed ? whole.sub(trimmed->begin, trimmed->end) : QueryView(), trimmed ? trimmed->begin : 0}, {whole, 0}};
  SlotSpans trial;
  for (const auto& [text, offset] : texts) {
    if (text.size() == 0 || text.size() > kMaxPatternQueryLength) continue;
    // The quick test of mayMatch, with what it reads of the text read once.
    const char32_t front = text.chars.front();
    const char32_t back = text.chars.back();
    const Command& command = *candidate.command;
    // None of the command's patterns starts or ends as the text does: none is tried.
    const bool mayStart = ((command.patternFirsts >> (front & 63)) & 1) != 0;
    if (!mayStart || ((command.patternLasts >> (back & 63)) & 1) == 0) continue;
    for (const Pattern& pattern : command.patterns) {
      if ((pattern.first != 0 && pattern.first != front) || (pattern.last != 0 && pattern.last != back)) continue;
      if (candidate.pattern != nullptr && pattern.literalLength <= candidate.pattern->literalLength) continue;
      if (!matchSlots(pattern, text, trial)) continue;
      candidate.pattern = &pattern;
      candidate.slotSpans = trial;
    }
    if (candidate.pattern != nullptr) {
      candidate.slots = slotValues(*candidate.pattern, text, raw, candidate.slotSpans);
      for (SlotSpan& span : candidate.slotSpans) {
        span.first += static_cast<uint32_t>(offset);
        span.second += static_cast<uint32_t>(offset);
      }
      return;
    }
  }
}

// Whether a slot names the command: the slots stand at `spans` in `spoken`,
// the query's characters as the user said them (the slot values normalised).
bool slotNamesCommand(const SlotSpans& spans, const std::u32string& spoken, const Command& command) {
  for (const auto& [begin, end] : spans) {
    const std::u32string_view value = std::u32string_view(spoken).substr(begin, end - begin);
    if (value.size() < 2) continue;
    for (const std::u32string& keyword : command.normalizedKeywords) {
      if (keyword.size() < 2) continue;
      // The keyword names the slot's content: it contains the value, or makes up
      // at least half of it.
      if (std::u32string_view(keyword).find(value) != std::u32string_view::npos) return true;
      if (2 * keyword.size() >= value.size() && value.find(keyword) != std::u32string_view::npos) return true;
    }
  }
  return false;
}

}  // namespace

double keywordCoverage(const Command& command, const std::u32string& query) {
  return keywordCoverage(command, query, CharacterFilter(query));
}

RouteCandidate candidateFor(const CorpusSnapshot& snapshot, uint32_t position, const NormalizedText& query) {
  RouteCandidate candidate;
  candidate.command = snapshot.active[position].get();
  candidate.position = position;
  for (const SimilarityHit& self : snapshot.index->search(query.chars, 0, {position})) {
    candidate.similarity = self.similarity;
    candidate.raw = self.raw;
  }
  candidate.keywordCoverage = keywordCoverage(*candidate.command, query.chars);
  candidate.rank = candidate.similarity + kKeywordBonus * candidate.keywordCoverage;
  return candidate;
}

namespace {

// A pattern that reads the whole query is weighed against a better-ranked
// candidate without one by comparing both on the pattern's literal text alone
// (the query without what the slots captured). The pattern's command wins when
// the other one matches that text at least as well as the whole query, so the
// slot holds what the other command leaves out ("北京" in "北京明天会下雨吗"), or
// when it matches the literal text clearly better and is not far behind, so the
// words around the slots decide ("搜索" against "放一下" in
// "搜索胡歌演的琅琊榜", where the title matches an example of the other).
void preferPatternReading(std::vector<RouteCandidate>& candidates, const CommandIndex& index,
                          const std::u32string& spoken) {
  if (candidates.size() < 2 || candidates.front().pattern != nullptr) return;
  const auto reading = std::find_if(candidates.begin() + 1, candidates.end(),
                                    [](const RouteCandidate& c) { return c.pattern != nullptr && !c.slots.empty(); });
  if (reading == candidates.end() || slotNamesCommand(reading->slotSpans, spoken, *candidates.front().command)) return;
  const RouteCandidate& best = candidates.front();
  double bestOnLiteral = 0.0;
  double readingOnLiteral = 0.0;
  for (const SimilarityHit& hit : index.search(reading->pattern->literals, 0, {best.position, reading->position})) {
    if (hit.command == best.position) bestOnLiteral = hit.similarity;
    if (hit.command == reading->position) readingOnLiteral = hit.similarity;
  }
  const bool slotIsLeftOut = bestOnLiteral >= best.similarity;
  const bool wordsDecide = readingOnLiteral > bestOnLiteral + kLiteralLead && reading->rank + kReadingGap >= best.rank;
  if (slotIsLeftOut || wordsDecide) std::rotate(candidates.begin(), reading, reading + 1);
}

bool sameType(const Command& a, const Command& b) {
  const std::string* type = a.actionValue("type");
  return type != nullptr && b.hasActionType(*type);
}

// A generic command whose slot captured what another candidate is specifically
// about ("关掉{app}" reading "关掉声音") gives way to that candidate, when that
// one does the same kind of thing or knows the pattern's words of direction:
// "退出全屏" names the command that makes a window full screen, which does the
// opposite. The named candidate keeps where the slots stood, so that the router
// can tell whether it explains what they captured.
void preferSpecific(std::vector<RouteCandidate>& candidates, const CorpusSnapshot& snapshot,
                    const NormalizedText& query, const std::u32string& spoken) {
  if (candidates.empty() || candidates.front().pattern == nullptr) return;
  const SlotSpans slots = candidates.front().slotSpans;
  const Command& generic = *candidates.front().command;
  // Only the slot of a command that opens or closes by name holds a name: what
  // a search, a translation or a reminder holds is its content ("搜索关机",
  // "提醒我关机" shut nothing down), and a specific command's slot is a detail.
  const bool takesAName = generic.action.size() == 1 && generic.isOfKind(kOpenApp | kCloseApp | kOpenWebsite);
  if (!takesAName) return;
  for (std::size_t i = 1; i < candidates.size(); ++i) {
    // A command with patterns of its own reads its details from slots too: it
    // is no more specific ("电影" captured by a video search names no film).
    const Command& named = *candidates[i].command;
    if (named.target == CommandTarget::Chat || !named.patterns.empty()) continue;
    if (!sameType(generic, named) && !knowsDirections(named, *candidates.front().pattern)) continue;
    if (slotNamesCommand(slots, spoken, named)) {
      candidates[i].namedBySlot = true;
      candidates[i].slotSpans = slots;
      std::rotate(candidates.begin(), candidates.begin() + static_cast<long>(i),
                  candidates.begin() + static_cast<long>(i + 1));
      return;
    }
  }
  // The named command may share too little with the whole query to be a
  // candidate ("open qq" is one unknown word): look the slot values up. Found
  // this way, it must do the same kind of thing as the generic command (open an
  // app, not close it).
  for (const auto& [begin, end] : slots) {
    for (const SimilarityHit& hit : snapshot.index->search(spoken.substr(begin, end - begin), kSlotLookups)) {
      const Command& command = *snapshot.active[hit.command];
      if (command.target == CommandTarget::Chat || !command.patterns.empty() || !sameType(generic, command) ||
          !slotNamesCommand(slots, spoken, command)) {
        continue;
      }
      RouteCandidate named = candidateFor(snapshot, hit.command, query);
      named.namedBySlot = true;
      named.slotSpans = slots;
      candidates.insert(candidates.begin(), std::move(named));
      return;
    }
  }
}

// The candidates by rank, best first, equal ranks in their order (a stable
// sort): the positions are sorted, and each candidate is then moved once along
// the cycles of the permutation, instead of the merges of std::stable_sort
// moving whole candidates and asking for a buffer.
void sortByRank(std::vector<RouteCandidate>& candidates) {
  const std::size_t n = candidates.size();
  // Ranked as found (no bonus reordered them): nothing to move.
  std::size_t unsorted = 1;
  while (unsorted < n && candidates[unsorted].rank <= candidates[unsorted - 1].rank) ++unsorted;
  if (unsorted >= n) return;
  uint32_t local[64];
  std::vector<uint32_t> heap;
  if (n > sizeof local / sizeof local[0]) heap.resize(n);
  uint32_t* const order = heap.empty() ? local : heap.data();
  // The ranked prefix stays where it is; the rest is inserted into it, each
  // after the candidates of the same rank before it.
  for (std::size_t i = 0; i < unsorted; ++i) order[i] = static_cast<uint32_t>(i);
  for (std::size_t i = unsorted; i < n; ++i) {
    const auto moving = static_cast<uint32_t>(i);
    const double rank = candidates[i].rank;
    std::size_t j = i;
    for (; j > 0 && rank > candidates[order[j - 1]].rank; --j) order[j] = order[j - 1];
    order[j] = moving;
  }
  // order[k] is the candidate that goes to place k; a place is done once filled.
  for (std::size_t start = 0; start < n; ++start) {
    if (order[start] == start) continue;
    RouteCandidate held = std::move(candidates[start]);
    std::size_t place = start;
    while (order[place] != start) {
      const std::size_t from = order[place];
      candidates[place] = std::move(candidates[from]);
      order[place] = static_cast<uint32_t>(place);
      place = from;
    }
    candidates[place] = std::move(held);
    order[place] = static_cast<uint32_t>(place);
  }
}

}  // namespace

void rankCandidates(const CorpusSnapshot& snapshot, const NormalizedText& query, const std::u32string& spoken,
                    std::string_view raw, bool tryPatterns, std::vector<RouteCandidate>& candidates) {
  candidates.clear();
  CharacterBits characterBits;
  for (const char32_t c : query.chars) characterBits.add(c);
  const std::optional<TrimmedQuery> trimmed = tryPatterns ? withoutFillers(query) : std::nullopt;
  // Ranking is not re-entered on a thread while these are in use.
  const ScratchScope scope;
  RankingScratch& scratch = scope.get<RankingScratch>();
  // A long query (rare) is searched for keywords as keywordCoverage does.
  const bool indexed = scratch.places.index(query.chars);
  const std::optional<CharacterFilter> characters =
      indexed ? std::nullopt : std::optional<CharacterFilter>(std::in_place, query.chars);
  scratch.withPatterns.clear();
  if (tryPatterns) snapshot.index->patternCommands(query.chars, kPatternCandidateCount, scratch.withPatterns);
  searchText(query.chars, scratch.searchText);
  snapshot.index->search(scratch.searchText, kCandidateCount, scratch.withPatterns, scratch.hits);
  // Room for one more: a command that a slot names may join them (preferSpecific).
  candidates.reserve(kCandidateCount + kPatternCandidateCount + 1);
  for (const SimilarityHit& hit : scratch.hits) {
    RouteCandidate& candidate =
        candidates.emplace_back(snapshot.active[hit.command].get(), hit.command, hit.similarity, hit.raw);
    // Many candidates hold no keyword that starts with a character of the query:
    // told here, without the call.
    if (candidate.command->keywordFirsts.mayShare(characterBits)) {
      candidate.keywordCoverage = indexed
                                      ? scratch.places.coverage(*candidate.command)
                                      : keywordCoverage(*candidate.command, query.chars, *characters, scratch.covered);
    }
    if (tryPatterns && !candidate.command->patterns.empty()) matchPatterns(candidate, query, trimmed, raw);
    candidate.rank = candidate.similarity + kKeywordBonus * candidate.keywordCoverage;
    if (candidate.pattern != nullptr) {
      // The more of the query the pattern spells out, the stronger the evidence.
      const double literalShare = static_cast<double>(candidate.pattern->literalLength) /
                                  static_cast<double>(std::max<std::size_t>(query.size(), 1));
      candidate.rank += kPatternBonus + kPatternLiteralBonus * std::min(1.0, literalShare);
    }
  }
  sortByRank(candidates);
  preferPatternReading(candidates, *snapshot.index, spoken);
  preferSpecific(candidates, snapshot, query, spoken);
}

}  // namespace norvik
