#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace testing_support {

// A fresh directory under the system's temporary directory, removed with
// everything in it when the object goes away.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// A temporary model directory holding scripted_model.json with the given text.
class ModelDir : public TempDir {
 public:
  explicit ModelDir(const std::string& scriptJson);
};

// text as a JSON string literal (quotes and backslashes escaped), for paths
// written into scripts.
std::string jsonQuoted(const std::string& text);

void writeFile(const std::filesystem::path& file, const std::string& contents);

// The lines of a text file, without their newlines; empty when it does not exist.
std::vector<std::string> readLines(const std::filesystem::path& file);

// Switches the process's working directory and restores it on scope exit.
class WorkingDirectory {
 public:
  explicit WorkingDirectory(const std::filesystem::path& dir);
  ~WorkingDirectory();
  WorkingDirectory(const WorkingDirectory&) = delete;
  WorkingDirectory& operator=(const WorkingDirectory&) = delete;

 private:
  std::filesystem::path previous_;
};

}  // namespace testing_support
