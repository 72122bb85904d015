// Applies a scripted entry to the caller's reply buffer and out-parameters.
// Nothing is ever written outside the caller's buffer, and null pointers are
// skipped.
#pragma once

#include <cstdint>
#include <optional>

#include "script.h"

namespace scripted {

// For the functions with a reply buffer; returns the call's result code.
// - `json` absent: nothing is written to the buffer or *outLength.
// - `code` absent and the text plus its NUL does not fit: nothing is written,
//   *outLength is the text's byte length and the result is -4.
// - Otherwise the text and a NUL are written and *outLength is the text's
//   length; when `code` is present and the text does not fit, only the first
//   capacity-1 bytes and a NUL are written (nothing when capacity <= 0) and
//   *outLength is the number of text bytes written.
// A null buffer is treated as a buffer with no room.
// Finally `outLength`, when present, overwrites *outLength.
int32_t writeReply(const ReplyEntry& entry, char* buffer, int32_t capacity, uint32_t* outLength);

// Stores the scripted value in the out-parameter when both exist.
template <typename T>
void writeOut(const std::optional<T>& value, T* out) {
  if (value && out != nullptr) *out = *value;
}

}  // namespace scripted
