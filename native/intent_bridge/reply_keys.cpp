#include "reply_keys.h"

#include "name_table.h"

namespace intent_bridge {

namespace {

constexpr NameTable<kReplyKeyCount> kKeyTable(kReplyKeys);

}  // namespace

std::int32_t replyKeyIndex(std::string_view key) {
  return kKeyTable.find(key);
}

std::int32_t replyKeyIndex(std::string_view key, std::int32_t expected) {
  if (expected >= 0 && static_cast<std::size_t>(expected) < kReplyKeyCount && kKeyTable.sameName(expected, key)) {
    return expected;
  }
  return kKeyTable.find(key);
}

}  // namespace intent_bridge
