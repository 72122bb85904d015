#include "call_log.hpp"

#include <fstream>
#include <mutex>

#include "openvino/core/except.hpp"

namespace ov {
namespace genai {
namespace scripted {
namespace {

// Pipelines on different threads may share a log file: one line at a time.
std::mutex& appendMutex() {
  static std::mutex mutex;
  return mutex;
}

}  // namespace

void CallLog::append(const std::string& line) const {
  std::lock_guard<std::mutex> lock(appendMutex());
  std::ofstream out(file_, std::ios::binary | std::ios::app);
  if (out) {
    out << line << '\n';
    out.flush();
  }
  if (!out) {
    throw ov::Exception("Cannot write the scripted model's call log: " + file_.u8string());
  }
}

}  // namespace scripted
}  // namespace genai
}  // namespace ov
