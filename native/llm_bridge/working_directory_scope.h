#pragma once

#include <filesystem>

namespace llm_bridge {

// Switches the process's working directory to a model location for the lifetime
// of the scope and switches it back on every exit, normal or by exception.
//
// The target is the path itself when it names an existing directory, else its
// lexical parent when that names an existing directory; otherwise the working
// directory is left alone. When the current directory cannot be read at entry the
// scope does nothing at all. Failing to switch back is ignored.
//
// Existence tests treat a missing path (or one with a missing parent) as "not a
// directory"; any other filesystem failure throws std::filesystem::filesystem_error.
class WorkingDirectoryScope {
 public:
  explicit WorkingDirectoryScope(const std::filesystem::path& location);
  ~WorkingDirectoryScope();

  WorkingDirectoryScope(const WorkingDirectoryScope&) = delete;
  WorkingDirectoryScope& operator=(const WorkingDirectoryScope&) = delete;

  // Whether the working directory was switched on entry.
  bool switched() const noexcept { return switched_; }

 private:
  std::filesystem::path previous_;
  bool switched_ = false;
};

// The directory a scope for `location` switches to, or an empty path when it would
// not switch. Throws std::filesystem::filesystem_error as described above.
std::filesystem::path workingDirectoryTarget(const std::filesystem::path& location);

}  // namespace llm_bridge
