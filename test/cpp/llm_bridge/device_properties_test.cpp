#include <gtest/gtest.h>

#include <string>

#include "model_state.h"

namespace {

using llm_bridge::deviceKey;
using llm_bridge::isNpuDeviceKey;
using llm_bridge::pipelineProperties;

TEST(DeviceKey, LowersAsciiLettersOnly) {
  EXPECT_EQ(deviceKey("NPU"), "npu");
  EXPECT_EQ(deviceKey("nPu"), "npu");
  EXPECT_EQ(deviceKey("GPU.1"), "gpu.1");
  EXPECT_EQ(deviceKey("\xc3\x84NPU"), "\xc3\x84npu");  // ÄNPU: the non-ASCII bytes stay
}

TEST(DeviceKey, OnlyExactlyNpuSelectsTheNpu) {
  for (const char* device : {"NPU", "npu", "Npu", "nPU"}) EXPECT_TRUE(isNpuDeviceKey(deviceKey(device))) << device;
  for (const char* device : {"NPU.0", " NPU", "NPU ", "xnpu", "CPU", "GPU", "", "np"}) {
    EXPECT_FALSE(isNpuDeviceKey(deviceKey(device))) << device;
  }
}

TEST(PipelineProperties, NpuGetsCacheDirAndNpuwDevicesAsStrings) {
  const ov::AnyMap properties = pipelineProperties("npu", "/var/cache/deskpet");
  ASSERT_EQ(properties.size(), 2u);
  const ov::Any& cache = properties.at("CACHE_DIR");
  const ov::Any& devices = properties.at("NPUW_DEVICES");
  ASSERT_TRUE(cache.is<std::string>());
  ASSERT_TRUE(devices.is<std::string>());
  EXPECT_EQ(cache.as<std::string>(), "/var/cache/deskpet");
  EXPECT_EQ(devices.as<std::string>(), "NPU");
}

TEST(PipelineProperties, OtherDevicesGetNothing) {
  EXPECT_TRUE(pipelineProperties("cpu", "/var/cache/deskpet").empty());
  EXPECT_TRUE(pipelineProperties("npu.0", "/var/cache/deskpet").empty());
  EXPECT_TRUE(pipelineProperties("", "").empty());
}

}  // namespace
