// A reply buffer as an engine call leaves it, made from fuzz input: the text,
// its NUL, and a reported length that is usually the text's length but may be
// anything (an engine that lies). The buffer is a heap block of exactly its
// capacity, so reading past it is caught; the reply is what the module reads,
// clamped as the module clamps it.
#pragma once

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "json_cursor.h"

namespace deskpet_fuzz {

struct ReplyInput {
  std::unique_ptr<char[]> buffer;
  std::size_t capacity = 0;
  intent_bridge::EngineReply reply{nullptr, 0};
};

inline ReplyInput makeReplyInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const auto mode = input.ConsumeIntegral<std::uint8_t>();
  std::uint32_t reported = 0;
  const bool lying = mode % 4 == 1;
  if (lying) reported = input.ConsumeIntegral<std::uint32_t>();
  const std::string text = input.ConsumeRemainingBytesAsString();
  if (!lying) reported = static_cast<std::uint32_t>(text.size());

  ReplyInput made;
  // Mode 2: a buffer with no room for the NUL (the module then drops the last byte).
  made.capacity = mode % 4 == 2 ? text.size() : text.size() + 1;
  made.buffer.reset(new char[made.capacity]);
  std::memcpy(made.buffer.get(), text.data(), text.size());
  if (made.capacity > text.size()) made.buffer[text.size()] = '\0';
  made.reply = intent_bridge::clampedReply(made.buffer.get(), made.capacity, reported);
  return made;
}

}  // namespace deskpet_fuzz
