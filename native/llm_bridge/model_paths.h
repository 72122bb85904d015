#pragma once

#include <filesystem>
#include <string>

namespace llm_bridge {

// Name of the NPU compilation cache created under the working directory when the
// caller names no cache directory.
inline constexpr const char* DefaultCacheDirectoryName = "vlm_cache";

// Makes `text` an absolute path against the current working directory (unless it
// is absolute already) and normalises it lexically. An empty text gives an empty
// path. Throws std::filesystem::filesystem_error when the working directory cannot
// be determined for a relative path.
std::filesystem::path absoluteNormalPath(const std::string& text);

// The cache directory for an NPU load: `cacheDir` made absolute and normalised
// when given, else the current working directory (or "." when it cannot be read)
// with DefaultCacheDirectoryName appended, not normalised.
std::string npuCacheDirectory(const std::string& cacheDir);

}  // namespace llm_bridge
