// Result codes returned by the engine's C functions.
#pragma once

#include <cstdint>

namespace norvik {

enum ResultCode : int32_t {
  kOk = 0,
  kNotInitialised = -1,
  kInvalidArgument = -2,  // null pointer, negative capacity or length, out-of-range value
  kFileOrJsonError = -3,  // unreadable file, malformed JSON, invalid corpus content
  kBufferTooSmall = -4,   // reply and NUL do not fit; the needed length is reported
  kInternalError = -5,    // out of memory or any other unexpected failure
};

}  // namespace norvik
