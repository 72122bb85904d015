#include "query_signals.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <string_view>
#include <vector>

#include "text_scan.h"

namespace norvik {

namespace {

// Words that join several steps into one request.
constexpr std::u32string_view kConnectiveWords[] = {U"然后", U"并且", U"而且", U"接着",   U"同时", U"顺便",
                                                    U"另外", U"再帮", U"再把", U"再打开", U"再关", U"如果",
                                                    U"因为", U"所以", U"但是", U"不过",   U"或者"};

// Question words and particles.
constexpr std::u32string_view kQuestionMarkers[] = {U"为什么", U"怎么", U"什么", U"如何", U"是不是", U"有没有",
                                                    U"吗",     U"呢",   U"哪",   U"谁",   U"多少",   U"几"};

// Small talk: feelings, opinions, the pet itself.
constexpr std::u32string_view kChatMarkers[] = {
    U"你觉得", U"你喜欢", U"你是谁", U"你叫", U"聊",     U"讲个", U"讲一个", U"说个",   U"故事", U"笑话",
    U"心情",   U"无聊",   U"陪我",   U"谢谢", U"你好",   U"晚安", U"早安",   U"早上好", U"难过", U"开心",
    U"伤心",   U"累了",   U"想你",   U"爱你", U"哈哈",   U"嗯",   U"人生",   U"意义",   U"你会", U"你能",
    U"可爱",   U"厉害",   U"再见",   U"拜拜", U"喜欢我", U"朋友", U"孤独",   U"烦"};

// Request verbs that ask the computer to act.
constexpr std::u32string_view kRequestVerbs[] = {
    U"打开", U"关闭", U"关掉", U"启动", U"运行", U"退出", U"设置", U"设个",   U"调",   U"帮我", U"给我",
    U"播放", U"放一", U"搜索", U"搜一", U"查",   U"找",   U"开启", U"开一下", U"切换", U"提醒", U"定个",
    U"截",   U"锁",   U"重启", U"关机", U"静音", U"暂停", U"下载", U"发送",   U"发给", U"发个", U"发一",
    U"翻译", U"新建", U"删除", U"清空", U"安装", U"卸载", U"连接", U"断开",   U"把"};

// The four lists in one table, counted in one pass over the query, in these
// groups.
enum Group { kConnective, kQuestion, kChat, kRequest, kGroups };
constexpr std::size_t kGroupEnds[kGroups] = {
    std::size(kConnectiveWords), std::size(kConnectiveWords) + std::size(kQuestionMarkers),
    std::size(kConnectiveWords) + std::size(kQuestionMarkers) + std::size(kChatMarkers),
    std::size(kConnectiveWords) + std::size(kQuestionMarkers) + std::size(kChatMarkers) + std::size(kRequestVerbs)};

const WordTable kSignalWords = [] {
  std::vector<std::u32string_view> words;
  words.insert(words.end(), std::begin(kConnectiveWords), std::end(kConnectiveWords));
  words.insert(words.end(), std::begin(kQuestionMarkers), std::end(kQuestionMarkers));
  words.insert(words.end(), std::begin(kChatMarkers), std::end(kChatMarkers));
  words.insert(words.end(), std::begin(kRequestVerbs), std::end(kRequestVerbs));
  return WordTable(words.data(), words.data() + words.size());
}();

const WordTable kConnectives(std::begin(kConnectiveWords), std::end(kConnectiveWords));

// What the punctuation of the query as given says: how many marks break it
// into clauses (",", ";", "，", "；", "。", "、") and whether it has a question
// mark ("?" or "？"). One pass over the bytes.
struct Punctuation {
  std::size_t clauseBreaks = 0;
  bool questionMark = false;
};

// The bytes that start a mark of Punctuation: one test for every other byte.
constexpr std::array<bool, 256> kMarkStarts = [] {
  std::array<bool, 256> starts{};
  for (const unsigned char byte : {',', ';', '?', '\xEF', '\xE3'}) starts[byte] = true;
  return starts;
}();

// Whether any of the eight bytes of `word` is ASCII, E3 or EF: a word of
// Chinese text (lead bytes E4 to E9 and continuation bytes) is none of them,
// and is passed over at once.
bool mayStartMark(uint64_t word) {
  constexpr uint64_t kOnes = 0x0101010101010101ull;
  constexpr uint64_t kHigh = 0x8080808080808080ull;
  const auto hasZeroByte = [](uint64_t v) { return ((v - kOnes) & ~v & kHigh) != 0; };
  return (word & kHigh) != kHigh || hasZeroByte(word ^ (0xE3 * kOnes)) || hasZeroByte(word ^ (0xEF * kOnes));
}

Punctuation readPunctuation(std::string_view raw) {
  Punctuation marks;
  const std::size_t size = raw.size();
  const auto readMarkAt = [&](std::size_t pos) {
    const auto byte = static_cast<unsigned char>(raw[pos]);
    if (!kMarkStarts[byte]) return;
    if (byte == ',' || byte == ';') {
      ++marks.clauseBreaks;
    } else if (byte == '?') {
      marks.questionMark = true;
    } else if (size - pos >= 3) {
      const auto second = static_cast<unsigned char>(raw[pos + 1]);
      const auto third = static_cast<unsigned char>(raw[pos + 2]);
      if (byte == 0xEF && second == 0xBC) {
        if (third == 0x8C || third == 0x9B) ++marks.clauseBreaks;  // ， ；
        if (third == 0x9F) marks.questionMark = true;              // ？
      } else if (byte == 0xE3 && second == 0x80 && (third == 0x82 || third == 0x81)) {
        ++marks.clauseBreaks;  // 。 、
      }
    }
  };
  // Eight bytes at a time, each byte of the words that may hold a mark; then
  // the last few bytes one by one.
  std::size_t pos = 0;
  for (; size - pos >= 8; pos += 8) {
    uint64_t word = 0;
    std::memcpy(&word, raw.data() + pos, sizeof word);
    if (!mayStartMark(word)) continue;
    for (std::size_t i = pos; i < pos + 8; ++i) readMarkAt(i);
  }
  for (; pos < size; ++pos) readMarkAt(pos);
  return marks;
}

}  // namespace

QuerySignals readQuerySignals(std::string_view raw, const std::u32string& normalized) {
  QuerySignals signals;
  const double length = static_cast<double>(normalized.size());
  std::size_t counts[kGroups];
  kSignalWords.countGroupsIn(normalized, kGroupEnds, counts);
  // A joining word that starts the request continues what went before ("接着放"):
  // it joins nothing.
  std::size_t connectives = counts[kConnective];
  if (connectives > 0 && kConnectives.longestAt(normalized, 0) != 0) --connectives;
  const Punctuation marks = readPunctuation(raw);
  const std::size_t clauseBreaks = marks.clauseBreaks;
  signals.multiStep = connectives > 0;
  const double lengthPart = std::clamp((length - 8.0) / 30.0, 0.0, 1.0) * 0.5;
  signals.complexity = std::clamp(lengthPart + 0.3 * static_cast<double>(std::min<std::size_t>(connectives, 2)) +
                                      0.1 * static_cast<double>(std::min<std::size_t>(clauseBreaks, 3)),
                                  0.0, 1.0);

  const std::size_t questions = counts[kQuestion] + (marks.questionMark ? 1 : 0);
  const std::size_t chat = counts[kChat];
  signals.openEnded = std::clamp(0.25 * static_cast<double>(std::min<std::size_t>(questions, 2)) +
                                     0.4 * static_cast<double>(std::min<std::size_t>(chat, 2)),
                                 0.0, 1.0);
  signals.imperative = counts[kRequest] > 0;
  return signals;
}

}  // namespace norvik
