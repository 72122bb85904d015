#include "router.h"

#include <algorithm>
#include <charconv>
#include <initializer_list>
#include <optional>
#include <string_view>

#include "colloquial_words.h"
#include "media_request.h"
#include "name_kind.h"
#include "open_request.h"
#include "query_coverage.h"
#include "query_form.h"
#include "query_signals.h"
#include "risk_class.h"
#include "risk_gate.h"
#include "scratch_space.h"
#include "text_buffer.h"
#include "text_normalizer.h"
#include "text_scan.h"
#include "deskpet/fixed_decimals.h"
#include "deskpet/utf8.h"

namespace norvik {

namespace {

using namespace std::string_view_literals;

// A command that is resolved by the LLM or by chat needs at least this similarity
// (or a pattern match) to claim the query.
constexpr double kDelegateFloor = 0.3;
// Without a claiming command, queries this open-ended go to chat.
constexpr double kChatOpenEnded = 0.4;
// A title or a name that a command explains this well is that command's word
// ("播放下一首", "打开蓝牙"), not a title or an unknown name.
constexpr double kNameExplained = 0.75;
// A name that a specific command knows this much of is not an unknown app.
constexpr double kNamePartlyKnown = 0.5;
// Commands looked up by a title or a name that no candidate explains.
constexpr std::size_t kNameLookups = 3;
// The semantic score of a pattern or a reading that reads the whole query, before
// the share of the query its literal text spells out.
constexpr double kExplicitSemantic = 0.5;
// A similarity above which politeness need not be looked through.
constexpr double kCloseMatch = 0.7;
// Two commands whose ranks are this close fit a request equally.
constexpr double kAmbiguity = 0.05;
// A clause that is the whole request must match the command at least this closely.
constexpr double kClauseSimilarity = 0.45;
// Candidates weighed in turn when the closest one may not serve the query.
constexpr std::size_t kAlternatives = 4;

// A command chosen by reading the form of the request (media verb and title,
// open and a name, a compound request) rather than by rank alone.
struct Reading {
  RouteCandidate candidate;
  std::string why;
};

// Reasoning texts are written into the router's scratch strings (see
// RouterSpace) and copied once into the decision.

// Appends a number with two decimals.
void appendFixed(TextBuffer& text, double value) {
  char buffer[32] = {};
  std::size_t length = deskpet::fixedDecimals(value, 2, buffer);
  if (length == 0) {
    length = static_cast<std::size_t>(
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 2).ptr - buffer);
  }
  text.appendFrom(buffer, length);
}

void appendCount(TextBuffer& text, std::size_t value) {
  char buffer[24] = {};
  text.appendFrom(buffer, static_cast<std::size_t>(std::to_chars(buffer, buffer + sizeof buffer, value).ptr - buffer));
}

void appendMatch(TextBuffer& text, const RouteCandidate& c) {
  text.append("closest command \""sv).append(c.command->name).append("\" (similarity "sv);
  appendFixed(text, c.similarity);
  if (c.pattern != nullptr) text.append(", pattern \""sv).append(c.pattern->source).append("\""sv);
  text.append(")"sv);
}

// The scratch space of a router: the covered query, and the reasoning being
// written, the details of the verdict at hand, and those of the closest
// candidate when it was held back.
struct RouterSpace {
  CoveredQuery words;
  std::vector<uint8_t> given;  // the characters a pattern captured, for weigh
  TextBuffer text;
  TextBuffer detail;
  TextBuffer held;
  NormalizedText query;     // the router's query
  std::u32string searched;  // the query as ranking searched for it
};

// One space per router that can be open at once on a thread: a route, and the
// route of part of its query (a self-correction or the rest of a compound
// request), which opens none of its own.
struct RouterScratch {
  RouterSpace levels[2];
};

double combine(const RouteScores& s, const Weights& w) {
  const double total = w.sum();
  if (!(total > 0.0)) return 0.0;
  const double value = w.semantic * s.semantic + w.complexity * (1.0 - s.complexity) +
                       w.domainKeyword * s.domainKeyword + w.openEnded * (1.0 - s.openEnded) +
                       w.entityMatch * s.entityMatch;
  return std::clamp(value / total, 0.0, 1.0);
}

bool hasWordCharacter(const std::u32string& text) {
  return std::any_of(text.begin(), text.end(), isWordCharacter);
}

// Han, kana or hangul: text in a language, even when the corpus knows none of it.
bool hasScriptCharacter(const std::u32string& text) {
  return std::any_of(text.begin(), text.end(), [](char32_t c) { return isWordCharacter(c) && c >= 0x3040; });
}

// The query's normalised characters, colloquial words read as standard ones;
// `spoken` gets the characters as said when that changed any.
const NormalizedText& readQuery(std::string_view raw, NormalizedText& text, std::u32string& spoken) {
  normalizeTextInto(raw, text);
  if (readColloquialWords(text.chars)) spoken = normalizeChars(raw);
  return text;
}

// The generic commands that open or close an app or a site by the name in their slot.
bool takesAName(const Command& command) {
  return command.action.size() < 2 && command.isOfKind(kOpenApp | kOpenWebsite | kCloseApp);
}

bool reportable(const RouteCandidate& c) {
  return c.similarity >= kMinReportedSimilarity || c.pattern != nullptr || c.namedBySlot;
}

std::size_t kindWordLength(const std::u32string& query, std::size_t begin, std::size_t end);
bool isLatinOrDigit(char32_t c);
bool oneEditApart(std::u32string_view a, std::u32string_view b);
bool zeroLevel(const std::u32string& query, std::size_t begin, std::size_t end);
std::size_t kindSuffixLength(const std::u32string& query, std::size_t begin, std::size_t end);

class QueryRouter {
 public:
  // The decision is written into `out`, which starts as a fresh decision.
  QueryRouter(const CorpusSnapshot& snapshot, std::string_view raw, bool allowCompound, const Strictness& strictness,
              RouteDecision& out)
      : d_(out),
        space_(scope_.get<RouterScratch>().levels[allowCompound ? 0 : 1]),
        snapshot_(snapshot),
        raw_(raw),
        query_(readQuery(raw, space_.query, spoken_)),
        signals_(readQuerySignals(raw, query_.chars)),
        form_(readQueryForm(raw, query_.chars)),
        queryHash_(textHash(query_.chars)),
        allowCompound_(allowCompound),
        strictness_(strictness) {
    readClauses(query_.chars, query_.byteBegin, query_.byteEnd, form_);
  }

  void route();

 private:
  std::string_view span(std::size_t begin, std::size_t end) const;
  std::string cut(std::size_t begin, std::size_t end) const { return std::string(span(begin, end)); }
  const CoveredQuery& covered() const;
  const std::optional<OpenRequest>& openRequest() const;
  const RouteCandidate* closest() const;
  const Command* explainer(std::size_t begin, std::size_t end, bool localOnly, bool lookUp) const;
  std::optional<RouteCandidate> genericWithSlot(const std::string& type, std::size_t begin, std::size_t end) const;
  std::optional<Reading> readCompound() const;
  std::optional<Reading> readMedia() const;
  std::optional<Reading> mediaReading(MediaKind kind, std::size_t begin, std::size_t end) const;
  std::optional<Reading> readOpen() const;
  std::optional<Reading> kindOpener(std::size_t begin, std::size_t end) const;
  bool partlyKnown(std::size_t begin, std::size_t end) const;
  std::string notAName(std::size_t begin, std::size_t end) const;
  bool holdsCommandWord(std::size_t begin, std::size_t end) const;
  bool misheard(std::size_t begin, std::size_t end) const;
  bool onlyIn(char32_t c, const std::u32string& keyword) const;
  bool knownApp(std::size_t begin, std::size_t end) const;
  bool holdsNames(const RouteCandidate& c) const;
  Evidence weigh(const RouteCandidate& c, bool explicitForm) const;
  GateDecision admit(const RouteCandidate& c, Evidence& e, bool withRivals) const;
  double contentSimilarity(const RouteCandidate& c) const;
  bool rivalFits(const RouteCandidate& c, const Coverage& coverage) const;
  bool phrasesQuestion(const RouteCandidate& c) const;
  bool speakerDoes(const Command& command) const;
  bool reports(std::size_t begin, std::size_t end) const;
  bool wantsAnApp(const Command& command) const;
  bool levelZero(const RouteCandidate& c) const;
  bool stateOnly(const Command& command) const;
  double semantic(const RouteCandidate& c, bool explicitForm) const;
  void setScores(const RouteCandidate* c, bool explicitForm);
  bool claims(const RouteCandidate& c, bool explicitForm) const;
  struct Verdict {
    bool serve = false;
    CommandTarget target = CommandTarget::Chat;
    double confidence = 0.0;
  };
  // Writes why into `detail`.
  Verdict judge(const RouteCandidate& c, bool explicitForm, bool explain, bool alternative, TextBuffer& detail);
  void explainCoverage(const Evidence& evidence, TextBuffer& detail) const;
  struct Clause {
    std::size_t begin = 0;
    std::size_t end = 0;
    double share = 0.0;       // of its meaningful characters that the command explains
    double similarity = 0.0;  // of the clause to the command's closest text
  };
  std::optional<Clause> requestClause(const RouteCandidate& c, bool alternative) const;
  bool holdsKeyword(const Command& command, std::size_t begin, std::size_t end) const;
  void decideReading(const Reading& reading);
  void decideByRank();
  bool slotsNameAHeldCommand(const RouteCandidate& c, std::size_t rank) const;
  const RouteCandidate* equallyFitting(const RouteCandidate& chosen);
  void setReasoning(std::initializer_list<std::string_view> parts);
  void choose(const RouteCandidate& c, CommandTarget target, double confidence,
              std::initializer_list<std::string_view> reasoning);
  void fallBack(std::string_view prefix, const RouteCandidate* heldBack);
  void answerNothing(std::string_view why);
  void fillAction();

  RouteDecision& d_;
  const ScratchScope scope_;  // leased for the router's life, when no route holds one yet
  RouterSpace& space_;
  const CorpusSnapshot& snapshot_;
  std::string_view raw_;
  std::u32string spoken_;        // the normalised characters as said, when colloquial words were read
  const NormalizedText& query_;  // in space_
  QuerySignals signals_;
  QueryForm form_;
  uint64_t queryHash_;                           // textHash of the normalised query
  mutable const CoveredQuery* words_ = nullptr;  // space_.words, prepared when first needed
  // The request to open something the query makes, read when first needed
  // (readCompound and readOpen both ask).
  mutable std::optional<std::optional<OpenRequest>> open_;
  // The candidate that explains the stretch explainer was last asked about.
  struct Explained {
    std::size_t begin = 0;
    std::size_t end = 0;
    bool localOnly = false;
    const Command* command = nullptr;
    bool same(const Explained& other) const {
      return begin == other.begin && end == other.end && localOnly == other.localOnly;
    }
  };
  mutable std::optional<Explained> explained_;
  bool allowCompound_;
  bool complaint_ = false;  // a command was held back because the request says how things are
  const Strictness& strictness_;
  // The share of the query that the candidate judged last explains, when judge
  // weighed it on its words alone: equallyFitting asks for it again.
  const RouteCandidate* weighed_ = nullptr;
  double weighedShare_ = 0.0;
};

const CoveredQuery& QueryRouter::covered() const {
  if (words_ == nullptr) {
    space_.words.reset(query_.chars, form_.negations);
    words_ = &space_.words;
  }
  return *words_;
}

const std::optional<OpenRequest>& QueryRouter::openRequest() const {
  if (!open_) open_.emplace(readOpenRequest(query_.chars));
  return *open_;
}

// The original text of query[begin, end).
std::string_view QueryRouter::span(std::size_t begin, std::size_t end) const {
  if (begin >= end) return std::string_view();
  const uint32_t from = query_.byteBegin[begin];
  return raw_.substr(from, query_.byteEnd[end - 1] - from);
}

const RouteCandidate* QueryRouter::closest() const {
  return d_.candidates.empty() || !reportable(d_.candidates.front()) ? nullptr : &d_.candidates.front();
}

// The best-ranked candidate that explains query[begin, end): the command whose
// word a title or a name is. Only candidates that share something with the
// query can. A name may be too short a part of the query to make its command a
// candidate ("打开d盘"): with `lookUp`, the name is then looked up on its own.
const Command* QueryRouter::explainer(std::size_t begin, std::size_t end, bool localOnly, bool lookUp) const {
  const auto explains = [&](const Command& command) {
    return !(localOnly && command.target != CommandTarget::Local) &&
           covered().cover(command, begin, end).share() >= kNameExplained;
  };
  // The readings ask about the same name in turn: the answer of the candidates
  // is kept for the last one asked about.
  const Explained asked{begin, end, localOnly, nullptr};
  if (!explained_ || !explained_->same(asked)) {
    explained_ = asked;
    for (const RouteCandidate& c : d_.candidates) {
      if ((c.similarity >= kMinReportedSimilarity || c.keywordCoverage > 0.0) && explains(*c.command)) {
        explained_->command = c.command;
        break;
      }
    }
  }
  if (explained_->command != nullptr) return explained_->command;
  if (!lookUp || end - begin > kMaxCoveredQueryLength) return nullptr;
  for (const SimilarityHit& hit : snapshot_.index->search(query_.chars.substr(begin, end - begin), kNameLookups)) {
    if (explains(*snapshot_.active[hit.command])) return snapshot_.active[hit.command].get();
  }
  return nullptr;
}

// The slot a generic command takes its detail in: the slot of its first
// one-slot pattern ("打开{app}"), else "title".
std::string detailSlot(const Command& command) {
  for (const Pattern& pattern : command.patterns) {
    std::size_t slots = 0;
    const PatternSegment* slot = nullptr;
    for (const PatternSegment& segment : pattern.segments) {
      if (segment.isSlot) {
        ++slots;
        slot = &segment;
      }
    }
    if (slots == 1) return slot->slotName;
  }
  return "title";
}

// The generic command of an action type with query[begin, end) as its detail.
// Like a pattern, it matches what it spells out: its similarity is the share of
// the query around the detail ("打开" in "打开熊猫看书": the name itself is what no
// command knows).
std::optional<RouteCandidate> QueryRouter::genericWithSlot(const std::string& type, std::size_t begin,
                                                           std::size_t end) const {
  uint32_t position = 0;
  const Command* command = snapshot_.generic(type, &position);
  if (command == nullptr) return std::nullopt;
  RouteCandidate c;
  c.command = command;
  c.position = position;
  c.similarity = static_cast<double>(query_.size() - (end - begin)) / static_cast<double>(query_.size());
  c.keywordCoverage = keywordCoverage(*command, query_.chars);
  c.rank = c.similarity;
  c.slots = {{detailSlot(*command), cut(begin, end)}};
  c.slotSpans = {{begin, end}};
  return c;
}

// 打开浏览器搜索天气预报: opening an app and asking for more in one breath. The
// rest of the request is routed on its own; a query or a search there covers
// the whole request (opening the browser is how it is done), anything else is
// several steps for the LLM.
std::optional<Reading> QueryRouter::readCompound() const {
  static const WordTable kLongVerbs = {U"搜索", U"搜一下", U"查一下", U"查询", U"播放", U"打电话", U"发消息", U"发短信",
                                       U"设置", U"提醒",   U"下载",   U"导航", U"输入", U"看一下", U"听一下"};
  static const WordTable kShortVerbs = {U"搜", U"查", U"放", U"听", U"看", U"发",
                                        U"给", U"找", U"写", U"玩", U"买", U"订"};
  static const WordTable kSearchVerbs = {U"搜索一下", U"搜索", U"搜一下", U"搜搜",     U"搜",  U"查一下",
                                         U"查查",     U"查询", U"查",     U"百度一下", U"百度"};
  if (!allowCompound_) return std::nullopt;
  const std::optional<OpenRequest>& open = openRequest();
  // A name that a command knows whole is one thing to open ("小猪佩奇播放器").
  if (!open || explainer(open->nameBegin, open->nameEnd, false, false) != nullptr) return std::nullopt;
  for (std::size_t pos = open->nameBegin + 2; pos + 2 <= query_.size(); ++pos) {
    // The verb must ask for something: "打开电脑设置" ends in a noun.
    const std::size_t longVerb = wordAt(query_.chars, pos, kLongVerbs);
    const std::size_t shortVerb = longVerb != 0 ? 0 : wordAt(query_.chars, pos, kShortVerbs);
    // A verb that ends a noun is no verb ("播放器").
    if (longVerb != 0 && (pos + longVerb >= query_.size() || query_.chars[pos + longVerb] == U'器')) continue;
    if (longVerb == 0 && (shortVerb == 0 || pos + shortVerb + 1 >= query_.size() ||
                          explainer(open->nameBegin, pos, false, false) == nullptr)) {
      continue;
    }
    const std::string app = cut(open->nameBegin, pos);
    // "打开浏览器搜一下…": the web search covers the whole request.
    if (const std::size_t search = wordAt(query_.chars, pos, kSearchVerbs); search != 0) {
      if (auto c = genericWithSlot("web_search", pos + search, query_.size())) {
        return Reading{std::move(*c), "opening \"" + app + "\" to search the web"};
      }
    }
    RouteDecision rest;
    QueryRouter(snapshot_, cut(pos, query_.size()), false, strictness_, rest).route();
    if (rest.target == CommandTarget::Local && rest.hasMatch && rest.best.command->risk == RiskClass::None) {
      return Reading{rest.best,
                     "opening \"" + app + "\" to do the rest, which \"" + rest.best.command->name + "\" covers"};
    }
    return Reading{RouteCandidate{}, "opening \"" + app + "\" and more: several steps"};
  }
  return std::nullopt;
}

std::optional<Reading> QueryRouter::mediaReading(MediaKind kind, std::size_t begin, std::size_t end) const {
  const std::string title = cut(begin, end);
  const std::string why = "a request to play " + std::string(mediaKindName(kind)) + " titled \"" + title + "\"";
  // A media command whose pattern read the request knows best what it holds.
  const auto isMedia = [kind](const Command& command) {
    if (command.target == CommandTarget::Local) return false;
    if (kind == MediaKind::Music) return command.isOfKind(kPlayMusic | kMusicRequest);
    if (kind == MediaKind::Video) return command.isOfKind(kPlayVideo | kSearchVideo);
    return command.isOfKind(kPlayMedia | kPlayMusic | kPlayVideo);
  };
  if (kind == MediaKind::Spoken || kind == MediaKind::Channel) {
    // A programme: the LLM command that knows its words (news, radio, TV).
    for (const RouteCandidate& c : d_.candidates) {
      if (c.command->target != CommandTarget::Local && c.similarity >= kMinReportedSimilarity &&
          covered().cover(*c.command, begin, end).explained > 0) {
        Reading reading{c, why};
        reading.candidate.slots = {{"title", title}};
        reading.candidate.slotSpans = {{begin, end}};
        return reading;
      }
    }
  } else {
    for (const RouteCandidate& c : d_.candidates) {
      if (c.pattern != nullptr && isMedia(*c.command)) return Reading{c, why};
    }
  }
  const char* type = kind == MediaKind::Music ? "play_music" : kind == MediaKind::Video ? "play_video" : "play_media";
  if (auto c = genericWithSlot(type, begin, end)) return Reading{std::move(*c), why};
  if (auto c = genericWithSlot("play_media", begin, end)) return Reading{std::move(*c), why};
  return std::nullopt;
}

std::optional<Reading> QueryRouter::readMedia() const {
  const auto media = readMediaRequest(query_.chars);
  if (!media) return std::nullopt;
  // "播放下一首", "看一下电量": the words of a local command, not a title; nor is
  // what a local pattern reads ("帮我看一下南京明天的天气").
  if (explainer(media->titleBegin, media->titleEnd, true, false) != nullptr) return std::nullopt;
  for (const RouteCandidate& c : d_.candidates) {
    if (c.pattern != nullptr && c.command->target == CommandTarget::Local) return std::nullopt;
  }
  return mediaReading(media->kind, media->titleBegin, media->titleEnd);
}

// 打开 + a name: a command that knows the name (打开蓝牙, 打开导航) is left to the
// ranking, except the generic site command, whose examples know some names
// (打开百度) that are still apps unless the request says site; a TV channel is media; a
// device, a file, a feature inside an app or a description is for the LLM, and
// so is a name that a specific command knows only in part ("打开cmd窗口": the
// terminal, or something else?). Any other name is an app (or a site, when the
// request says so) that the host opens if it exists.
std::optional<Reading> QueryRouter::readOpen() const {
  std::optional<OpenRequest> open = openRequest();
  if (!open || form_.question != QuestionKind::None || !form_.negations.empty()) return std::nullopt;
  // A space or a mark next to a Chinese word ends the name: what follows is
  // another clause ("打开keep 我要健身"), which may only say why.
  for (std::size_t i = open->nameBegin + 1; i < open->nameEnd; ++i) {
    if (query_.byteEnd[i - 1] < query_.byteBegin[i] && (isHan(query_.chars[i - 1]) || isHan(query_.chars[i]))) {
      if (!covered().states(i, query_.size()))
        return Reading{RouteCandidate{}, "opening a name and more: several steps"};
      open->nameEnd = i;
      break;
    }
  }
  const std::size_t length = open->nameEnd - open->nameBegin;
  if (length < 2) return std::nullopt;
  const std::u32string name = query_.chars.substr(open->nameBegin, length);
  // A word for a site settles it ("打开谷歌网站"); a name ending in 网 may be a
  // command's word ("无线网打开"). A bare name is an app even where the site
  // command's examples know it ("打开淘宝"): only the request says it is a site.
  const bool website = open->website;
  const Command* site = snapshot_.generic("open_website");
  const Command* known = open->siteWord ? nullptr : explainer(open->nameBegin, open->nameEnd, false, true);
  if (known != nullptr && known != site) return std::nullopt;
  // The host's name of an app that a command opens ("打开notepad").
  if (const auto opener = snapshot_.openerByApp.find(name); opener != snapshot_.openerByApp.end() && !website) {
    RouteCandidate c = candidateFor(snapshot_, opener->second, query_);
    std::string why = "opening \"" + cut(open->nameBegin, open->nameEnd) + "\", the app of \"" + c.command->name + "\"";
    return Reading{std::move(c), std::move(why)};
  }
  if (auto kind = kindOpener(open->nameBegin, open->nameEnd); kind && !website) return kind;
  if (programmeKind(name) == MediaKind::Channel || isBroadcast(name)) {
    return mediaReading(programmeKind(name).value_or(MediaKind::Spoken), open->nameBegin, open->nameEnd);
  }
  if (!website) {
    if (open->referred) return Reading{RouteCandidate{}, "opening something referred to rather than named"};
    if (std::string what = notAName(open->nameBegin, open->nameEnd); !what.empty()) {
      return Reading{RouteCandidate{}, std::move(what)};
    }
  }
  auto c = genericWithSlot(website ? "open_website" : "open_app", open->nameBegin, open->nameEnd);
  if (!c) return std::nullopt;
  std::string why = "opening \"" + c->slots.front().second + "\", a name no command knows";
  return Reading{std::move(*c), std::move(why)};
}

// A name that ends in the word for a kind of app that a built-in command opens
// ("QQ浏览器", "网易邮箱"): an app of that kind by its brand, which that command
// opens.
std::optional<Reading> QueryRouter::kindOpener(std::size_t begin, std::size_t end) const {
  static const WordTable kKinds = {U"浏览器", U"邮箱"};
  const std::size_t n = wordBefore(std::u32string_view(query_.chars).substr(0, end), end, kKinds);
  if (n == 0 || n >= end - begin) return std::nullopt;
  const auto owners = snapshot_.keywordOwners.find(query_.chars.substr(end - n, n));
  if (owners == snapshot_.keywordOwners.end()) return std::nullopt;
  for (const uint32_t position : owners->second) {
    const Command& command = *snapshot_.active[position];
    if (command.target != CommandTarget::Local || command.action.size() < 2 || !command.isOfKind(kOpenApp)) {
      continue;
    }
    RouteCandidate c = candidateFor(snapshot_, position, query_);
    std::string why = "opening \"" + cut(begin, end) + "\", an app of the kind that \"" + command.name + "\" opens";
    return Reading{std::move(c), std::move(why)};
  }
  return std::nullopt;
}

// Why query[begin, end) is not plainly the name of an app that no command
// knows, or null when it is. The host's opener runs only on positive evidence
// of a name: a short word (no description, device, file or feature), no clause
// (我, 你…), no activity (录音, 看书: a verb and its object), no word that a
// command uses for its own thing (车载蓝牙音乐, 小游戏, documents), and nothing
// that a command knows half of or that sounds like an app it opens.
std::string QueryRouter::notAName(std::size_t begin, std::size_t end) const {
  const std::u32string name = query_.chars.substr(begin, end - begin);
  if (const NameKind kind = classifyName(name); kind != NameKind::App) {
    return "opening " + std::string(nameKindName(kind));
  }
  if (kindWordLength(query_.chars, begin, end) == end - begin || siteWordLength(name) == name.size()) {
    return "opening a kind of thing rather than a name";
  }
  if (name.size() == 2 && isHan(name[1]) && isVerbCharacter(name[0])) return "opening an activity rather than a name";
  if (holdsCommandWord(begin, end)) return "opening a name that holds a word of a command";
  if (partlyKnown(begin, end)) return "opening a name that a command knows only in part";
  return std::string();
}

// Whether query[begin, end) holds a keyword of two characters or more of a
// command other than the generic ones that take a name, or a command explains
// it: the word of that command's thing, not part of an unknown name.
bool QueryRouter::holdsCommandWord(std::size_t begin, std::size_t end) const {
  const std::u32string_view name(query_.chars.data() + begin, end - begin);
  const std::size_t longest = std::min(snapshot_.longestKeyword, name.size());
  std::u32string word;
  for (std::size_t from = 0; from + 2 <= name.size(); ++from) {
    for (std::size_t length = 2; length <= longest && from + length <= name.size(); ++length) {
      word.assign(name.substr(from, length));
      const auto owners = snapshot_.keywordOwners.find(word);
      if (owners == snapshot_.keywordOwners.end()) continue;
      for (const uint32_t position : owners->second) {
        if (!takesAName(*snapshot_.active[position])) return true;
      }
    }
  }
  const Command* known = explainer(begin, end, false, false);
  return known != nullptr && !takesAName(*known);
}

// Whether a specific local command knows half of the name or more, or the name
// sounds like an app it opens: all characters but one of its keyword ("为信" for
// 微信, a slip of speech recognition).
bool QueryRouter::partlyKnown(std::size_t begin, std::size_t end) const {
  const std::u32string_view name(query_.chars.data() + begin, end - begin);
  // Pairs of Latin letters are no words: "pycharm" shares "ch" with chrome and
  // "ar" with safari, and is still another app.
  const bool latin = std::all_of(name.begin(), name.end(), isLatinOrDigit);
  for (const RouteCandidate& c : d_.candidates) {
    const Command& command = *c.command;
    // A name half made of the words of a programme, a service or a topic that
    // the LLM or chat handles ("打开新闻", "打开地图导航") is no plain app name.
    const bool delegated = command.target == CommandTarget::Llm;
    if (command.target == CommandTarget::Chat) continue;
    if (!delegated && command.action.size() < 2) continue;
    if (!latin && c.similarity >= kMinReportedSimilarity &&
        covered().cover(command, begin, end).share() >= kNamePartlyKnown) {
      return true;
    }
    if (delegated) continue;
    // A long keyword whole in the name names the command ("…任务管理器").
    for (const std::u32string& keyword : command.normalizedKeywords) {
      if (keyword.size() >= 3 && keyword.size() < name.size() && name.find(keyword) != std::u32string_view::npos) {
        return true;
      }
    }
  }
  return misheard(begin, end);
}

// Whether query[begin, end) names an app for certain: a name that a command
// opening or closing a specific app explains, a name in Latin letters and
// digits, or a word for an app itself (软件, 程序, 应用).
bool QueryRouter::knownApp(std::size_t begin, std::size_t end) const {
  const std::u32string_view name(query_.chars.data() + begin, end - begin);
  const bool latin = std::all_of(name.begin(), name.end(),
                                 [](char32_t c) { return (c >= U'a' && c <= U'z') || (c >= U'0' && c <= U'9'); });
  // "这个软件", "当前程序": the app at hand (the words of reference may stand
  // before the slot, which leaves them out); a bare "程序" names none.
  std::size_t from = begin;
  bool here = false;
  for (const std::u32string_view word : {U"这个", U"那个", U"当前"}) {
    if (name.substr(0, 2) == word) from = begin + 2;
    if (begin >= 2 && std::u32string_view(query_.chars).substr(begin - 2, 2) == word) here = true;
  }
  if (from < end && kindWordLength(query_.chars, from, end) == end - from) return here || from > begin;
  if (latin) return true;
  for (const RouteCandidate& c : d_.candidates) {
    const Command& command = *c.command;
    if (command.action.size() >= 2 && command.isOfKind(kOpenApp | kCloseApp) &&
        covered().cover(command, begin, end).share() >= kNameExplained) {
      return true;
    }
  }
  return false;
}

// Whether the name differs from the keyword of an app that a command opens or
// closes in one Han character only ("为信" for 微信): a slip of speech recognition.
bool QueryRouter::misheard(std::size_t begin, std::size_t end) const {
  const std::u32string_view name(query_.chars.data() + begin, end - begin);
  const bool latin = std::all_of(name.begin(), name.end(), isLatinOrDigit);
  if (name.size() < 2 || !(isHan(name.front()) || latin)) return false;
  for (const RouteCandidate& c : d_.candidates) {
    const Command& command = *c.command;
    if (command.target != CommandTarget::Local) continue;
    const bool app = command.isOfKind(kOpenApp | kCloseApp);
    if (!app && !takesAName(command) && command.risk != RiskClass::None && !latin) {
      // "打开蓝芽": the thing of a command that changes the machine, misheard.
      for (const std::u32string& keyword : command.normalizedKeywords) {
        if (keyword.size() == 2 && name.size() == 2 && isHan(keyword[0]) && isHan(keyword[1]) &&
            (keyword[0] == name[0]) != (keyword[1] == name[1]) &&
            onlyIn(keyword[0] == name[0] ? keyword[0] : keyword[1], keyword)) {
          return true;
        }
      }
    }
    if (command.action.size() < 2 || !app) continue;
    for (const std::u32string& keyword : command.normalizedKeywords) {
      // "chrom", "crome": a Latin name one letter off a long Latin keyword.
      if (latin && keyword.size() >= 4 && name.size() >= 3 && oneEditApart(name, keyword)) return true;
      if (latin || keyword.size() != name.size()) continue;
      std::size_t differences = 0;
      for (std::size_t i = 0; i < name.size(); ++i) differences += keyword[i] != name[i] ? 1 : 0;
      if (differences == 1) return true;
    }
  }
  return false;
}

// Whether the character stands in no local command's keyword but `keyword`: a character that
// many keywords share (音 of 音量, 静音, 音乐) says too little to hear a slip in
// a name (抖音 is an app, not 静音 misheard).
bool QueryRouter::onlyIn(char32_t c, const std::u32string& keyword) const {
  for (const auto& [other, owners] : snapshot_.keywordOwners) {
    if (other == keyword || other.find(c) == std::u32string::npos) continue;
    for (const uint32_t position : owners) {
      if (snapshot_.active[position]->target == CommandTarget::Local) return false;
    }
  }
  return true;
}

bool isLatinOrDigit(char32_t c) {
  return (c >= U'a' && c <= U'z') || (c >= U'0' && c <= U'9');
}

// Whether one letter inserted, dropped or replaced turns `a` into `b`.
bool oneEditApart(std::u32string_view a, std::u32string_view b) {
  if (a.size() > b.size()) std::swap(a, b);
  if (b.size() - a.size() > 1 || a == b) return false;
  std::size_t i = 0;
  while (i < a.size() && a[i] == b[i]) ++i;
  const std::u32string_view restA = a.substr(std::min(a.size(), a.size() == b.size() ? i + 1 : i));
  return restA == b.substr(i + 1);
}

// Whether the command is something the pet does (dance, rest, hide…) and the
// user says that they do it themselves: "我要睡觉了" is no request for the pet
// to sleep, "我出来了" none for it to come out.
bool QueryRouter::speakerDoes(const Command& command) const {
  if (!command.isOfKind(kPet)) return false;
  for (const std::size_t verb : form_.speakerVerbs) {
    const std::size_t length = std::min<std::size_t>(2, query_.size() - verb);
    // "我要换衣服": a verb of action that the command uses is the speaker's own.
    const char32_t first = query_.chars[verb];
    if (knowsWords(command, query_.chars.substr(verb, length)) ||
        (isVerbCharacter(first) && knowsCharacter(command, first))) {
      return true;
    }
  }
  return false;
}

// Whether the command itself asks the query's question: its words or its
// pattern's literal text hold the question words (天气怎么样, "{text}用英语怎么说"),
// or a slot of its pattern holds them, so that the question is what to search
// or translate ("搜一下亮度调不了怎么办").
bool QueryRouter::phrasesQuestion(const RouteCandidate& c) const {
  const std::u32string& words = form_.questionWords;
  if (words.empty()) return false;
  if (c.pattern != nullptr && c.pattern->literals.find(words) != std::u32string::npos) return true;
  for (const auto& [begin, end] : c.slotSpans) {
    if (c.pattern != nullptr && form_.questionAt >= begin && form_.questionAt + words.size() <= end) return true;
  }
  return knowsWords(*c.command, words);
}

// What a generic command that changes the machine (打开{app}, 关闭{app}) takes in
// its slot must be the name of an app: more than one Han character ("把歌关了"
// closes no app called 歌), and no device, file, feature or description ("把空调
// 关了", "关闭所有窗口").
bool holdsAName(const std::u32string& query, std::size_t begin, std::size_t end) {
  if (end - begin < 2 && (end == begin || isHan(query[begin]))) return false;
  return classifyName(query.substr(begin, end - begin)) == NameKind::App;
}

// Whether query[begin, end) names one time: a numeral in it ("十点", "半小时",
// "一个钟头"), and no word of a schedule (每天, 天天, 工作日).
bool definiteTime(const std::u32string& query, std::size_t begin, std::size_t end) {
  static constexpr std::u32string_view kNumerals = U"0123456789二两三四五六七八九十半";
  static constexpr std::u32string_view kAfterOne = U"个小分点刻秒";
  const std::u32string_view time(query.data() + begin, end - begin);
  if (containsAny(time, {U"每", U"天天", U"工作日", U"平时"})) return false;
  for (std::size_t i = 0; i < time.size(); ++i) {
    if (kNumerals.find(time[i]) != std::u32string_view::npos) return true;
    if (time[i] == U'一' && i + 1 < time.size() && kAfterOne.find(time[i + 1]) != std::u32string_view::npos)
      return true;
  }
  return false;
}

// Whether query[begin, end) is a number of zero ("0", "00", "零").
bool zeroLevel(const std::u32string& query, std::size_t begin, std::size_t end) {
  if (begin >= end) return false;
  return std::all_of(query.begin() + static_cast<long>(begin), query.begin() + static_cast<long>(end),
                     [](char32_t c) { return c == U'0' || c == U'零'; });
}

// Words after a name that say what kind of thing it is ("蓝牙功能", "记事本程序"):
// a generic pattern's literal text, not part of the name.
// The length of such a word at the end of query[begin, end), or 0.
std::size_t kindWordLength(const std::u32string& query, std::size_t begin, std::size_t end) {
  static const WordTable kKinds = {U"程序", U"软件",   U"应用",   U"app", U"客户端",
                                   U"功能", U"电脑版", U"桌面版", U"pc版"};
  const std::size_t n = wordBefore(std::u32string_view(query).substr(0, end), end, kKinds);
  return n <= end - begin ? n : 0;
}

std::size_t kindSuffixLength(const std::u32string& query, std::size_t begin, std::size_t end) {
  const std::size_t n = kindWordLength(query, begin, end);
  return n < end - begin ? n : 0;
}

}  // namespace

// Whether the slots of the generic command that opens or closes apps or sites
// by name hold app names: no device, file or description, and no word of a
// command that is not an app ("退出全屏" closes no app called 全屏; "关闭word"
// names the Word app).
bool QueryRouter::holdsNames(const RouteCandidate& c) const {
  const Command& command = *c.command;
  const bool opensByName = command.action.size() == 1 && command.isOfKind(kOpenApp | kCloseApp | kOpenWebsite);
  if (command.risk == RiskClass::Destructive && c.pattern != nullptr) {
    // A destructive timer runs at a definite time: "十点关机", not "明天关机" or
    // "每天十点关机" (a schedule no command keeps).
    std::size_t slot = 0;
    for (const PatternSegment& segment : c.pattern->segments) {
      if (!segment.isSlot || slot >= c.slotSpans.size()) continue;
      const auto [begin, end] = c.slotSpans[slot++];
      if (segment.kind == SlotKind::Time && !definiteTime(query_.chars, begin, end)) return false;
    }
  }
  if (!opensByName) return true;
  for (const auto& [begin, end] : c.slotSpans) {
    if (!holdsAName(query_.chars, begin, end)) return false;
    // Closing loses work: only an app the corpus knows, a name in Latin letters
    // ("wps", "steam") or the app at hand ("这个软件") is closed by name;
    // "关掉弹窗" and "退出游戏" name no app.
    if (command.isOfKind(kCloseApp) && !knownApp(begin, end)) return false;
    // "为信": a known app, misheard; "微信电脑版": a known app, named with its version.
    const std::size_t name = end - kindSuffixLength(query_.chars, begin, end);
    if (misheard(begin, name) || (name < end && explainer(begin, name, true, false) != nullptr)) return false;
    // Opening by name needs a plain name, as when the request is read as one.
    if (command.isOfKind(kOpenApp) && !notAName(begin, name).empty()) return false;
    for (const RouteCandidate& other : d_.candidates) {
      const Command& known = *other.command;
      if (&known == &command || known.target != CommandTarget::Local || known.isOfKind(kOpenApp | kCloseApp) ||
          other.similarity < kMinReportedSimilarity) {
        continue;
      }
      if (covered().cover(known, begin, end).share() >= kNamePartlyKnown) return false;
    }
  }
  return true;
}

namespace {

Evidence QueryRouter::weigh(const RouteCandidate& c, bool explicitForm) const {
  Evidence e;
  e.similarity = c.similarity;
  e.keywordHeld = c.keywordCoverage > 0.0;
  e.thingNamed = covered().namesThing(*c.command, 0, query_.size());
  // What a pattern read is explained: its literal text, and its slots when they hold
  // names. A command named by a generic pattern's slot must explain what the slot
  // captured itself.
  std::vector<uint8_t>& given = space_.given;
  given.clear();
  const bool namesInSlots = holdsNames(c);
  if (explicitForm || c.pattern != nullptr || c.namedBySlot) {
    given.assign(query_.size(), 1);
    if (c.namedBySlot || !namesInSlots) {
      for (const auto& [begin, end] : c.slotSpans) {
        const std::size_t name = c.namedBySlot ? end - kindSuffixLength(query_.chars, begin, end) : end;
        std::fill(given.begin() + static_cast<long>(begin), given.begin() + static_cast<long>(name), uint8_t{0});
      }
    }
  }
  e.coverage = covered().cover(*c.command, 0, query_.size(), given);
  e.operationStated = statesOperation(*c.command, e.coverage, form_.wish);
  e.explicitForm = explicitForm || (c.pattern != nullptr && namesInSlots) ||
                   (c.namedBySlot && e.coverage.explained == e.coverage.content);
  if (!given.empty() && !form_.negations.empty()) {
    // A pattern or a reading captured the negation only if the command's own words hold it.
    e.coverage.negationExplained = covered().cover(*c.command, 0, query_.size()).negationExplained;
  }
  e.ownText = c.command->hasOwnText(queryHash_);
  e.phrasesQuestion = phrasesQuestion(c);
  e.speakerActs = speakerDoes(*c.command);
  e.reported = reports(0, query_.size());
  e.wantsAnApp = wantsAnApp(*c.command);
  e.levelZero = levelZero(c);
  e.stateOnly = stateOnly(*c.command);
  return e;
}

// Whether a word of direction that the command uses says how things are
// ("声音有点大": loud now, so not louder) in words the command does not use
// itself ("屏幕太暗了" is an example of brightening).
bool QueryRouter::stateOnly(const Command& command) const {
  for (const std::size_t at : form_.states) {
    const std::u32string pair = query_.chars.substr(at, 2);
    const bool direction =
        isDirectionCharacter(pair[0]) ? knowsCharacter(command, pair[0]) : knowsCharacter(command, pair[1]);
    if (direction && !knowsWords(command, pair)) return true;
  }
  return false;
}

// Whether a number slot of the candidate's pattern holds zero ("音量调到0"): a
// level of zero is muting or switching off, which another command does, and
// which one the user means is not plain.
bool QueryRouter::levelZero(const RouteCandidate& c) const {
  if (c.pattern == nullptr) return false;
  std::size_t slot = 0;
  for (const PatternSegment& segment : c.pattern->segments) {
    if (!segment.isSlot || slot >= c.slotSpans.size()) continue;
    const auto [begin, end] = c.slotSpans[slot++];
    if (segment.kind == SlotKind::Number && zeroLevel(query_.chars, begin, end)) return true;
  }
  return false;
}

// Whether the request names an app by a word for one (录屏软件, 截图工具, 计时器app)
// that the command, which does something other than open or close an app,
// does not know: the user wants the app, not the command's action.
bool QueryRouter::wantsAnApp(const Command& command) const {
  static const WordTable kAppWords = {U"软件", U"程序", U"应用", U"app", U"客户端", U"工具"};
  if (command.isOfKind(kOpenApp | kCloseApp | kOpenWebsite | kOpenFolder)) {
    return false;
  }
  for (std::size_t pos = 0; pos < query_.size(); ++pos) {
    const std::size_t n = wordAt(query_.chars, pos, kAppWords);
    if (n != 0 && !knowsWords(command, query_.chars.substr(pos, n))) return true;
  }
  return false;
}

// Whether query[begin, end) holds a word that reports what happens rather than
// asks for it ("电脑刚才自己重启了", "我电脑要关机了").
bool QueryRouter::reports(std::size_t begin, std::size_t end) const {
  return std::any_of(form_.reports.begin(), form_.reports.end(),
                     [begin, end](std::size_t at) { return at >= begin && at < end; });
}

// The gate's decision on the candidate. Two pieces of evidence for a command
// that changes the machine cost an index search or a pass over the candidates,
// so they are gathered only when they can decide: the similarity of the
// request's meaningful words (politeness lowers the similarity: "帮我关一下电脑")
// when the gate holds on similarity, or for the confidence of a run; and, once
// everything else admits the command, whether a rival fits as well.
GateDecision QueryRouter::admit(const RouteCandidate& c, Evidence& e, bool withRivals) const {
  const RiskClass risk = c.command->risk;
  GateDecision gate = admitLocalRun(risk, e, form_, strictness_);
  if (risk == RiskClass::None || e.explicitForm || (e.ownText && risk == RiskClass::Change)) return gate;
  if ((gate.run || gate.looseMatch) && c.similarity < kCloseMatch) {
    if (const double words = contentSimilarity(c); words > e.similarity) {
      e.similarity = words;
      if (!gate.run) gate = admitLocalRun(risk, e, form_, strictness_);
    }
  }
  if (gate.run && withRivals && strictness_.rivalMargin > 0.0 && rivalFits(c, e.coverage)) {
    e.rivalFits = true;
    gate = admitLocalRun(risk, e, form_, strictness_);
  }
  return gate;
}

// The candidate's similarity to the request's meaningful words alone, or 0
// when they are the whole request.
double QueryRouter::contentSimilarity(const RouteCandidate& c) const {
  const CoveredQuery& words = covered();
  if (words.content().size() >= query_.size() || query_.size() > kMaxCoveredQueryLength) return 0.0;
  // A candidate of this route's ranking was found by searching for the query
  // without its politeness: when that is the same text, the search would give
  // its similarity again.
  if (c.searched && &c >= d_.candidates.data() && &c < d_.candidates.data() + d_.candidates.size()) {
    searchText(query_.chars, space_.searched);
    if (space_.searched == words.content()) return c.similarity;
  }
  for (const SimilarityHit& hit : snapshot_.index->search(words.content(), 0, {c.position})) {
    if (hit.command == c.position) return hit.similarity;
  }
  return 0.0;
}

// Whether another command ranks within the margin of the candidate (or above
// it) and reads the whole request by a pattern, or explains at least as much of
// it with no word of another direction: two commands fit, and a guess could run
// the wrong one on the machine ("打开文件夹": the documents folder, or the file
// manager?).
bool QueryRouter::rivalFits(const RouteCandidate& c, const Coverage& coverage) const {
  const double margin = strictness_.rivalMargin;
  for (const RouteCandidate& other : d_.candidates) {
    if (other.command == c.command || other.rank + margin < c.rank || !reportable(other)) continue;
    // A pattern of the other command reads the whole request: its form as much.
    if (other.pattern != nullptr && holdsNames(other)) return true;
    const Coverage rival = covered().cover(*other.command, 0, query_.size());
    if (rival.directionExplained && rival.explained >= coverage.explained) return true;
  }
  return false;
}

// How well the command's words match the query. A pattern (or a reading) that
// reads the whole query matches it as the command's own form, whatever its
// slots hold: at least 0.5, and more the more of the query its literal text
// spells out ("哈尔滨今天冷不冷" shares little with the weather command's
// examples but all of "{city}今天冷不冷" except the city).
double QueryRouter::semantic(const RouteCandidate& c, bool explicitForm) const {
  if (c.pattern == nullptr && !explicitForm) return c.similarity;
  std::size_t captured = 0;
  for (const auto& [begin, end] : c.slotSpans) captured += end - begin;
  const double spelledOut =
      query_.size() == 0
          ? 0.0
          : static_cast<double>(query_.size() - std::min(captured, query_.size())) / static_cast<double>(query_.size());
  return std::max(c.similarity, kExplicitSemantic + (1.0 - kExplicitSemantic) * spelledOut);
}

void QueryRouter::setScores(const RouteCandidate* c, bool explicitForm) {
  d_.scores.complexity = signals_.complexity;
  d_.scores.openEnded = signals_.openEnded;
  if (c != nullptr) {
    d_.scores.semantic = semantic(*c, explicitForm);
    d_.scores.domainKeyword = c->keywordCoverage;
    d_.scores.entityMatch = explicitForm || c->pattern != nullptr || c->namedBySlot ? 1.0 : 0.0;
  }
  d_.scores.combined = combine(d_.scores, snapshot_.config.weights);
}

// The parts joined in the decision's reasoning, which is sized once.
void QueryRouter::setReasoning(std::initializer_list<std::string_view> parts) {
  if (parts.size() == 1) {
    d_.reasoning.assign(parts.begin()->data(), parts.begin()->size());
    return;
  }
  std::size_t size = 0;
  for (const std::string_view part : parts) size += part.size();
  d_.reasoning.clear();
  d_.reasoning.reserve(size);
  for (const std::string_view part : parts) d_.reasoning.append(part);
}

void QueryRouter::choose(const RouteCandidate& c, CommandTarget target, double confidence,
                         std::initializer_list<std::string_view> reasoning) {
  d_.hasMatch = true;
  d_.best = c;
  d_.target = target;
  d_.confidence = std::clamp(confidence, 0.0, 1.0);
  if (snapshot_.namesakes.count(c.command->id) == 0) return setReasoning(reasoning);
  // A user command of a built-in name (rare): the parts may stand in the scratch strings.
  std::string joined;
  for (const std::string_view part : reasoning) joined.append(part);
  setReasoning({joined, "; user command \"", c.command->name, "\" replaces the built-in command of the same name"});
}

// Whether a command of the LLM or of chat takes the query: it must match it
// closely enough, and an LLM command (an action: a call, a ticket, a song) takes
// a question only when it answers questions itself (its examples ask: 大盘怎么样,
// 比赛打完了吗) or phrases this one ("去西湖怎么走"): "收音机是谁发明的" is for
// chat, not for the radio.
bool QueryRouter::claims(const RouteCandidate& c, bool explicitForm) const {
  if (!(explicitForm || c.similarity >= kDelegateFloor || c.pattern != nullptr || c.namedBySlot)) return false;
  if (c.command->target != CommandTarget::Llm || explicitForm) return true;
  switch (form_.question) {
    case QuestionKind::About:
      return phrasesQuestion(c);
    case QuestionKind::Asking:
      return c.pattern != nullptr || c.command->answersQuestions || phrasesQuestion(c);
    case QuestionKind::None:
      break;
  }
  return true;
}

// No command is chosen: the LLM path for requests, chat for the rest. A command
// of the LLM or chat that claims the query is taken first.
void QueryRouter::fallBack(std::string_view prefix, const RouteCandidate* heldBack) {
  // "声音有点大": a complaint about the machine asks for a change that the LLM
  // reads, not for small talk.
  if (complaint_ && form_.question == QuestionKind::None) {
    d_.target = CommandTarget::Llm;
    d_.confidence = std::clamp(1.0 - d_.scores.combined, 0.0, 1.0);
    setReasoning({prefix, "; a complaint about how the machine is: a request the LLM should resolve"});
    return;
  }
  for (const RouteCandidate& c : d_.candidates) {
    if (&c == heldBack || c.command->target == CommandTarget::Local || signals_.multiStep) continue;
    if (claims(c, false)) {
      const CommandTarget target = c.command->target;
      choose(c, target, std::min(1.0, c.rank),
             {prefix, "; \"", c.command->name, "\" claims it",
              target == CommandTarget::Llm ? ": the LLM resolves it" : ": small talk for the pet"});
      return;
    }
  }
  // Questions get an answer; requests the LLM path. A close but held-back
  // command makes a request of the query too ("把屏幕截下来").
  const bool claimedByRequest = heldBack != nullptr && heldBack->command->target != CommandTarget::Chat &&
                                heldBack->similarity >= kDelegateFloor && !speakerDoes(*heldBack->command);
  // A request of one clause that reports what happens ("我电脑要关机了") is conversation.
  const bool reported = form_.clauseStarts.empty() && reports(0, query_.size());
  const bool commandLike = (signals_.imperative || signals_.multiStep || claimedByRequest) && !reported;
  const bool question =
      form_.question != QuestionKind::None || (signals_.openEnded >= kChatOpenEnded && !signals_.imperative);
  if (commandLike && !question) {
    d_.target = CommandTarget::Llm;
    d_.confidence = std::clamp(1.0 - d_.scores.combined, 0.0, 1.0);
    setReasoning({prefix, "; a request the LLM should resolve"});
  } else {
    d_.target = CommandTarget::Chat;
    d_.confidence = std::clamp(std::max(signals_.openEnded, 1.0 - d_.scores.combined), 0.0, 1.0);
    setReasoning({prefix, "; conversation for the pet"});
  }
}

// Whether query[begin, end) holds one of the command's keywords whole.
bool QueryRouter::holdsKeyword(const Command& command, std::size_t begin, std::size_t end) const {
  const std::u32string_view part(query_.chars.data() + begin, end - begin);
  return std::any_of(command.normalizedKeywords.begin(), command.normalizedKeywords.end(),
                     [part](const std::u32string& keyword) { return part.find(keyword) != std::u32string_view::npos; });
}

// A clause of the query that the command serves on its own, while every other
// clause only states something (no word of direction or action that a negation
// does not take back): "孩子睡了 声音小点", "我不想关机 锁屏就行". The command must
// pass the gate on the clause alone and be the only local command that explains
// it as well ("打开 Visual Studio" would be any opener's clause).
std::optional<QueryRouter::Clause> QueryRouter::requestClause(const RouteCandidate& c, bool alternative) const {
  const std::vector<std::size_t>& starts = form_.clauseStarts;
  // A query command explains enough of the whole request or of none of it.
  if (starts.empty() || query_.size() > kMaxCoveredQueryLength || c.command->risk == RiskClass::None) {
    return std::nullopt;
  }
  const CoveredQuery& words = covered();
  for (std::size_t k = starts.size(); k-- > 0;) {
    const std::size_t begin = starts[k];
    const std::size_t end = k + 1 < starts.size() ? starts[k + 1] : query_.size();
    if (!words.states(0, begin) || !words.states(end, query_.size())) continue;
    Evidence e;
    e.coverage = words.cover(*c.command, begin, end);
    e.keywordHeld = true;
    e.thingNamed = words.namesThing(*c.command, begin, end);
    e.operationStated = statesOperation(*c.command, e.coverage, form_.wish);
    // The clause must name what the command acts on ("声音小点"), not just
    // refuse or confirm something ("算了 不用了").
    if (e.coverage.explained < 2 || !holdsKeyword(*c.command, begin, end)) continue;
    for (const SimilarityHit& hit : snapshot_.index->search(query_.chars.substr(begin, end - begin), 0, {c.position})) {
      if (hit.command == c.position) e.similarity = hit.similarity;
    }
    e.phrasesQuestion = phrasesQuestion(c);
    e.speakerActs = speakerDoes(*c.command);
    e.reported = reports(begin, end);
    e.alternative = alternative;
    if (e.similarity < kClauseSimilarity || !admitLocalRun(c.command->risk, e, form_, strictness_).run) continue;
    const bool unique = std::none_of(d_.candidates.begin(), d_.candidates.end(), [&](const RouteCandidate& other) {
      if (other.command == c.command || other.command->target != CommandTarget::Local ||
          other.command->risk == RiskClass::None) {
        return false;
      }
      const Coverage rival = words.cover(*other.command, begin, end);
      return rival.directionExplained && rival.explained >= e.coverage.explained;
    });
    if (unique) return Clause{begin, end, e.coverage.share(), e.similarity};
  }
  return std::nullopt;
}

// Whether the command may serve the query, and at what confidence; the details
// (why it runs, or why not) are written only when `explain` asks for them.
QueryRouter::Verdict QueryRouter::judge(const RouteCandidate& c, bool explicitForm, bool explain, bool alternative,
                                        TextBuffer& detail) {
  Verdict v;
  detail.clear();
  weighed_ = nullptr;
  const Command& command = *c.command;
  const double threshold = snapshot_.config.localThreshold;
  setScores(&c, explicitForm);
  if (command.target != CommandTarget::Local) {
    v.serve = claims(c, explicitForm);
    v.target = command.target;
    v.confidence = explicitForm ? std::max(0.8, std::min(1.0, c.rank)) : std::min(1.0, c.rank);
    if (!v.serve) {
      detail.assign("too loose a match"sv);
    } else {
      detail.assign(command.target == CommandTarget::Llm ? "the command needs details that the LLM extracts"sv
                                                         : "small talk for the pet"sv);
    }
    return v;
  }
  // The generic opener or closer runs on a name only: "打开软件" names no app.
  if (takesAName(command) && c.slots.empty()) {
    if (explain) detail.assign("held back: the request does not say which app or site"sv);
    return v;
  }
  const bool belowThreshold = d_.scores.combined < threshold;
  Evidence evidence = belowThreshold ? Evidence{} : weigh(c, explicitForm);
  weighed_ = belowThreshold || explicitForm ? nullptr : &c;
  weighedShare_ = evidence.coverage.share();
  // A command weighed after the closest one was held back must explain all of
  // the query if it changes the machine: the ranking was already unsure.
  evidence.alternative = alternative;
  const GateDecision gate = belowThreshold ? GateDecision{false, "", true} : admit(c, evidence, true);
  if (!gate.run && evidence.stateOnly) complaint_ = true;
  if (!gate.run && gate.aboutCoverage && !explicitForm) {
    // One clause may be the request and the others what led to it ("电脑卡住了
    // 打开任务管理器").
    if (const auto clause = requestClause(c, alternative)) {
      v.serve = true;
      v.target = CommandTarget::Local;
      v.confidence = 0.5 * clause->share + 0.5 * std::min(1.0, clause->similarity);
      if (explain) {
        detail.append("the clause \""sv)
            .append(span(clause->begin, clause->end))
            .append("\" is the request, the rest says why: run locally"sv);
      }
      return v;
    }
  }
  if (belowThreshold) {
    if (explain) {
      detail.append("combined score "sv);
      appendFixed(detail, d_.scores.combined);
      detail.append(" < threshold "sv);
      appendFixed(detail, threshold);
    }
    return v;
  }
  if (!gate.run) {
    if (explain) {
      detail.append("held back ("sv).append(riskName(command.risk)).append("): "sv).append(gate.reason);
      if (gate.aboutCoverage) {
        detail.append(" (it "sv);
        explainCoverage(evidence, detail);
        detail.append(")"sv);
      }
      if (form_.question == QuestionKind::About) {
        detail.append(" (\""sv);
        detail.append(deskpet::toUtf8(form_.questionWords));
        detail.append("\")"sv);
      }
    }
    return v;
  }
  v.serve = true;
  v.target = CommandTarget::Local;
  v.confidence = evidence.explicitForm ? std::max(0.8, d_.scores.combined)
                                       : 0.5 * evidence.coverage.share() + 0.5 * std::min(1.0, evidence.similarity);
  detail.append("combined score "sv);
  appendFixed(detail, d_.scores.combined);
  detail.append(" >= threshold "sv);
  appendFixed(detail, threshold);
  detail.append(", "sv);
  explainCoverage(evidence, detail);
  detail.append(": run locally"sv);
  return v;
}

void QueryRouter::explainCoverage(const Evidence& evidence, TextBuffer& detail) const {
  detail.append("explains "sv);
  appendCount(detail, evidence.coverage.explained);
  detail.append(" of "sv);
  appendCount(detail, evidence.coverage.content);
  detail.append(" words' characters"sv);
}

// Whether a slot of the candidate holds what a better-ranked candidate (held
// back) explains: "关掉蓝牙功能" is about the Bluetooth command, not an app
// called 蓝牙功能 for the generic close command.
bool QueryRouter::slotsNameAHeldCommand(const RouteCandidate& c, std::size_t rank) const {
  if (c.pattern == nullptr) return false;
  for (const auto& [begin, end] : c.slotSpans) {
    const std::size_t name = end - kindSuffixLength(query_.chars, begin, end);
    for (std::size_t j = 0; j < rank; ++j) {
      const Command& held = *d_.candidates[j].command;
      // "把word关了": the Word opener knows "word" but not 关; closing it is
      // the generic close command's job.
      if (knowsDirections(held, *c.pattern) && covered().cover(held, begin, name).share() >= kNameExplained) {
        return true;
      }
    }
  }
  return false;
}

// Another local command that changes the machine, ranked about as high as the
// chosen one and explaining the request as well: two commands fit, and a wrong
// guess would change the machine ("把音乐停了": pause or stop?).
const RouteCandidate* QueryRouter::equallyFitting(const RouteCandidate& chosen) {
  const double share = weighed_ == &chosen ? weighedShare_ : weigh(chosen, false).coverage.share();
  for (std::size_t i = 1; i < std::min(d_.candidates.size(), kAlternatives); ++i) {
    const RouteCandidate& rival = d_.candidates[i];
    if (rival.command == chosen.command || rival.command->target != CommandTarget::Local ||
        rival.command->risk == RiskClass::None || rival.pattern != nullptr || rival.rank + kAmbiguity < chosen.rank) {
      continue;
    }
    Evidence evidence = weigh(rival, false);
    if (evidence.coverage.share() >= share && admit(rival, evidence, false).run) return &rival;
  }
  return nullptr;
}

// A command found by reading the form of the request, or nothing.
void QueryRouter::decideReading(const Reading& reading) {
  TextBuffer& text = space_.text;
  text.clear();
  text.append(reading.why).append("; "sv);
  appendMatch(text, reading.candidate);
  if (signals_.multiStep) {
    text.append("; several steps"sv);
    return fallBack(text, &reading.candidate);
  }
  TextBuffer& detail = space_.detail;
  const Verdict v = judge(reading.candidate, true, true, false, detail);
  text.append("; "sv).append(detail);
  if (v.serve) return choose(reading.candidate, v.target, v.confidence, {text});
  setScores(&reading.candidate, true);
  fallBack(text, &reading.candidate);
}

// The best-ranked command that may serve the query. When the closest one is held
// back, the next few are weighed in turn ("今天冷吗" is closest to tomorrow's
// weather, which does not know 今天, and served by today's); each must pass the
// same checks on its own.
void QueryRouter::decideByRank() {
  const RouteCandidate& first = d_.candidates.front();
  TextBuffer& text = space_.text;
  text.clear();
  if (signals_.multiStep) {
    setScores(&first, false);
    appendMatch(text, first);
    text.append("; several steps"sv);
    return fallBack(text, &first);
  }
  TextBuffer& detail = space_.detail;
  TextBuffer& firstHeld = space_.held;
  firstHeld.clear();
  const std::size_t count = std::min(d_.candidates.size(), kAlternatives);
  for (std::size_t i = 0; i < count; ++i) {
    const RouteCandidate& c = d_.candidates[i];
    if (!reportable(c)) break;
    if (i > 0 && slotsNameAHeldCommand(c, i)) break;
    // A complaint about the machine is no small talk ("声音有点大").
    if (i > 0 && complaint_ && c.command->target == CommandTarget::Chat) continue;
    const Verdict v = judge(c, false, i == 0, i > 0, detail);
    if (v.serve && v.target == CommandTarget::Local && c.command->risk != RiskClass::None && i == 0) {
      if (const RouteCandidate* rival = equallyFitting(c)) {
        setScores(&first, false);
        appendMatch(text, c);
        text.append("; \""sv).append(rival->command->name).append("\" fits the request as well: ambiguous"sv);
        return fallBack(text, &first);
      }
    }
    if (v.serve) {
      if (i == 0) {
        appendMatch(text, c);
      } else {
        appendMatch(text, first);
        text.append("; "sv).append(firstHeld).append("; next: "sv);
        appendMatch(text, c);
      }
      text.append("; "sv).append(detail);
      return choose(c, v.target, v.confidence, {text});
    }
    if (i == 0) firstHeld.swap(detail);
    // The slot of a generic pattern named this command: the generic one must not
    // take what it names for an app ("关掉蓝牙功能" is no app called 蓝牙功能).
    if (c.namedBySlot) break;
  }
  setScores(&first, false);
  appendMatch(text, first);
  text.append("; "sv).append(firstHeld);
  fallBack(text, &first);
}

void QueryRouter::answerNothing(std::string_view why) {
  setScores(nullptr, false);
  d_.target = CommandTarget::Chat;
  d_.confidence = 0.0;
  setReasoning({"nothing recognisable (", why, "): small talk for the pet, with no confidence"});
}

void QueryRouter::fillAction() {
  d_.hasPatternAction = d_.hasMatch;
  if (!d_.hasMatch) return;
  // Sized once for the action and the slots that add a member to it.
  const ActionFields& action = d_.best.command->action;
  d_.patternAction.reserve(action.size() + d_.best.slots.size());
  d_.patternAction.assign(action.begin(), action.end());
  for (const auto& [name, value] : d_.best.slots) {
    auto same = std::find_if(d_.patternAction.begin(), d_.patternAction.end(),
                             [&name = name](const auto& field) { return field.first == name; });
    if (same != d_.patternAction.end()) {
      same->second = value;
    } else {
      d_.patternAction.emplace_back(name, value);
    }
  }
}

void QueryRouter::route() {
  if (!hasWordCharacter(query_.chars)) {
    answerNothing(query_.size() == 0 ? "empty text" : "no letters, digits or words");
    return;
  }
  if (allowCompound_ && form_.correctedFrom != 0) {
    // The speaker corrected themselves: what follows the correction is the request.
    const std::string rest = cut(form_.correctedFrom, query_.size());
    QueryRouter(snapshot_, rest, false, strictness_, d_).route();
    d_.reasoning = "a self-correction: \"" + rest + "\" replaces what came before; " + d_.reasoning;
    return;
  }
  rankCandidates(snapshot_, query_, spoken_.empty() ? query_.chars : spoken_, raw_, !signals_.multiStep, d_.candidates);
  if (!hasScriptCharacter(query_.chars) && closest() == nullptr) {
    answerNothing("no word that any command knows");
    return;
  }
  std::optional<Reading> reading;
  if (!signals_.multiStep) reading = readCompound();
  if (!reading && !signals_.multiStep) reading = readMedia();
  if (!reading && !signals_.multiStep) reading = readOpen();
  if (reading && reading->candidate.command == nullptr) {
    setScores(closest(), false);
    fallBack(reading->why, nullptr);
  } else if (reading) {
    decideReading(*reading);
  } else if (closest() != nullptr) {
    decideByRank();
  } else {
    setScores(nullptr, false);
    fallBack("no similar command", nullptr);
  }
  fillAction();
}

}  // namespace

RouteDecision routeQuery(const CorpusSnapshot& snapshot, std::string_view query, int strictness) {
  RouteDecision decision;
  routeQueryInto(snapshot, query, decision, strictness);
  return decision;
}

void routeQueryInto(const CorpusSnapshot& snapshot, std::string_view query, RouteDecision& decision, int strictness) {
  // A fresh decision, with the space its candidates, reasoning and action
  // took in an earlier route: every member set as RouteDecision{} sets it,
  // the containers emptied in place.
  decision.target = CommandTarget::Chat;
  decision.confidence = 0.0;
  decision.reasoning.clear();
  decision.scores = RouteScores{};
  decision.hasMatch = false;
  SlotValues slots = std::move(decision.best.slots);  // the chosen command's, copied into this space
  slots.clear();
  decision.best = RouteCandidate{};
  decision.best.slots = std::move(slots);
  decision.hasPatternAction = false;
  decision.patternAction.clear();
  decision.candidates.clear();
  QueryRouter(snapshot, query, true, strictnessLevel(strictness), decision).route();
}

}  // namespace norvik
