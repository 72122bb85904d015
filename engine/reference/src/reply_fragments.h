// JSON text of each command's constant members, and of the targets, made once
// per snapshot: the replies copy it instead of writing the id and escaping the
// name each time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "command.h"

namespace norvik {

class CommandReplyText {
 public:
  // For the commands at their positions in `commands`.
  explicit CommandReplyText(const std::vector<CommandPtr>& commands);

  // Whether `command` is the one at `position`.
  bool holds(uint32_t position, const Command* command) const {
    return position < commands_.size() && commands_[position] == command;
  }
  // {"id":503
  std::string_view idMember(uint32_t position) const { return piece(2 * position); }
  // ,"name":"设置闹钟"
  std::string_view nameMember(uint32_t position) const { return piece(2 * position + 1); }
  // "local", "llm" or "chat", quoted.
  std::string_view target(CommandTarget target) const {
    const auto index = static_cast<std::size_t>(target);
    return targets_[index < 3 ? index : static_cast<std::size_t>(CommandTarget::Local)];
  }

 private:
  std::string_view piece(std::size_t index) const {
    return std::string_view(text_.data() + starts_[index], starts_[index + 1] - starts_[index]);
  }

  std::vector<const Command*> commands_;
  std::string text_;                 // the pieces of every command, one after the other
  std::vector<std::size_t> starts_;  // where each piece starts, and the end of the last
  std::string targets_[3];           // by CommandTarget
};

}  // namespace norvik
