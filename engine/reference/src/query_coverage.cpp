#include "query_coverage.h"

#include <algorithm>
#include <bitset>
#include <utility>

#include "text_normalizer.h"
#include "text_scan.h"

namespace norvik {

namespace {

// Words that carry no meaning of their own in a request.
const WordTable kFillers = {U"请",     U"帮我", U"帮忙", U"麻烦你", U"麻烦",   U"给我",     U"替我", U"我想", U"我要",
                            U"我需要", U"一下", U"一点", U"点儿",   U"一些",   U"吧",       U"啊",   U"呀",   U"哦",
                            U"嘛",     U"呢",   U"啦",   U"哈",     U"了",     U"的",       U"把",   U"好吗", U"可以吗",
                            U"行吗",   U"谢谢", U"这个", U"那个",   U"快点",   U"赶紧",     U"马上", U"看看", U"你",
                            U"我",     U"吗",   U"个",   U"呗",     U"嗯",     U"呃",       U"就是", U"给",   U"一段",
                            U"一张",   U"一支", U"一次", U"功能",   U"能不能", U"可不可以", U"可以", U"能",   U"稍微",
                            U"有点",   U"程序", U"软件", U"客户端", U"再",     U"先",       U"就行", U"就好", U"就可以",
                            U"就够了", U"立刻", U"立即", U"赶快",   U"一个",   U"帮"};

// Words whose characters say no direction although some of them would alone
// (早上, 当前, 下班, 一下…).
const WordTable kNotDirections = {U"早上", U"晚上", U"上午", U"下午", U"中午",  U"马上", U"上班", U"下班", U"网上",
                                  U"线上", U"上网", U"下载", U"一下", U"下来",  U"上来", U"起来", U"大家", U"大概",
                                  U"高铁", U"小时", U"多大", U"高兴", U"开心",  U"当前", U"以前", U"前面", U"后面",
                                  U"以后", U"之后", U"然后", U"最后", U"大小",  U"上面", U"下面", U"加油", U"小爱",
                                  U"小度", U"设备", U"关于", U"开会", U"上一下"};

// After a verb, 下 and 上 only complete it ("开下" is "开一下", "锁上" locks).
bool completesVerb(const std::u32string& query, std::size_t i) {
  static constexpr std::u32string_view kBefore下 = U"开关看查搜听设调清截录锁停放";
  static constexpr std::u32string_view kBefore上 = U"锁关连合盖贴";
  // "听下一首": 下 starts 下一首, it completes nothing.
  if (i == 0 || (i + 1 < query.size() && query[i + 1] == U'一')) return false;
  if (query[i] == U'下') return kBefore下.find(query[i - 1]) != std::u32string_view::npos;
  if (query[i] == U'上') return kBefore上.find(query[i - 1]) != std::u32string_view::npos;
  return false;
}

constexpr std::u32string_view kNegations = U"不别没甭勿";

// Verbs of action besides the words of direction (开, 关, 设, 调高…): what a
// request asks to be done.
constexpr std::u32string_view kActions = U"放播搜查找换切发调拍叫提定打运";
// …and verbs that ask for something to hear, see or have ("来首歌", "听歌").
constexpr std::u32string_view kWishes = U"听看唱来进";

// The sets of characters tested on every character of a query, made when the
// library loads (as the word tables above) so that the tests can be inlined.
const CharacterSet kActionSet(kActions);
const CharacterSet kWishSet(kWishes);
// 今 and 明 too: today's weather is not tomorrow's.
const CharacterSet kDirections(U"开关启停退取消删除设定增减加降高低大小亮暗上下前后静连断锁解清录截暂继今明");

bool isAction(char32_t folded) {
  return kActionSet.contains(folded);
}

bool isWish(char32_t folded) {
  return kWishSet.contains(folded);
}

// Numerals are folded together so that "调到三十" knows "调到五十", and so are
// words of the same meaning: "音量低一点" is "音量小一点", "关掉" is "关闭",
// "启动" opens like "打开", "设成" adjusts like "调成", "下一曲" is "下一首".
const CharacterMap kFolds = {
    {U'一', U'0'},  {U'七', U'0'},  {U'万', U'0'},  {U'三', U'0'},  {U'两', U'0'},  {U'九', U'0'},  {U'二', U'0'},
    {U'五', U'0'},  {U'八', U'0'},  {U'六', U'0'},  {U'减', U'小'}, {U'加', U'大'}, {U'十', U'0'},  {U'千', U'0'},
    {U'升', U'大'}, {U'四', U'0'},  {U'增', U'大'}, {U'提', U'大'}, {U'百', U'0'},  {U'降', U'小'}, {U'零', U'0'},
    {U'高', U'大'}, {U'低', U'小'}, {U'掉', U'闭'}, {U'启', U'开'}, {U'设', U'调'}, {U'改', U'调'}, {U'曲', U'首'},
    {U'集', U'首'}, {U'瞧', U'看'}, {U'瞅', U'看'}};

char32_t fold(char32_t c) {
  if (c >= U'0' && c <= U'9') return U'0';
  if (c < 0x4E00) return c;
  return kFolds(c);
}

// A character's bit in a 64-bit set of characters: a set without it does not hold it.
uint64_t characterBit(char32_t c) {
  return uint64_t{1} << (c & 63);
}

uint64_t pairKey(char32_t a, char32_t b) {
  return (static_cast<uint64_t>(a) << 32) | static_cast<uint64_t>(b);
}

void addPairs(const std::u32string& text, std::vector<uint64_t>& pairs) {
  for (std::size_t i = 0; i + 1 < text.size(); ++i) pairs.push_back(pairKey(fold(text[i]), fold(text[i + 1])));
}

// `a` and `b` folded.
bool knowsFolded(const Command& command, char32_t a, char32_t b) {
  return std::binary_search(command.knownPairs.begin(), command.knownPairs.end(), pairKey(a, b));
}

// Marks the positions of the listed words (`mark` true) or clears them.
void markWords(const std::u32string& text, const WordTable& words, std::vector<uint8_t>& flags, uint8_t mark) {
  for (std::size_t pos = 0; pos < text.size();) {
    const std::size_t n = words.longestAt(text, pos);
    if (n == 0) {
      ++pos;
      continue;
    }
    std::fill(flags.begin() + static_cast<long>(pos), flags.begin() + static_cast<long>(pos + n), mark);
    pos += n;
  }
}

}  // namespace

void CoveredQuery::reset(const std::u32string& query, const std::vector<std::size_t>& negations) {
  const std::size_t size = query.size();
  filler_.assign(size, 0);
  direction_.resize(size);
  negations_.assign(negations.begin(), negations.end());
  // Written in place: the strings are sized once, not grown a character at a time.
  folded_.resize(size);
  char32_t* const folded = folded_.data();
  for (std::size_t i = 0; i < size; ++i) folded[i] = fold(query[i]);
  markWords(query, kFillers, filler_, 1);
  uint8_t* const filler = filler_.data();
  uint8_t* const direction = direction_.data();
  for (std::size_t i = 0; i < size; ++i) {
    const char32_t c = query[i];
    direction[i] = isDirectionCharacter(c) && !completesVerb(query, i);
    // "大声点", "调亮些": 点 and 些 after a word of direction are "a little".
    if ((c == U'点' || c == U'些') && i > 0 && direction[i - 1]) filler[i] = 1;
    // "记事本儿": 儿 that ends a word adds no meaning.
    if (c == U'儿' && i > 0 && isHan(query[i - 1]) && (i + 1 == size || filler[i + 1])) filler[i] = 1;
  }
  markWords(query, kNotDirections, direction_, 0);
  query_ = &query;
  contentRead_ = false;
  foldedContent_.resize(size);
  std::size_t kept = 0;
  uint64_t bits = 0;
  for (std::size_t i = 0; i < size; ++i) {
    if (filler[i]) continue;
    foldedContent_[kept++] = folded[i];
    bits |= characterBit(folded[i]);
  }
  foldedContent_.resize(kept);
  foldedContentBits_ = bits;
}

const std::u32string& CoveredQuery::content() const {
  if (!contentRead_) {
    content_.resize(filler_.size());
    std::size_t kept = 0;
    for (std::size_t i = 0; i < filler_.size(); ++i) {
      if (!filler_[i]) content_[kept++] = (*query_)[i];
    }
    content_.resize(kept);
    contentRead_ = true;
  }
  return content_;
}

// The first meaningful character that the negation at `n` applies to: past
// fillers, further negations and words of will or ability (不要, 别再, 不想, 不用…).
std::size_t CoveredQuery::negatedWord(std::size_t n, std::size_t end) const {
  static constexpr std::u32string_view kModal = U"要想用能会需必得再让敢肯";
  std::size_t i = n + 1;
  while (i < end && (filler_[i] || kModal.find(folded_[i]) != std::u32string_view::npos ||
                     kNegations.find(folded_[i]) != std::u32string_view::npos)) {
    ++i;
  }
  return i;
}

bool CoveredQuery::namesThing(const Command& command, std::size_t begin, std::size_t end) const {
  if (command.thingWords.empty()) return true;
  end = std::min(end, folded_.size());
  // The whole query's meaningful characters are folded once, in reset.
  const bool whole = begin == 0 && end == folded_.size();
  std::u32string& stretch = stretch_;
  uint64_t held = foldedContentBits_;
  if (!whole) {
    stretch.clear();
    held = 0;
    for (std::size_t i = begin; i < end; ++i) {
      if (filler_[i]) continue;
      stretch.push_back(folded_[i]);
      held |= characterBit(folded_[i]);
    }
  }
  const std::u32string& content = whole ? foldedContent_ : stretch;
  // A word whose first character is not in the text is not searched for.
  return std::any_of(command.thingWords.begin(), command.thingWords.end(), [&](const std::u32string& word) {
    return word.empty() || ((held & characterBit(word.front())) != 0 && content.find(word) != std::u32string::npos);
  });
}

bool CoveredQuery::states(std::size_t begin, std::size_t end) const {
  std::size_t negatedUpTo = begin;  // past the word a negation takes back
  for (std::size_t i = begin; i < end && i < folded_.size(); ++i) {
    if (std::find(negations_.begin(), negations_.end(), i) != negations_.end()) {
      negatedUpTo = std::max(negatedUpTo, negatedWord(i, end) + 2);
      continue;
    }
    if (i < negatedUpTo || filler_[i]) continue;
    if (direction_[i] || isAction(folded_[i])) return false;
  }
  return true;
}

Coverage CoveredQuery::cover(const Command& command, std::size_t begin, std::size_t end,
                             const std::vector<uint8_t>& given) const {
  Coverage coverage;
  if (end > folded_.size() || begin >= end || end - begin > kMaxCoveredQueryLength) {
    coverage.content = std::max<std::size_t>(1, end > begin ? end - begin : 1);
    coverage.negationExplained = negations_.empty();
    coverage.directionExplained = false;
    return coverage;
  }
  // Adjacency skips the fillers between meaningful characters, so "开一下扣扣"
  // is "开扣扣" to a command that knows "打开扣扣".
  std::bitset<kMaxCoveredQueryLength> explainedAt;
  std::size_t previous = end;  // the meaningful character before, if any
  std::size_t pending = end;   // a meaningful character not yet explained by its next neighbour
  bool explainedWithPrevious = false;
  const auto settle = [&](std::size_t i, bool explained) {
    ++coverage.content;
    // A word of direction that the command uses elsewhere is its own, in
    // whatever order the request puts it ("蓝牙关了" for "关闭蓝牙", "亮度低点"
    // for "调低亮度").
    const bool ownDirection = !explained && (direction_[i] || isAction(folded_[i]) || isWish(folded_[i])) &&
                              knowsCharacter(command, folded_[i]);
    if (explained || ownDirection) {
      ++coverage.explained;
      explainedAt.set(i - begin);
      if (direction_[i] || isAction(folded_[i])) coverage.operationExplained = true;
      if (isWish(folded_[i])) coverage.wishExplained = true;
      return;
    }
    if (direction_[i]) coverage.directionExplained = false;
  };
  for (std::size_t i = begin; i < end; ++i) {
    if (filler_[i]) continue;
    const bool captured = !given.empty() && given[i];
    const bool withPrevious = previous != end && knowsFolded(command, folded_[previous], folded_[i]);
    if (pending != end) settle(pending, explainedWithPrevious || withPrevious);
    pending = i;
    explainedWithPrevious = captured || withPrevious;
    previous = i;
  }
  if (pending != end) settle(pending, explainedWithPrevious);
  // A negation that the command does not explain is about the command when
  // the word it negates is the command's ("不要关机", "别给我截图"): the command
  // runs against it only if its own words negate too ("别关电脑" for the
  // command that knows "不要关机"). A negation of something else ("这首不好听")
  // leaves the command alone; its words are simply not explained.
  for (const std::size_t n : negations_) {
    if (n < begin || n >= end) continue;
    const std::size_t target = negatedWord(n, end);
    if (target < end && explainedAt.test(target - begin)) {
      // The command's words must negate the same word ("不要关机" knows 要关,
      // "别关电脑" 别关), not just hold a negation elsewhere ("不要出声" is no
      // reading of "不要静音").
      coverage.negationExplained = knowsFolded(command, folded_[n], folded_[target]) ||
                                   knowsFolded(command, folded_[target - 1], folded_[target]);
      break;
    }
  }
  return coverage;
}

std::vector<std::u32string> collectThingWords(const Command& command) {
  std::vector<std::u32string> words;
  // The text folded and without fillers, when it says more than a direction or
  // an action.
  const auto addWord = [&words](const std::u32string& text) {
    std::vector<uint8_t> filler(text.size(), 0);
    markWords(text, kFillers, filler, 1);
    std::u32string word;
    bool thing = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
      if (filler[i]) continue;
      word.push_back(fold(text[i]));
      thing = thing || !isVerbCharacter(text[i]);
    }
    if (thing) words.push_back(std::move(word));
  };
  // Each stretch of `least` characters or more that says no direction or
  // action ("把屏幕锁上" → 屏幕, "退出桌宠" → 桌宠, "开灯" → 灯).
  const auto addStretches = [&words](const std::u32string& text, std::size_t least) {
    std::vector<uint8_t> filler(text.size(), 0);
    markWords(text, kFillers, filler, 1);
    std::u32string run;
    const auto endRun = [&] {
      if (run.size() >= least) words.push_back(run);
      run.clear();
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
      if (filler[i]) continue;
      if (isVerbCharacter(text[i])) {
        endRun();
      } else {
        run.push_back(fold(text[i]));
      }
    }
    endRun();
  };
  const std::u32string name = normalizeChars(command.name);
  addWord(name);
  addStretches(name, 1);
  for (const std::u32string& keyword : command.normalizedKeywords) {
    addWord(keyword);
    // "护眼模式" is also said "护眼".
    if (keyword.size() >= 4 && keyword.compare(keyword.size() - 2, 2, U"模式") == 0) {
      addWord(keyword.substr(0, keyword.size() - 2));
    }
  }
  // A command whose name and keywords say only what it does (暂停播放: pause
  // whatever plays) acts on no thing of its own.
  if (words.empty()) return words;
  for (const std::string& example : command.examples) addStretches(normalizeChars(example), 2);
  std::sort(words.begin(), words.end());
  words.erase(std::unique(words.begin(), words.end()), words.end());
  return words;
}

std::vector<uint64_t> collectKnownPairs(const Command& command) {
  std::vector<uint64_t> pairs;
  // Each text with and without its fillers: a query's fillers are skipped too
  // ("换个皮肤吧" is "换皮肤" to the command that knows "换个皮肤").
  const auto addText = [&pairs](const std::string& text) {
    const std::u32string chars = normalizeChars(text);
    addPairs(chars, pairs);
    std::vector<uint8_t> filler(chars.size(), 0);
    markWords(chars, kFillers, filler, 1);
    std::u32string content;
    for (std::size_t i = 0; i < chars.size(); ++i) {
      if (!filler[i]) content.push_back(chars[i]);
    }
    if (content.size() != chars.size()) addPairs(content, pairs);
  };
  addText(command.name);
  for (const std::string& example : command.examples) addText(example);
  for (const std::u32string& keyword : command.normalizedKeywords) addPairs(keyword, pairs);
  std::sort(pairs.begin(), pairs.end());
  pairs.erase(std::unique(pairs.begin(), pairs.end()), pairs.end());
  pairs.shrink_to_fit();
  return pairs;
}

bool knowsWords(const Command& command, const std::u32string& words) {
  if (words.size() == 1) return knowsCharacter(command, words.front());
  for (std::size_t i = 0; i + 1 < words.size(); ++i) {
    if (!knowsFolded(command, fold(words[i]), fold(words[i + 1]))) return false;
  }
  return words.size() >= 2;
}

bool knowsCharacter(const Command& command, char32_t c) {
  const uint64_t folded = fold(c);
  return std::any_of(command.knownPairs.begin(), command.knownPairs.end(),
                     [folded](uint64_t pair) { return (pair >> 32) == folded || (pair & 0xFFFFFFFFu) == folded; });
}

Operation namedOperation(const std::string& name) {
  static constexpr std::u32string_view kOpenings = U"开启设定";
  const std::u32string chars = normalizeChars(name);
  Operation named = Operation::None;
  for (std::size_t pos = 0; pos < chars.size();) {
    if (const std::size_t n = kNotDirections.longestAt(chars, pos)) {
      pos += n;
      continue;
    }
    // Opening, starting, setting: what a wish for the thing asks for ("我需要计算器").
    if (isDirectionCharacter(chars[pos])) {
      if (kOpenings.find(chars[pos]) == std::u32string_view::npos) return Operation::Direction;
      named = Operation::Opening;
    } else if (isAction(fold(chars[pos])) && named == Operation::None) {
      named = Operation::Action;
    }
    ++pos;
  }
  return named;
}

bool statesOperation(const Command& command, const Coverage& coverage, bool wish) {
  switch (command.operation) {
    case Operation::None:
      return true;
    case Operation::Opening:
      return coverage.operationExplained || coverage.wishExplained || wish;
    case Operation::Action:
      return coverage.operationExplained || coverage.wishExplained;
    case Operation::Direction:
      break;
  }
  return coverage.operationExplained;
}

bool isDirectionCharacter(char32_t c) {
  return kDirections.contains(c);
}

bool isVerbCharacter(char32_t c) {
  // Verbs that are no word of direction or action of their own: 停止, 继续, 关闭, 退出.
  static const CharacterSet kOtherVerbs(U"止续闭出");
  const char32_t folded = fold(c);
  return isDirectionCharacter(c) || isAction(folded) || isWish(folded) || kOtherVerbs.contains(c);
}

bool knowsDirections(const Command& command, const Pattern& pattern) {
  for (const PatternSegment& segment : pattern.segments) {
    const std::u32string& literal = segment.literal;
    for (std::size_t pos = 0; pos < literal.size();) {
      if (const std::size_t n = kNotDirections.longestAt(literal, pos)) {
        pos += n;
        continue;
      }
      if (isDirectionCharacter(literal[pos]) && !knowsCharacter(command, literal[pos])) return false;
      ++pos;
    }
  }
  return true;
}

}  // namespace norvik
