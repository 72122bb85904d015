#include "prompt_pipelines.h"

namespace llm_bridge {

namespace {

struct SlotPrompt {
  std::string_view head;
  std::string_view cue;
};

SlotPrompt slotPrompt(MediaSlotKind kind) {
  switch (kind) {
    case MediaSlotKind::kMusic:
      return {prompts::kMusicSlotPromptHead, prompts::kSingerCue};
    case MediaSlotKind::kVideoPlay:
      return {prompts::kVideoPlaySlotPromptHead, prompts::kActorCue};
    case MediaSlotKind::kVideoSearch:
      break;
  }
  return {prompts::kVideoSearchSlotPromptHead, prompts::kActorCue};
}

std::string concatenate(std::string_view head, const std::string& user, std::string_view cue) {
  std::string prompt;
  prompt.reserve(head.size() + user.size() + cue.size());
  prompt.append(head).append(user).append(cue);
  return prompt;
}

// What the command pipeline does for a recognised command name.
enum class CommandAction { kSlots, kConfirm, kPassThrough };

struct CommandPhrase {
  std::string_view reply;  // the whole trimmed first reply
  CommandAction action;
  MediaSlotKind kind;  // for CommandAction::kSlots
};

// Tested in this order; the first whole-string byte match decides.
constexpr CommandPhrase kCommandPhrases[] = {
    {prompts::kMusicCommandShort, CommandAction::kSlots, MediaSlotKind::kMusic},
    {prompts::kMusicCommand, CommandAction::kSlots, MediaSlotKind::kMusic},
    {prompts::kVideoPlayCommand, CommandAction::kSlots, MediaSlotKind::kVideoPlay},
    {prompts::kVideoSearchCommand, CommandAction::kSlots, MediaSlotKind::kVideoSearch},
    {prompts::kMusicOrVideoCommand, CommandAction::kConfirm, MediaSlotKind::kMusic},
};

CommandPhrase chooseAction(const std::string& trimmedReply) {
  for (const CommandPhrase& phrase : kCommandPhrases) {
    if (trimmedReply == phrase.reply) return phrase;
  }
  return {trimmedReply, CommandAction::kPassThrough, MediaSlotKind::kMusic};
}

// The "C" locale's isspace set, tested on the unsigned byte value so the result
// does not depend on the process locale.
bool isAsciiWhitespace(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte == ' ' || (byte >= '\t' && byte <= '\r');
}

}  // namespace

void trimWhitespace(std::string& text) {
  std::string::size_type end = text.size();
  while (end > 0 && isAsciiWhitespace(text[end - 1])) --end;
  std::string::size_type begin = 0;
  while (begin < end && isAsciiWhitespace(text[begin])) ++begin;
  text.erase(end);
  text.erase(0, begin);
}

std::string extractMediaSlots(ov::genai::LLMPipeline& pipeline, const std::string& userPrompt, MediaSlotKind kind) {
  const SlotPrompt slot = slotPrompt(kind);
  return generateText(pipeline, concatenate(slot.head, userPrompt, slot.cue), kCommandSettings);
}

std::string selectCommand(ov::genai::LLMPipeline& pipeline, const std::string& userPrompt) {
  std::string firstReply = generateText(
      pipeline, concatenate(prompts::kCommandPromptHead, userPrompt, prompts::kAgentCue), kCommandSettings);

  // Only the comparison sees the trimmed reply; an unmatched reply goes back as
  // the model produced it.
  std::string trimmed = firstReply;
  trimWhitespace(trimmed);
  const CommandPhrase choice = chooseAction(trimmed);
  switch (choice.action) {
    case CommandAction::kSlots:
      return extractMediaSlots(pipeline, userPrompt, choice.kind);
    case CommandAction::kConfirm:
      return std::string(prompts::kConfirmMusicOrVideo);
    case CommandAction::kPassThrough:
      break;
  }
  return firstReply;
}

std::string extractMediaRequest(ov::genai::LLMPipeline& pipeline, const std::string& userPrompt,
                                const std::string& mediaType) {
  if (mediaType == "music") return extractMediaSlots(pipeline, userPrompt, MediaSlotKind::kMusic);
  if (mediaType == "video") return extractMediaSlots(pipeline, userPrompt, MediaSlotKind::kVideoPlay);
  return std::string();
}

std::string replyAsCompanion(ov::genai::LLMPipeline& pipeline, const std::string& userPrompt) {
  std::string prompt;
  prompt.reserve(prompts::kPersonaPromptHead.size() + userPrompt.size());
  prompt.append(prompts::kPersonaPromptHead).append(userPrompt);

  std::string reply = generateText(pipeline, prompt, kChatSettings);
  trimWhitespace(reply);
  return reply;
}

}  // namespace llm_bridge
