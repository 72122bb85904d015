#include "query_form.h"

#include <algorithm>

#include "text_scan.h"

namespace norvik {

namespace {

// Questions about a thing, whatever follows them.
const WordTable kAboutWords = {U"为什么",   U"为啥",     U"为何",     U"凭什么",   U"什么意思", U"啥意思",
                               U"是什么",   U"是啥",     U"什么是",   U"干啥的",   U"干什么的", U"干嘛的",
                               U"做什么的", U"有什么用", U"有啥用",   U"什么用",   U"是谁",     U"谁是",
                               U"怎么办",   U"咋办",     U"怎么回事", U"什么原因", U"啥原因"};
// Words that ask how; followed by a verb they ask how to do it ("怎么关机"),
// followed by 样 they ask how something is ("天气怎么样").
const WordTable kHowWords = {U"怎么", U"怎样", U"如何", U"咋"};
// Questions a query command may answer.
const WordTable kAskingWords = {U"是不是",   U"有没有", U"会不会", U"要不要", U"对不对", U"多少", U"几点",   U"几号",
                                U"什么时候", U"在哪",   U"放哪",   U"哪里",   U"哪儿",   U"哪",   U"怎么样", U"怎样",
                                U"咋样",     U"多久",   U"多高",   U"多远",   U"多大",   U"多长", U"几个",   U"几岁"};
const WordTable kPoliteLeads = {U"请",     U"帮我",   U"帮忙",     U"麻烦", U"给我",   U"替我", U"你能",
                                U"你可以", U"能不能", U"可不可以", U"能否", U"可以帮", U"能帮", U"可以给"};
const WordTable kPoliteTails = {U"好吗", U"好不好", U"可以吗", U"行吗", U"行不行", U"谢谢", U"好么", U"可以不"};
// Phrases with 不 that ask rather than negate.
const WordTable kNotNegations = {U"能不能", U"可不可以", U"好不好", U"行不行", U"是不是", U"要不要",
                                 U"会不会", U"对不对",   U"有没有", U"可以不", U"不错"};
const CharacterSet kNegationSet(U"别不没甭勿");
// Words of direction, and characters that make one so ("调大", "开大点").
const CharacterSet kStateSet(U"大小高低亮暗响");
const CharacterSet kMakingSet(U"调开关放弄搞加减降提拉变");
// Characters of a wish: 要, 想, 用 or 需.
const CharacterSet kWishSet(U"要想用需");
// Words that report what happens or happened.
const WordTable kReportWords = {U"已经",   U"突然", U"自己", U"老是", U"总是",
                                U"动不动", U"居然", U"竟然", U"经常", U"莫名"};
// 刚才 reports only in a statement of what happened; "取消刚才的倒计时" refers.
const WordTable kJustNow = {U"刚才", U"刚刚"};

// Every character that starts a word or is a character that the passes over
// the query below look for.
const CharacterSet kFormCharacters = [] {
  std::u32string characters = U"别不没甭勿我大小高低亮暗响要想用需";
  for (const WordTable* words :
       {&kAboutWords, &kHowWords, &kAskingWords, &kPoliteLeads, &kNotNegations, &kReportWords, &kJustNow}) {
    characters += words->firstCharacters();
  }
  return CharacterSet(characters);
}();

// The positions of a query that hold one of kFormCharacters: the passes over
// the query visit only these, as at the others they find nothing (most
// characters of a request are none of them). A query of over 64 characters
// has every position visited.
class FormPositions {
 public:
  explicit FormPositions(const std::u32string& text) : size_(text.size()) {
    if (size_ > 64) {
      bits_ = ~uint64_t{0};
      return;
    }
    for (std::size_t i = 0; i < size_; ++i) {
      if (kFormCharacters.contains(text[i])) bits_ |= uint64_t{1} << i;
    }
  }

  // The first position to visit at or after `pos`, or the query's size.
  std::size_t from(std::size_t pos) const {
    if (pos >= 64) return std::min(pos, size_);
    const uint64_t rest = bits_ & (~uint64_t{0} << pos);
    return rest == 0 ? size_ : static_cast<std::size_t>(__builtin_ctzll(rest));
  }

 private:
  std::size_t size_;
  uint64_t bits_ = 0;
};

// Whether the literal `word` stands in `text` at `pos` (a test made inline,
// its length known when compiled).
template <std::size_t N>
bool wordAtIs(const std::u32string& text, std::size_t pos, const char32_t (&word)[N]) {
  constexpr std::size_t length = N - 1;
  if (pos > text.size() || text.size() - pos < length) return false;
  for (std::size_t i = 0; i < length; ++i) {
    if (text[pos + i] != word[i]) return false;
  }
  return true;
}

bool endsWithQuestionParticle(const std::u32string& text) {
  return !text.empty() && (text.back() == U'吗' || text.back() == U'么' || text.back() == U'呢');
}

bool isNotOrNever(char32_t c) {
  return c == U'不' || c == U'没';
}

// The length of an A-not-A question around the 不 or 没 at `pos` ("冷不冷",
// "下不下雨", "有没有", "喜欢不喜欢", "可不可以"), or 0: the way Chinese asks yes or
// no without a question word.
std::size_t aNotALength(const std::u32string& text, std::size_t pos) {
  if (pos == 0 || pos + 1 >= text.size() || !isNotOrNever(text[pos])) return 0;
  if (text[pos - 1] == text[pos + 1]) return 3;
  if (pos >= 2 && pos + 2 < text.size() && text[pos - 2] == text[pos + 1] && text[pos - 1] == text[pos + 2]) return 5;
  return 0;
}

// A yes/no question asked at the end: "…下雨不", "…下雨了没", "…到了没有".
std::size_t finalNotLength(const std::u32string& text) {
  if (text.size() >= 4 && wordAtIs(text, text.size() - 2, U"没有")) return 2;
  if (text.size() >= 3 && isNotOrNever(text.back()) && text[text.size() - 2] != U'也' &&
      text[text.size() - 2] != U'都' && text[text.size() - 2] != U'还') {
    return 1;
  }
  return 0;
}

// Reads 怎么 / 如何 … at `pos`; returns the question's words and its kind.
QuestionKind readHow(const std::u32string& text, std::size_t pos, std::size_t length, std::u32string& words) {
  const std::size_t next = pos + length;
  if (next >= text.size() || text[next] == U'样' || text[next] == U'了' || text[next] == U'啦') {
    words = text.substr(pos, std::min(text.size(), next + 1) - pos);
    return QuestionKind::Asking;
  }
  words = text.substr(pos, length + 1);
  return QuestionKind::About;
}

void readQuestion(std::string_view raw, const std::u32string& text, const FormPositions& at, QueryForm& form) {
  for (std::size_t pos = at.from(0); pos < text.size(); pos = at.from(pos + 1)) {
    if (const std::size_t n = wordAt(text, pos, kAboutWords)) {
      form.question = QuestionKind::About;
      form.questionWords = text.substr(pos, n);
      form.questionAt = pos;
      return;
    }
  }
  for (std::size_t pos = at.from(0); pos < text.size(); pos = at.from(pos + 1)) {
    if (const std::size_t n = wordAt(text, pos, kAskingWords)) {
      form.question = QuestionKind::Asking;
      form.questionWords = text.substr(pos, n);
      form.questionAt = pos;
      // "怎么样" is a state question, but 怎么 before a verb asks how to do something.
      if (!wordAtIs(text, pos, U"怎样") && !wordAtIs(text, pos, U"怎么样")) return;
    }
    if (const std::size_t n = wordAt(text, pos, kHowWords)) {
      std::u32string words;
      const QuestionKind kind = readHow(text, pos, n, words);
      if (kind == QuestionKind::About || form.question == QuestionKind::None) {
        form.question = kind;
        form.questionWords = std::move(words);
        form.questionAt = pos;
      }
      if (kind == QuestionKind::About) return;
    }
  }
  if (form.question != QuestionKind::None) return;
  for (std::size_t pos = at.from(1); pos + 1 < text.size(); pos = at.from(pos + 1)) {
    if (const std::size_t n = aNotALength(text, pos)) {
      form.question = QuestionKind::Asking;
      form.questionAt = n == 3 ? pos - 1 : pos - 2;
      form.questionWords = text.substr(form.questionAt, n);
      return;
    }
  }
  if (const std::size_t n = finalNotLength(text); n != 0 && !form.politeRequest) {
    form.question = QuestionKind::Asking;
    form.questionAt = text.size() - n;
    form.questionWords = text.substr(form.questionAt, n);
    return;
  }
  const bool questionMark =
      raw.find('?') != std::string_view::npos || raw.find("\xEF\xBC\x9F") != std::string_view::npos;
  if (endsWithQuestionParticle(text) && !form.politeRequest) {
    form.question = QuestionKind::Asking;
    form.questionWords = text.substr(text.size() - 1);
    form.questionAt = text.size() - 1;
  } else if (questionMark && !form.politeRequest) {
    form.question = QuestionKind::Asking;
  }
}

void readPoliteness(const std::u32string& text, const FormPositions& at, QueryForm& form) {
  const std::size_t lead = std::min<std::size_t>(text.size(), 4);
  for (std::size_t pos = at.from(0); pos < lead; pos = at.from(pos + 1)) {
    if (wordAt(text, pos, kPoliteLeads) != 0) form.politeRequest = true;
  }
  std::u32string_view rest(text);
  // A trailing 吗 after a polite lead is part of the request ("你能打开微信吗").
  if (form.politeRequest && !rest.empty() && rest.back() == U'吗') rest.remove_suffix(1);
  // "…好吗" asks politely; "…不好吗" asks whether something is bad.
  const std::size_t tail = wordBefore(rest, rest.size(), kPoliteTails);
  if (tail != 0 && !(tail < rest.size() && rest[rest.size() - tail - 1] == U'不')) form.politeRequest = true;
}

void readNegations(const std::u32string& text, const FormPositions& at, QueryForm& form) {
  const std::size_t finalNot = finalNotLength(text);
  std::size_t skipTo = 0;
  for (std::size_t pos = at.from(0); pos < text.size(); pos = at.from(pos + 1)) {
    if (pos < skipTo) continue;
    if (const std::size_t n = wordAt(text, pos, kNotNegations)) {
      skipTo = pos + n;
      continue;
    }
    if (!kNegationSet.contains(text[pos])) continue;
    // 不 and 没 that ask ("冷不冷", "下雨没有") negate nothing.
    if (aNotALength(text, pos) != 0 || (text.size() - pos <= 2 && finalNot == text.size() - pos)) continue;
    form.negations.push_back(pos);
  }
}

// "打开记事本 哦不 计算器": the speaker takes back what came before. 不是 corrects
// only after an interjection or at the start of a clause ("这不是我要的" does not).
void readCorrection(const std::u32string& text, QueryForm& form) {
  static const WordTable kMarkers = {U"不对",   U"哦不",   U"啊不", U"呃不", U"嗯不",
                                     U"说错了", U"我是说", U"不不", U"错了"};
  static constexpr std::u32string_view kAfter = U"是对了不";
  for (std::size_t pos = text.size(); pos-- > 2;) {
    std::size_t n = wordAt(text, pos, kMarkers);
    if (n == 0 && wordAtIs(text, pos, U"不是") &&
        std::find(form.clauseStarts.begin(), form.clauseStarts.end(), pos) != form.clauseStarts.end()) {
      n = 2;
    }
    if (n == 0) continue;
    std::size_t rest = pos + n;
    while (rest < text.size() && kAfter.find(text[rest]) != std::u32string_view::npos) ++rest;
    // What follows must be a request of its own, not a particle ("答案不对吧").
    if (rest + 2 <= text.size()) form.correctedFrom = rest;
    return;
  }
}

// 我 as the subject: not the object of a verb or a preposition before it
// ("给我", "陪我", "让我"), followed by words of will, time or manner and then
// the verb.
void readSpeakerVerbs(const std::u32string& text, const FormPositions& at, QueryForm& form) {
  static constexpr std::u32string_view kTakesObject = U"给帮陪跟和让叫替对被带教告逗哄抱喊请找";
  static constexpr std::u32string_view kBeforeVerb = U"们要想也先去得还准备就会该都又再马上这就";
  for (std::size_t pos = at.from(0); pos < text.size(); pos = at.from(pos + 1)) {
    if (text[pos] != U'我' || (pos > 0 && kTakesObject.find(text[pos - 1]) != std::u32string_view::npos)) continue;
    std::size_t verb = pos + 1;
    while (verb < text.size() && kBeforeVerb.find(text[verb]) != std::u32string_view::npos) ++verb;
    if (verb < text.size() && text[verb] != U'你') form.speakerVerbs.push_back(verb);
  }
}

// Words that report what happens or happened ("电脑刚才自己重启了", "屏幕老是变暗"),
// and a statement that ends in 了 without asking: something about to happen
// ("电脑要关机了", "快没电了") or what the speaker did ("我关机了"). A request that
// ends in 了 asks through its form: 把…了, 帮我…了, …就行了.
void readReports(const std::u32string& text, const FormPositions& at, QueryForm& form) {
  static const WordTable kAsking = {U"把", U"帮", U"给我", U"请", U"让", U"麻烦", U"替我"};
  static const WordTable kDoneTails = {U"就行了", U"就好了", U"可以了", U"行了", U"好了", U"算了", U"得了"};
  const bool endsDone = text.size() >= 3 && (text.back() == U'了' || text.back() == U'啦');
  for (std::size_t pos = at.from(0); pos < text.size(); pos = at.from(pos + 1)) {
    if (wordAt(text, pos, kReportWords) != 0 || (endsDone && wordAt(text, pos, kJustNow) != 0)) {
      form.reports.push_back(pos);
    }
  }
  // "我开了静音": what the speaker did.
  for (const std::size_t verb : form.speakerVerbs) {
    if (verb + 1 < text.size() && (text[verb + 1] == U'了' || (verb + 2 < text.size() && text[verb + 2] == U'了'))) {
      form.reports.push_back(verb);
    }
  }
  if (!endsDone || form.politeRequest) return;
  if (containsAny(text, kAsking) || wordBefore(text, text.size(), kDoneTails) != 0) return;
  bool imminent = false;
  for (std::size_t pos = 0; pos + 1 < text.size(); ++pos) {
    const char32_t c = text[pos];
    // "不要关机了", "闹钟不需要了": a negated wish, not something about to happen.
    const bool negated =
        (pos > 0 && (text[pos - 1] == U'不' || text[pos - 1] == U'别')) || (pos > 1 && text[pos - 2] == U'不');
    if (c == U'要' && !negated) imminent = true;
    if (c == U'快' && text[pos + 1] != U'点' && text[pos + 1] != U'些' && (pos == 0 || text[pos - 1] != U'赶')) {
      imminent = true;
    }
  }
  const bool speaker = !form.speakerVerbs.empty();
  if (imminent || speaker) form.reports.push_back(text.size() - 1);
}

// A word of direction after a word of degree, or before 了 with no verb that
// makes it so, says how something is: "声音有点大" and "声音大了" want it lower,
// "屏幕太暗了" brighter; "声音调大了" and "开大点" ask.
void readStates(const std::u32string& text, const FormPositions& at, QueryForm& form) {
  static const WordTable kDegrees = {U"太",   U"有点", U"有些", U"好", U"很", U"挺", U"特别",
                                     U"这么", U"那么", U"超",   U"过", U"偏", U"真"};
  for (std::size_t pos = at.from(1); pos < text.size(); pos = at.from(pos + 1)) {
    if (!kStateSet.contains(text[pos])) continue;
    const bool degree = wordBefore(std::u32string_view(text).substr(0, pos), pos, kDegrees) != 0;
    // "别响了" asks to stop.
    const bool become = pos + 1 < text.size() && text[pos + 1] == U'了' && !kMakingSet.contains(text[pos - 1]) &&
                        !kNegationSet.contains(text[pos - 1]);
    if (degree) form.states.push_back(pos - 1);
    if (become) form.states.push_back(pos);
  }
}

}  // namespace

const char* questionName(QuestionKind kind) {
  switch (kind) {
    case QuestionKind::About:
      return "a question about it";
    case QuestionKind::Asking:
      return "a question";
    case QuestionKind::None:
      break;
  }
  return "a request";
}

QueryForm readQueryForm(std::string_view raw, const std::u32string& text) {
  QueryForm form;
  const FormPositions at(text);
  readPoliteness(text, at, form);
  readQuestion(raw, text, at, form);
  // A polite request phrased as a yes/no question is a request ("能不能帮我关一下灯").
  if (form.politeRequest && form.question == QuestionKind::Asking) {
    const bool politePhrase = form.questionWords.empty() || form.questionWords == U"吗" ||
                              containsAny(text, {U"能不能", U"可不可以", U"好不好", U"行不行"});
    if (politePhrase) {
      form.question = QuestionKind::None;
      form.questionWords.clear();
    }
  }
  readNegations(text, at, form);
  readSpeakerVerbs(text, at, form);
  readReports(text, at, form);
  readStates(text, at, form);
  for (std::size_t pos = at.from(0); pos < text.size() && !form.wish; pos = at.from(pos + 1)) {
    form.wish = kWishSet.contains(text[pos]);
  }
  return form;
}

void readClauses(const std::u32string& text, const std::vector<uint32_t>& byteBegin,
                 const std::vector<uint32_t>& byteEnd, QueryForm& form) {
  form.clauseStarts.clear();
  for (std::size_t i = 1; i < text.size(); ++i) {
    // Something was dropped between two Chinese words: a space or a mark.
    if (byteEnd[i - 1] < byteBegin[i] && isHan(text[i - 1]) && isHan(text[i])) {
      if (form.clauseStarts.empty()) form.clauseStarts.push_back(0);
      form.clauseStarts.push_back(i);
    }
  }
  readCorrection(text, form);
}

}  // namespace norvik
