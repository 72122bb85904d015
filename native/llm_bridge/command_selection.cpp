#include "command_selection.h"

#include <string_view>

#include "llm_state.h"
#include "prompt_texts.h"
#include "whitespace_trim.h"

namespace llm_bridge {

namespace {

struct SlotPrompt {
  std::string_view head;
  std::string_view cue;
};

SlotPrompt slotPrompt(MediaSlotKind kind) {
  switch (kind) {
    case MediaSlotKind::Music:
      return {prompts::MusicSlotPromptHead, prompts::SingerCue};
    case MediaSlotKind::VideoPlay:
      return {prompts::VideoPlaySlotPromptHead, prompts::ActorCue};
    case MediaSlotKind::VideoSearch:
      break;
  }
  return {prompts::VideoSearchSlotPromptHead, prompts::ActorCue};
}

std::string concatenate(std::string_view head, const std::string& user, std::string_view cue) {
  std::string prompt;
  prompt.reserve(head.size() + user.size() + cue.size());
  prompt.append(head).append(user).append(cue);
  return prompt;
}

// What the command pipeline does for a recognised command name.
enum class CommandAction { Slots, Confirm, PassThrough };

struct CommandPhrase {
  std::string_view reply;  // the whole trimmed first reply
  CommandAction action;
  MediaSlotKind kind;  // for CommandAction::Slots
};

// Tested in this order; the first whole-string byte match decides.
constexpr CommandPhrase CommandPhrases[] = {
    {prompts::MusicCommandShort, CommandAction::Slots, MediaSlotKind::Music},
    {prompts::MusicCommand, CommandAction::Slots, MediaSlotKind::Music},
    {prompts::VideoPlayCommand, CommandAction::Slots, MediaSlotKind::VideoPlay},
    {prompts::VideoSearchCommand, CommandAction::Slots, MediaSlotKind::VideoSearch},
    {prompts::MusicOrVideoCommand, CommandAction::Confirm, MediaSlotKind::Music},
};

CommandPhrase chooseAction(const std::string& trimmedReply) {
  for (const CommandPhrase& phrase : CommandPhrases) {
    if (trimmedReply == phrase.reply) return phrase;
  }
  return {trimmedReply, CommandAction::PassThrough, MediaSlotKind::Music};
}

}  // namespace

std::string extractMediaSlots(ov::genai::LLMPipeline& pipeline, const std::string& userPrompt, MediaSlotKind kind) {
  const SlotPrompt slot = slotPrompt(kind);
  return generateText(pipeline, concatenate(slot.head, userPrompt, slot.cue), CommandSettings);
}

std::string selectCommand(const std::string& userPrompt) {
  ov::genai::LLMPipeline& pipeline = *llmState().pipeline.load();

  std::string firstReply =
      generateText(pipeline, concatenate(prompts::CommandPromptHead, userPrompt, prompts::AgentCue), CommandSettings);

  // Only the comparison sees the trimmed reply; an unmatched reply goes back as
  // the model produced it.
  std::string trimmed = firstReply;
  trimWhitespace(trimmed);
  const CommandPhrase choice = chooseAction(trimmed);
  switch (choice.action) {
    case CommandAction::Slots:
      return extractMediaSlots(pipeline, userPrompt, choice.kind);
    case CommandAction::Confirm:
      return std::string(prompts::ConfirmMusicOrVideo);
    case CommandAction::PassThrough:
      break;
  }
  return firstReply;
}

}  // namespace llm_bridge
