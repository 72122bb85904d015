// The one model of the process and how it is loaded and released: the state
// shared by every script environment, the model and cache paths, the device
// properties, and the working-directory switch around pipeline construction.
#pragma once

#include <atomic>
#include <filesystem>
#include <mutex>
#include <string>

#include "openvino/genai/llm_pipeline.hpp"

namespace llm_bridge {

// The one model of the process, shared by every script environment (main thread
// and workers) that loads the module.
struct LlmState {
  // Serialises loading, unloading and every request. Not recursive: nothing that
  // runs while it is held locks it again.
  std::mutex mutex;
  // Owning pointer to the loaded pipeline, null when no model is loaded. Written
  // only under `mutex`; read without it by isModelLoaded, hence atomic.
  std::atomic<ov::genai::LLMPipeline*> pipeline{nullptr};
  // Set once the host has torn down an environment that loaded the module; from
  // then on a released pipeline is only forgotten, never destroyed. Never cleared.
  std::atomic<bool> environmentClosing{false};
};

// The process-wide instance. Its destructor never touches the pipeline, so a model
// still loaded when the process ends is not destroyed.
LlmState& llmState();

// Replaces the loaded model by a pipeline built from `modelPath` on `device`.
// The old model is released first, so a load that fails at any step leaves no
// model loaded. `cacheDir` (may be empty) only matters for the NPU. Throws on any
// failure: std::filesystem::filesystem_error from the path steps, or whatever the
// pipeline constructor throws. The caller holds llmState().mutex.
void loadPipeline(const std::string& modelPath, const std::string& device, const std::string& cacheDir);

// Forgets the loaded model, destroying it unless an environment has already been
// torn down. Does nothing when no model is loaded. The caller holds
// llmState().mutex.
void releasePipeline() noexcept;

// ---- Paths ----

// Name of the NPU compilation cache created under the working directory when the
// caller names no cache directory.
inline constexpr const char* kDefaultCacheDirectoryName = "vlm_cache";

// Makes `text` an absolute path against the current working directory (unless it
// is absolute already) and normalises it lexically. An empty text gives an empty
// path. Throws std::filesystem::filesystem_error when the working directory cannot
// be determined for a relative path.
std::filesystem::path absoluteNormalPath(const std::string& text);

// The cache directory for an NPU load: `cacheDir` made absolute and normalised
// when given, else the current working directory (or "." when it cannot be read)
// with kDefaultCacheDirectoryName appended, not normalised.
std::string npuCacheDirectory(const std::string& cacheDir);

// ---- Devices ----

// The device name with its ASCII letters lowered, used only to choose the
// properties; the pipeline itself gets the name exactly as the caller wrote it.
std::string deviceKey(const std::string& device);

// Whether the device key names the NPU: exactly "npu", nothing before or after.
bool isNpuDeviceKey(const std::string& key);

// The pipeline properties for a device key: for the NPU, "CACHE_DIR" holding
// `cacheDirectory` and "NPUW_DEVICES" holding "NPU" (both std::string values);
// for every other device an empty map.
ov::AnyMap pipelineProperties(const std::string& key, const std::string& cacheDirectory);

// ---- Working directory ----

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
