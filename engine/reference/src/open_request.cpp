#include "open_request.h"

#include <string_view>

#include "text_scan.h"

namespace norvik {

namespace {

const WordTable kLeads = {U"请",   U"帮我", U"给我", U"麻烦你", U"麻烦", U"你帮我", U"替我",
                          U"我要", U"我想", U"帮忙", U"快",     U"赶紧", U"再",     U"能不能"};
const WordTable kVerbs = {U"打开", U"启动", U"运行", U"开启", U"进入",   U"访问", U"登录",
                          U"登陆", U"开",   U"上",   U"去",   U"进一下", U"进"};
// Verbs that follow the name ("微信打开一下").
const WordTable kVerbsAfterName = {U"打开", U"启动", U"开启", U"运行", U"打开一下", U"启动一下", U"开一下"};
// Words between the verb and the name.
const WordTable kFillers = {U"一下", U"一个", U"个", U"下", U"那个", U"这个", U"一会儿", U"会儿", U"一会"};
// Words after the name.
const WordTable kTails = {U"吧",     U"啊",     U"呀",   U"哦",     U"嘛",     U"呢",   U"啦",     U"好吗",
                          U"可以吗", U"行吗",   U"谢谢", U"一下",   U"给我",   U"软件", U"应用",   U"app",
                          U"程序",   U"客户端", U"看看", U"电脑版", U"桌面版", U"pc版", U"专业版", U"最新版"};
// Nouns ending in 吧, which is then no particle: 贴吧, 网吧…
const WordTable kNounsWith吧 = {U"贴吧", U"酒吧", U"网吧", U"书吧", U"水吧", U"吧台"};
const WordTable kSiteTails = {U"网站", U"官网", U"网页版", U"网页",   U"主页",  U"首页",
                              U"网址", U"页面", U"网页端", U"在线版", U"web版", U"web端"};
// Words for a site before its name ("打开网址github").
const WordTable kSiteLeads = {U"网址", U"网站", U"网页"};
// 开 followed by these is another word: 开会, 开车, 开心, 开始 …
constexpr std::u32string_view kNotOpenAfter =
    U"会车心始学玩门关机发展工业口水花饭刀药票窗除放通户价销胃朗张端头局场幕拓采导动课庭战枪火荒辟创着了到过完好得的";

using namespace std::string_view_literals;

bool looksLikeAddress(std::u32string_view name) {
  if (name.find(U"www"sv) != std::u32string_view::npos || name.find(U"http"sv) != std::u32string_view::npos) {
    return true;
  }
  for (const std::u32string_view end : {U"com"sv, U"cn"sv, U"net"sv, U"org"sv}) {
    if (name.size() > end.size() + 1 && name.substr(name.size() - end.size()) == end) return true;
  }
  return false;
}

// 开 opens something only after a polite lead or before 一下 / 个, and never
// where it starts another word (开会, 开个玩笑).
bool openReadsAName(const std::u32string& query, std::size_t begin, std::size_t filler, bool polite) {
  if (!polite && filler == 0) return false;
  const std::size_t name = begin + filler;
  if (name >= query.size()) return false;
  const bool quickLook = std::u32string_view(query).substr(begin, 2) == U"一下"sv;
  return quickLook || kNotOpenAfter.find(query[name]) == std::u32string_view::npos;
}

// The name between `begin` and the trailing particles before `end`, with what
// it says about being a site.
std::optional<OpenRequest> nameBetween(const std::u32string& query, std::size_t begin, std::size_t end) {
  for (int round = 0; round < 3 && end > begin + 1; ++round) {
    const std::size_t n = wordBefore(std::u32string_view(query).substr(0, end), end, kTails);
    if (n == 0 || end - n <= begin || wordBefore(query, end, kNounsWith吧) != 0) break;
    end -= n;
  }
  if (end <= begin) return std::nullopt;
  OpenRequest request{begin, end, false, false};
  const std::u32string_view name = std::u32string_view(query).substr(begin, end - begin);
  if (const std::size_t n = wordAt(name, 0, kSiteLeads); n > 0 && n + 2 <= name.size()) {
    request.nameBegin += n;
    request.website = request.siteWord = true;
  } else if (const std::size_t n = wordBefore(name, name.size(), kSiteTails); n > 0 && n < name.size()) {
    request.nameEnd -= n;
    request.website = request.siteWord = true;
  } else if (name.size() >= 2 && name.back() == U'网') {
    request.website = true;
  } else if (looksLikeAddress(name)) {
    request.website = request.siteWord = true;
  }
  return request;
}

std::size_t skipLeads(const std::u32string& query, bool& polite) {
  std::size_t pos = 0;
  for (int round = 0; round < 2; ++round) {
    const std::size_t n = wordAt(query, pos, kLeads);
    if (n == 0) break;
    pos += n;
    polite = true;
  }
  return pos;
}

// "把微信打开", "微信打开一下": the name first, the verb at the end.
std::optional<OpenRequest> readNameFirst(const std::u32string& query, std::size_t pos) {
  std::size_t end = query.size();
  for (int round = 0; round < 2 && end > pos; ++round) end -= wordBefore(query, end, kTails);
  const std::size_t verb = wordBefore(query, end, kVerbsAfterName);
  if (verb == 0) return std::nullopt;
  const bool handle = pos < query.size() && query[pos] == U'把';
  const std::size_t begin = pos + (handle ? 1 : 0);
  if (end - verb <= begin) return std::nullopt;
  return nameBetween(query, begin, end - verb);
}

}  // namespace

std::size_t siteWordLength(const std::u32string& name) {
  return wordBefore(name, name.size(), kSiteTails);
}

std::optional<OpenRequest> readOpenRequest(const std::u32string& query) {
  bool polite = false;
  const std::size_t pos = skipLeads(query, polite);
  const std::size_t verbLength = wordAt(query, pos, kVerbs);
  if (verbLength == 0) return readNameFirst(query, pos);
  const std::u32string_view verb = std::u32string_view(query).substr(pos, verbLength);
  std::size_t begin = pos + verbLength;
  const std::size_t filler = wordAt(query, begin, kFillers);
  if (verb == U"开"sv && !openReadsAName(query, begin, filler, polite)) return std::nullopt;
  const bool referred = filler == 2 && (query[begin] == U'这' || query[begin] == U'那');
  begin += filler;
  auto request = nameBetween(query, begin, query.size());
  if (request) request->referred = referred;
  if (request && (verb == U"上"sv || verb == U"去"sv || verb == U"进"sv) && !request->website) return std::nullopt;
  // One visits a site ("访问github").
  if (request && verb == U"访问"sv) request->website = true;
  return request;
}

}  // namespace norvik
