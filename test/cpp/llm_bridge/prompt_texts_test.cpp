#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "prompt_texts.h"

namespace {

using namespace llm_bridge::prompts;

constexpr std::string_view FullWidthColon = "\xef\xbc\x9a";  // ：

bool endsWith(std::string_view text, std::string_view tail) {
  return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

TEST(PromptTexts, PiecesHaveTheirExactByteLengths) {
  EXPECT_EQ(CommandPromptHead.size(), 103u);
  EXPECT_EQ(AgentCue.size(), 11u);
  EXPECT_EQ(MusicSlotPromptHead.size(), 148u);
  EXPECT_EQ(VideoPlaySlotPromptHead.size(), 157u);
  EXPECT_EQ(VideoSearchSlotPromptHead.size(), 157u);
  EXPECT_EQ(SingerCue.size(), 20u);
  EXPECT_EQ(ActorCue.size(), 20u);
  EXPECT_EQ(PersonaPromptHead.size(), 145u);
}

TEST(PromptTexts, UserTurnsEndInTheFullWidthColonAndCuesUseTheAsciiColon) {
  const std::string userTurn = std::string("\n用户") + std::string(FullWidthColon);
  for (std::string_view head : {CommandPromptHead, MusicSlotPromptHead, VideoPlaySlotPromptHead,
                                VideoSearchSlotPromptHead, PersonaPromptHead}) {
    EXPECT_TRUE(endsWith(head, userTurn)) << head;
  }
  EXPECT_EQ(AgentCue, "\n\xe6\x99\xba\xe8\x83\xbd\xe4\xbd\x93:");
  EXPECT_EQ(SingerCue.substr(0, AgentCue.size()), AgentCue);
  EXPECT_EQ(ActorCue.substr(0, AgentCue.size()), AgentCue);
}

TEST(PromptTexts, VideoHeadsDifferOnlyInTheirVerb) {
  std::string search(VideoSearchSlotPromptHead);
  const std::string verb = "搜索视频";
  const size_t at = search.find(verb);
  ASSERT_NE(at, std::string::npos);
  search.replace(at, verb.size(), "播放视频");
  EXPECT_EQ(search, VideoPlaySlotPromptHead);
}

TEST(PromptTexts, CommandPhrasesAndConfirmationToken) {
  EXPECT_EQ(MusicCommandShort.size(), 18u);
  EXPECT_EQ(MusicCommand.size(), 24u);
  EXPECT_EQ(VideoPlayCommand.size(), 24u);
  EXPECT_EQ(VideoSearchCommand.size(), 24u);
  EXPECT_EQ(MusicOrVideoCommand.size(), 33u);
  EXPECT_EQ(ConfirmMusicOrVideo, "[CONFIRM:MUSIC_OR_VIDEO]");
}

}  // namespace
