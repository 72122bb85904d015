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

}  // namespace norvik
