#include "call_record.h"

#include <cmath>
#include <cstdio>
#include <fstream>

namespace scripted {

CallRecord::CallRecord(EngineFunction fn) {
  json_.beginObject().key("fn").string(functionName(fn));
}

void CallRecord::addText(std::string_view name, const char* text) {
  json_.key(std::string(name) + "_hex");
  if (text == nullptr) {
    json_.null();
    return;
  }
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (const char* p = text; *p != '\0'; ++p) {
    const auto byte = static_cast<unsigned char>(*p);
    hex += kDigits[byte >> 4];
    hex += kDigits[byte & 0x0f];
  }
  json_.string(hex);
}

void CallRecord::addInteger(std::string_view name, int64_t value) {
  json_.key(name).integer(value);
}

void CallRecord::addDouble(std::string_view name, double value) {
  json_.key(name);
  if (!std::isfinite(value)) {
    json_.null();
    return;
  }
  char digits[40];
  std::snprintf(digits, sizeof digits, "%.17g", value);
  json_.number(digits);
}

void CallRecord::addBool(std::string_view name, bool value) {
  json_.key(name).boolean(value);
}

void CallRecord::addNull(std::string_view name) {
  json_.key(name).null();
}

void CallRecord::addBufferZeroed(const char* buffer, int32_t capacity) {
  bool zeroed = buffer != nullptr;
  for (int32_t i = 0; zeroed && i < capacity; ++i) zeroed = buffer[i] == '\0';
  addBool("bufferZeroed", zeroed);
}

void appendToLog(const std::filesystem::path& logPath, const CallRecord& record) {
  std::ofstream out(logPath, std::ios::binary | std::ios::app);
  if (!out) return;
  out << record.line() << '\n';
  out.flush();
}

}  // namespace scripted
