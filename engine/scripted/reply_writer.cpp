#include "reply_writer.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "norvik.h"

namespace scripted {
namespace {

// Bytes of the buffer that may be written, NUL included.
std::size_t room(const char* buffer, int32_t capacity) {
  return buffer == nullptr || capacity <= 0 ? 0 : static_cast<std::size_t>(capacity);
}

// Writes as much of the text as fits with its NUL; returns the text bytes written.
std::size_t writeTruncated(const std::string& text, char* buffer, std::size_t room) {
  if (room == 0) return 0;
  const std::size_t written = std::min(text.size(), room - 1);
  std::memcpy(buffer, text.data(), written);
  buffer[written] = '\0';
  return written;
}

}  // namespace

int32_t writeReply(const ReplyEntry& entry, char* buffer, int32_t capacity, uint32_t* outLength) {
  int32_t code = entry.code.value_or(0);
  if (entry.json) {
    const std::string& text = *entry.json;
    const std::size_t space = room(buffer, capacity);
    const bool fits = text.size() < space;
    std::size_t reported = text.size();
    if (!fits && !entry.code) {
      code = NORVIK_BUFFER_TOO_SMALL;
    } else {
      reported = writeTruncated(text, buffer, space);
    }
    writeOut(std::optional<uint32_t>(static_cast<uint32_t>(reported)), outLength);
  }
  writeOut(entry.outLength, outLength);
  return code;
}

}  // namespace scripted
