#pragma once

#include <filesystem>

// A fresh directory under the system temp folder, removed with its contents at
// the end of the scope, and the working directory put back as it was.
class ScratchDirectory {
 public:
  ScratchDirectory();
  ~ScratchDirectory();

  ScratchDirectory(const ScratchDirectory&) = delete;
  ScratchDirectory& operator=(const ScratchDirectory&) = delete;

  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
  std::filesystem::path previousWorkingDirectory_;
};
