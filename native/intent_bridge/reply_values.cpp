#include "reply_values.h"

#include "name_table.h"

namespace intent_bridge {

namespace {

constexpr NameTable<kReplyValueCount> kValueTable(kReplyValues);

}  // namespace

std::int32_t replyValueIndex(std::string_view bytes) {
  return kValueTable.find(bytes);
}

}  // namespace intent_bridge
