#include "media_request.h"

#include <iterator>

#include "text_scan.h"

namespace norvik {

namespace {

// Politeness and wishes before the verb.
const WordTable kLeads = {U"请",     U"帮我", U"给我", U"麻烦你", U"麻烦", U"你给我", U"替我", U"我想", U"我要",
                          U"我还想", U"想",   U"要",   U"再",     U"就",   U"能不能", U"可以", U"帮忙"};

struct MediaVerb {
  std::u32string_view word;
  MediaKind kind;
};

const MediaVerb kVerbs[] = {
    {U"来一首", MediaKind::Music},  {U"来首", MediaKind::Music},     {U"放一首", MediaKind::Music},
    {U"放首", MediaKind::Music},    {U"听一首", MediaKind::Music},   {U"听首", MediaKind::Music},
    {U"点一首", MediaKind::Music},  {U"放歌", MediaKind::Music},     {U"听歌", MediaKind::Music},
    {U"听", MediaKind::Music},      {U"收听", MediaKind::Spoken},    {U"播报", MediaKind::Spoken},
    {U"看", MediaKind::Video},      {U"收看", MediaKind::Video},     {U"观看", MediaKind::Video},
    {U"播放", MediaKind::Either},   {U"播", MediaKind::Either},      {U"放", MediaKind::Either},
    {U"点播", MediaKind::Either},   {U"切换到", MediaKind::Channel}, {U"切到", MediaKind::Channel},
    {U"换到", MediaKind::Channel},  {U"转到", MediaKind::Channel},   {U"调到", MediaKind::Channel},
    {U"来一段", MediaKind::Either}, {U"来点", MediaKind::Either},    {U"来个", MediaKind::Either},
    {U"来段", MediaKind::Either},   {U"来一集", MediaKind::Video},
};

// A verb followed by one of these is another word: 放大, 看见, 听说, 播出…
const WordTable kNotMediaAfter = {U"大", U"小", U"松", U"假", U"心",   U"弃", U"下",   U"在",   U"到", U"学", U"过",
                                  U"着", U"出", U"进", U"开", U"慢",   U"快", U"回",   U"见",   U"来", U"起", U"懂",
                                  U"完", U"清", U"不", U"病", U"医",   U"说", U"话",   U"力",   U"错", U"了", U"得",
                                  U"上", U"成", U"对", U"法", U"一看", U"好", U"中了", U"中的", U"课", U"门"};

// Measure words and fillers between the verb and the title.
const WordTable kMeasures = {U"一首", U"一曲", U"一部", U"一集",   U"一个", U"一下", U"一段", U"一点",
                             U"一些", U"几首", U"那首", U"这首",   U"首",   U"部",   U"个",   U"下",
                             U"点",   U"看",   U"听",   U"一下子", U"会",   U"会儿", U"一会"};

// Particles after the title.
const WordTable kTails = {U"吧",     U"啊",     U"呀",     U"哦",   U"嘛",   U"呢",     U"啦",    U"呗",
                          U"好吗",   U"可以吗", U"行吗",   U"谢谢", U"听听", U"看看",   U"一下",  U"给我听",
                          U"给我看", U"来听听", U"来看看", U"来听", U"来看", U"听一下", U"看一下"};

// Words that name no particular title ("放首好听的歌", "看个视频"). A genre
// (轻音乐, 儿歌, 老歌) names what to look for: it is for the media commands.
const WordTable kGenericWords = {U"歌曲", U"歌",   U"音乐", U"曲子", U"电影",   U"电视剧", U"电视",   U"视频",
                                 U"节目", U"综艺", U"片子", U"大片", U"好听的", U"好听",   U"好看的", U"随便",
                                 U"什么", U"点",   U"一些", U"些",   U"几首",   U"首",     U"个",     U"的"};

// Stories, jokes and poems are for the chat pipeline.
const WordTable kChatWords = {U"故事", U"笑话", U"段子", U"诗", U"谜语", U"绕口令", U"脑筋急转弯"};

const WordTable kSpokenWords = {U"新闻",   U"广播", U"电台", U"fm",   U"调频",   U"评书", U"相声", U"小说",
                                U"有声书", U"听书", U"播客", U"头条", U"快讯",   U"早报", U"晚报", U"资讯",
                                U"小品",   U"戏曲", U"京剧", U"越剧", U"黄梅戏", U"豫剧", U"昆曲", U"天气预报"};
const WordTable kChannelWords = {U"卫视",   U"频道",   U"电视台", U"cctv",   U"央视",   U"中央台",
                                 U"中央一", U"中央二", U"中央三", U"中央四", U"中央五", U"中央六",
                                 U"中央七", U"中央八", U"中央九", U"中央十", U"台直播", U"直播间"};

// Whether the title is made only of generic words.
bool isGeneric(std::u32string_view title) {
  for (std::size_t pos = 0; pos < title.size();) {
    const std::size_t n = wordAt(title, pos, kGenericWords);
    if (n == 0) return false;
    pos += n;
  }
  return true;
}

std::size_t skipLeads(const std::u32string& query) {
  std::size_t pos = 0;
  for (int round = 0; round < 3; ++round) {
    const std::size_t n = wordAt(query, pos, kLeads);
    if (n == 0) break;
    pos += n;
  }
  return pos;
}

// The verbs' words, indexed for the look-up at the start of every query.
const WordTable kVerbWords = [] {
  std::u32string_view words[std::size(kVerbs)];
  for (std::size_t i = 0; i < std::size(kVerbs); ++i) words[i] = kVerbs[i].word;
  return WordTable(words, words + std::size(kVerbs));
}();

// The longest media verb at `pos`, or nothing.
const MediaVerb* verbAt(const std::u32string& query, std::size_t pos) {
  const std::size_t length = kVerbWords.longestAt(query, pos);
  if (length == 0) return nullptr;
  const std::u32string_view word = std::u32string_view(query).substr(pos, length);
  for (const MediaVerb& verb : kVerbs) {
    if (verb.word == word) return &verb;
  }
  return nullptr;
}

}  // namespace

const char* mediaKindName(MediaKind kind) {
  switch (kind) {
    case MediaKind::Music:
      return "music";
    case MediaKind::Video:
      return "video";
    case MediaKind::Spoken:
      return "a spoken programme";
    case MediaKind::Channel:
      return "a TV channel";
    case MediaKind::Either:
      break;
  }
  return "music or video";
}

std::optional<MediaKind> programmeKind(std::u32string_view words) {
  // "湖南台", "东方台": a channel named by its station.
  const bool station = words.size() >= 3 && words.back() == U'台';
  if (station || containsAny(words, kChannelWords)) return MediaKind::Channel;
  if (containsAny(words, kSpokenWords)) return MediaKind::Spoken;
  return std::nullopt;
}

bool isBroadcast(std::u32string_view words) {
  static const WordTable kBroadcast = {U"广播", U"电台", U"调频", U"之声"};
  if (containsAny(words, kBroadcast)) return true;
  const std::size_t fm = words.find(std::u32string_view(U"fm"));
  return fm != std::u32string_view::npos && fm + 2 < words.size() && words[fm + 2] >= U'0' && words[fm + 2] <= U'9';
}

std::optional<MediaRequest> readMediaRequest(const std::u32string& query) {
  const std::size_t pos = skipLeads(query);
  const MediaVerb* verb = verbAt(query, pos);
  if (verb == nullptr) return std::nullopt;
  std::size_t begin = pos + verb->word.size();
  if (verb->word.size() == 1 && wordAt(query, begin, kNotMediaAfter) != 0) return std::nullopt;
  MediaKind kind = verb->kind;
  for (int round = 0; round < 2; ++round) {
    const std::size_t n = wordAt(query, begin, kMeasures);
    // "播放一首…" asks for a song.
    if (n > 0 && kind == MediaKind::Either && query[begin + n - 1] == U'首') kind = MediaKind::Music;
    begin += n;
  }
  std::size_t end = query.size();
  for (int round = 0; round < 2 && end > begin; ++round) end -= wordBefore(query, end, kTails);
  if (end <= begin) return std::nullopt;
  const std::u32string_view title = std::u32string_view(query).substr(begin, end - begin);
  if (containsAny(title, kChatWords) || isGeneric(title)) return std::nullopt;
  MediaRequest request{kind, begin, end};
  if (const auto programme = programmeKind(title)) {
    request.kind = *programme;
  } else if (verb->kind == MediaKind::Channel || verb->kind == MediaKind::Spoken) {
    return std::nullopt;  // "切换到深色模式", "调到50": no channel named
  }
  return request;
}

}  // namespace norvik
