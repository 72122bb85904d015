// The form of a request, read from its words alone: a question about something
// (how to, why, what it means, what it is for, what to do), a question that a
// query command may answer (…吗, 是不是, 怎么样, 多少), a polite request phrased
// as a question (能不能帮我…, …好吗), and negations (别, 不要…). Only a command
// whose own words carry the question may answer a question about something,
// and a machine-changing command never runs on a question or against a
// negation it does not spell out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace norvik {

enum class QuestionKind {
  None,
  About,   // wants an answer about a thing: 怎么关机, 微信是干啥的, 皮肤病怎么办
  Asking,  // yes/no or state: 明天会下雨吗, 天气怎么样, 电量还有多少
};

struct QueryForm {
  QuestionKind question = QuestionKind::None;
  std::u32string questionWords;  // the words that make it a question ("怎么关", "是干啥的", "吗")
  std::size_t questionAt = 0;    // where they start in the normalised query
  bool wish = false;             // 要, 想, 用 or 需: the speaker wants something ("我需要计算器")
  bool politeRequest = false;    // 帮我, 请, 能不能…, …好吗: a request, even when phrased as a question
  std::vector<std::size_t> negations;  // positions of negation characters (别, 不, 没…)
  // Where the request's clauses start when spaces or punctuation between Chinese
  // words separate several ("电脑卡住了 打开任务管理器"); empty for one clause.
  std::vector<std::size_t> clauseStarts;
  // Where a verb whose subject is the speaker starts ("我要睡觉了" → 睡): what
  // the user says they do, which the pet is not asked to do.
  std::vector<std::size_t> speakerVerbs;
  // Where words stand that report what happens or happened rather than ask for
  // it: 已经, 刚才, 突然, 自己, 老是… ("电脑刚才自己重启了"), and the final 了 of a
  // statement about the machine or the speaker ("电脑要关机了", "我关机了").
  std::vector<std::size_t> reports;
  // Where a pair of characters starts that says how something is rather than
  // how it should be: a word of direction after a word of degree ("声音有点大",
  // "屏幕太暗了") or before 了 ("声音大了"); the user wants the opposite.
  std::vector<std::size_t> states;
  // Where the request starts again after a self-correction ("打开微信 不对 打开QQ"
  // → the position of the second 打开), or 0 when the speaker corrects nothing.
  std::size_t correctedFrom = 0;
};

const char* questionName(QuestionKind kind);

// `raw` is the query as given (a question mark counts), `text` its normalised characters.
QueryForm readQueryForm(std::string_view raw, const std::u32string& text);

// Adds the clauses of the normalised query `text`, whose characters came from
// raw[byteBegin[i], byteEnd[i]).
void readClauses(const std::u32string& text, const std::vector<uint32_t>& byteBegin,
                 const std::vector<uint32_t>& byteEnd, QueryForm& form);

}  // namespace norvik
