// One log line: a JSON object that describes a call as it arrived, with "fn"
// first and then the arguments and out-parameter values in the order added.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <type_traits>

#include "deskpet/json_writer.h"
#include "engine_function.h"

namespace scripted {

class CallRecord {
 public:
  explicit CallRecord(EngineFunction fn);

  // "<name>_hex": lower-case hex of the bytes before the NUL; null for a null pointer.
  void addText(std::string_view name, const char* text);
  void addInteger(std::string_view name, int64_t value);
  // Round-trip precision; a non-finite value is written as null.
  void addDouble(std::string_view name, double value);
  void addBool(std::string_view name, bool value);
  void addNull(std::string_view name);

  // The value the out-parameter holds on entry, or null for a null pointer.
  template <typename T>
  void addPointee(std::string_view name, const T* pointer) {
    if (pointer == nullptr) {
      addNull(name);
    } else if constexpr (std::is_floating_point_v<T>) {
      addDouble(name, *pointer);
    } else {
      addInteger(name, static_cast<int64_t>(*pointer));
    }
  }

  // "bufferZeroed": whether all `capacity` bytes of the buffer are zero. No
  // bytes (capacity <= 0) counts as zeroed; a null buffer never does.
  void addBufferZeroed(const char* buffer, int32_t capacity);

  // The complete line, without the newline.
  std::string line() const { return json_.text() + "}"; }

 private:
  deskpet::JsonWriter json_;  // the object, still open
};

// Appends the record and a newline to the file and flushes it at once. A log
// that cannot be written is skipped: the call itself still answers.
void appendToLog(const std::filesystem::path& logPath, const CallRecord& record);

}  // namespace scripted
