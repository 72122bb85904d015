#pragma once

#include <filesystem>
#include <string>

namespace ov {
namespace genai {
namespace scripted {

// An append-only file of JSON lines. Every line is appended and flushed at
// once, and the file is closed again, so readers see each call as soon as it
// happens and several pipelines may share one file.
class CallLog {
 public:
  explicit CallLog(std::filesystem::path file) : file_(std::move(file)) {}

  // Appends line and a newline. Throws ov::Exception naming the file when it
  // cannot be written.
  void append(const std::string& line) const;

  const std::filesystem::path& file() const { return file_; }

 private:
  std::filesystem::path file_;
};

}  // namespace scripted
}  // namespace genai
}  // namespace ov
