#include "working_directory_scope.h"

#include <system_error>

namespace llm_bridge {

namespace fs = std::filesystem;

namespace {

// The throwing form of is_directory reports "not found" (and a missing parent
// component) as false and throws for every other failure, such as a denied search
// permission.
bool isExistingDirectory(const fs::path& path) {
  return !path.empty() && fs::is_directory(path);
}

}  // namespace

fs::path workingDirectoryTarget(const fs::path& location) {
  if (isExistingDirectory(location)) return location;
  fs::path parent = location.parent_path();
  if (isExistingDirectory(parent)) return parent;
  return {};
}

WorkingDirectoryScope::WorkingDirectoryScope(const fs::path& location) {
  std::error_code error;
  previous_ = fs::current_path(error);
  if (error) return;

  const fs::path target = workingDirectoryTarget(location);
  if (target.empty()) return;
  fs::current_path(target, error);
  switched_ = !error;
}

WorkingDirectoryScope::~WorkingDirectoryScope() {
  if (!switched_) return;
  std::error_code ignored;
  fs::current_path(previous_, ignored);
}

}  // namespace llm_bridge
