#include "device_properties.h"

namespace llm_bridge {

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

}  // namespace llm_bridge
