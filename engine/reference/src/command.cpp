#include "command.h"

#include <algorithm>
#include <functional>

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

uint64_t textHash(std::u32string_view text) {
  return std::hash<std::u32string_view>{}(text);
}

bool Command::hasOwnText(uint64_t hash) const {
  return std::binary_search(ownTextHashes.begin(), ownTextHashes.end(), hash);
}

const std::string* Command::actionValue(std::string_view member) const {
  for (const auto& field : action) {
    if (field.first == member) return &field.second;
  }
  return nullptr;
}

uint32_t actionKindOf(const std::string* type) {
  if (type == nullptr) return 0;
  static constexpr std::pair<std::string_view, uint32_t> kKinds[] = {
      {"open_app", kOpenApp},
      {"close_app", kCloseApp},
      {"open_website", kOpenWebsite},
      {"open_folder", kOpenFolder},
      {"pet", kPet},
      {"play_music", kPlayMusic},
      {"music_request", kMusicRequest},
      {"play_video", kPlayVideo},
      {"search_video", kSearchVideo},
      {"play_media", kPlayMedia},
  };
  for (const auto& [name, kind] : kKinds) {
    if (*type == name) return kind;
  }
  return 0;
}

void notePatternEnds(Command& command) {
  uint64_t firsts = 0;
  uint64_t lasts = 0;
  for (const Pattern& pattern : command.patterns) {
    firsts |= pattern.first == 0 ? ~uint64_t{0} : uint64_t{1} << (pattern.first & 63);
    lasts |= pattern.last == 0 ? ~uint64_t{0} : uint64_t{1} << (pattern.last & 63);
  }
  command.patternFirsts = firsts;
  command.patternLasts = lasts;
}

bool Command::hasActionType(std::string_view type) const {
  const std::string* value = actionValue("type");
  return value != nullptr && *value == type;
}

}  // namespace norvik
