#include "call_record.h"

#include <cmath>
#include <cstdio>
#include <fstream>

namespace scripted {

CallRecord::CallRecord(EngineFunction fn) {
  text_ = "{\"fn\":\"";
  text_ += functionName(fn);
  text_ += '"';
}

void CallRecord::addKey(std::string_view name) {
  text_ += ",\"";
  text_ += name;
  text_ += "\":";
}

void CallRecord::addText(std::string_view name, const char* text) {
  text_ += ",\"";
  text_ += name;
  text_ += "_hex\":";
  if (text == nullptr) {
    text_ += "null";
    return;
  }
  static constexpr char kDigits[] = "0123456789abcdef";
  text_ += '"';
  for (const char* p = text; *p != '\0'; ++p) {
    const auto byte = static_cast<unsigned char>(*p);
    text_ += kDigits[byte >> 4];
    text_ += kDigits[byte & 0x0f];
  }
  text_ += '"';
}

void CallRecord::addInteger(std::string_view name, int64_t value) {
  addKey(name);
  text_ += std::to_string(value);
}

void CallRecord::addDouble(std::string_view name, double value) {
  addKey(name);
  if (!std::isfinite(value)) {
    text_ += "null";
    return;
  }
  char digits[40];
  std::snprintf(digits, sizeof digits, "%.17g", value);
  text_ += digits;
}

void CallRecord::addBool(std::string_view name, bool value) {
  addKey(name);
  text_ += value ? "true" : "false";
}

void CallRecord::addNull(std::string_view name) {
  addKey(name);
  text_ += "null";
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
