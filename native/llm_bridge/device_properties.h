#pragma once

#include <string>

#include "openvino/genai/llm_pipeline.hpp"

namespace llm_bridge {

// The device name with its ASCII letters lowered, used only to choose the
// properties; the pipeline itself gets the name exactly as the caller wrote it.
std::string deviceKey(const std::string& device);

// Whether the device key names the NPU: exactly "npu", nothing before or after.
bool isNpuDeviceKey(const std::string& key);

// The pipeline properties for a device key: for the NPU, "CACHE_DIR" holding
// `cacheDirectory` and "NPUW_DEVICES" holding "NPU" (both std::string values);
// for every other device an empty map.
ov::AnyMap pipelineProperties(const std::string& key, const std::string& cacheDirectory);

}  // namespace llm_bridge
