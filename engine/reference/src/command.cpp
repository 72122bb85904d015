#include "command.h"

namespace norvik {

const char* targetName(CommandTarget target) {
  switch (target) {
    case CommandTarget::Llm:
      return "llm";
    case CommandTarget::Chat:
      return "chat";
    case CommandTarget::Local:
      break;
  }
  return "local";
}

const std::string* Command::actionValue(std::string_view member) const {
  for (const auto& field : action) {
    if (field.first == member) return &field.second;
  }
  return nullptr;
}

bool Command::hasActionType(std::string_view type) const {
  const std::string* value = actionValue("type");
  return value != nullptr && *value == type;
}

}  // namespace norvik
