#include "model_paths.h"

#include <system_error>

namespace llm_bridge {

namespace fs = std::filesystem;

fs::path absoluteNormalPath(const std::string& text) {
  fs::path path(text);
  if (path.empty()) return path;
  if (!path.is_absolute()) path = fs::absolute(path);
  return path.lexically_normal();
}

std::string npuCacheDirectory(const std::string& cacheDir) {
  if (!cacheDir.empty()) return absoluteNormalPath(cacheDir).string();

  std::error_code error;
  fs::path base = fs::current_path(error);
  if (error || base.empty()) base = ".";
  return (base / DefaultCacheDirectoryName).string();
}

}  // namespace llm_bridge
