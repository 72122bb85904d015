#include "reply_fragments.h"

#include <string>

#include "deskpet/json_escape.h"

namespace norvik {

CommandReplyText::CommandReplyText(const std::vector<CommandPtr>& commands) {
  commands_.reserve(commands.size());
  starts_.reserve(2 * commands.size() + 1);
  std::size_t bound = 0;
  for (const CommandPtr& command : commands) bound += 32 + deskpet::jsonStringBound(command->name.size());
  text_.reserve(bound);
  for (const CommandPtr& command : commands) {
    commands_.push_back(command.get());
    starts_.push_back(text_.size());
    text_ += "{\"id\":" + std::to_string(command->id);
    starts_.push_back(text_.size());
    text_ += ",\"name\":";
    const std::size_t size = text_.size();
    text_.resize(size + deskpet::jsonStringBound(command->name.size()));
    char* start = &text_[size];
    text_.resize(size + static_cast<std::size_t>(deskpet::writeJsonString(start, command->name) - start));
  }
  starts_.push_back(text_.size());
  for (const CommandTarget target : {CommandTarget::Local, CommandTarget::Llm, CommandTarget::Chat}) {
    targets_[static_cast<std::size_t>(target)] = '"' + std::string(targetName(target)) + '"';
  }
}

}  // namespace norvik
