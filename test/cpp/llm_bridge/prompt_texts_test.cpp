#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "prompt_pipelines.h"

namespace {

using namespace llm_bridge::prompts;

constexpr std::string_view kFullWidthColon = "\xef\xbc\x9a";  // ：

bool endsWith(std::string_view text, std::string_view tail) {
  return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

TEST(PromptTexts, PiecesHaveTheirExactByteLengths) {
  EXPECT_EQ(kCommandPromptHead.size(), 103u);
  EXPECT_EQ(kAgentCue.size(), 11u);
  EXPECT_EQ(kMusicSlotPromptHead.size(), 148u);
  EXPECT_EQ(kVideoPlaySlotPromptHead.size(), 157u);
  EXPECT_EQ(kVideoSearchSlotPromptHead.size(), 157u);
  EXPECT_EQ(kSingerCue.size(), 20u);
  EXPECT_EQ(kActorCue.size(), 20u);
  EXPECT_EQ(kPersonaPromptHead.size(), 145u);
}

TEST(PromptTexts, UserTurnsEndInTheFullWidthColonAndCuesUseTheAsciiColon) {
  const std::string userTurn = std::string("\n用户") + std::string(kFullWidthColon);
  for (std::string_view head : {kCommandPromptHead, kMusicSlotPromptHead, kVideoPlaySlotPromptHead,
                                kVideoSearchSlotPromptHead, kPersonaPromptHead}) {
    EXPECT_TRUE(endsWith(head, userTurn)) << head;
  }
  EXPECT_EQ(kAgentCue, "\n\xe6\x99\xba\xe8\x83\xbd\xe4\xbd\x93:");
  EXPECT_EQ(kSingerCue.substr(0, kAgentCue.size()), kAgentCue);
  EXPECT_EQ(kActorCue.substr(0, kAgentCue.size()), kAgentCue);
}

TEST(PromptTexts, VideoHeadsDifferOnlyInTheirVerb) {
  std::string search(kVideoSearchSlotPromptHead);
  const std::string verb = "搜索视频";
  const size_t at = search.find(verb);
  ASSERT_NE(at, std::string::npos);
  search.replace(at, verb.size(), "播放视频");
  EXPECT_EQ(search, kVideoPlaySlotPromptHead);
}

TEST(PromptTexts, CommandPhrasesAndConfirmationToken) {
  EXPECT_EQ(kMusicCommandShort.size(), 18u);
  EXPECT_EQ(kMusicCommand.size(), 24u);
  EXPECT_EQ(kVideoPlayCommand.size(), 24u);
  EXPECT_EQ(kVideoSearchCommand.size(), 24u);
  EXPECT_EQ(kMusicOrVideoCommand.size(), 33u);
  EXPECT_EQ(kConfirmMusicOrVideo, "[CONFIRM:MUSIC_OR_VIDEO]");
}

}  // namespace
