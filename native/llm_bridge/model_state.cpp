#include "model_state.h"

#include <memory>
#include <system_error>

namespace llm_bridge {

namespace fs = std::filesystem;

namespace {

// Constant-initialised (std::mutex and the atomics have constexpr constructors),
// so it is ready before any environment can call into the module.
LlmState processState;

// The throwing form of is_directory reports "not found" (and a missing parent
// component) as false and throws for every other failure, such as a denied search
// permission.
bool isExistingDirectory(const fs::path& path) {
  return !path.empty() && fs::is_directory(path);
}

}  // namespace

LlmState& llmState() {
  return processState;
}

void releasePipeline() noexcept {
  LlmState& state = llmState();
  ov::genai::LLMPipeline* old = state.pipeline.exchange(nullptr);
  // Once the host has begun tearing environments down, the library's own
  // teardown may already be under way; leave the object alone then.
  if (old != nullptr && !state.environmentClosing.load()) delete old;
}

void loadPipeline(const std::string& modelPath, const std::string& device, const std::string& cacheDir) {
  releasePipeline();

  const fs::path modelDirectory = absoluteNormalPath(modelPath);
  const std::string key = deviceKey(device);
  // Resolved before the working directory moves, so that a default or relative
  // cache directory lands under the directory the caller was in.
  const std::string cacheDirectory = isNpuDeviceKey(key) ? npuCacheDirectory(cacheDir) : std::string();

  // The pipeline is constructed from inside the model directory, so that files
  // the model refers to by relative path resolve there.
  WorkingDirectoryScope scope(modelDirectory);
  const ov::AnyMap properties = pipelineProperties(key, cacheDirectory);
  auto pipeline = std::make_unique<ov::genai::LLMPipeline>(modelDirectory, device, properties);
  llmState().pipeline.store(pipeline.release());
}

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
  return (base / kDefaultCacheDirectoryName).string();
}

std::string deviceKey(const std::string& device) {
  std::string key = device;
  // Only A-Z change, as with tolower in the "C" locale; other bytes stay.
  for (char& c : key) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return key;
}

bool isNpuDeviceKey(const std::string& key) {
  return key == "npu";
}

ov::AnyMap pipelineProperties(const std::string& key, const std::string& cacheDirectory) {
  ov::AnyMap properties;
  if (isNpuDeviceKey(key)) {
    properties.emplace("CACHE_DIR", ov::Any(std::string(cacheDirectory)));
    properties.emplace("NPUW_DEVICES", ov::Any(std::string("NPU")));
  }
  return properties;
}

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
