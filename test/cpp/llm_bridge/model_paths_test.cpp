#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "model_state.h"
#include "scratch_directory.h"

namespace {

namespace fs = std::filesystem;
using llm_bridge::absoluteNormalPath;
using llm_bridge::npuCacheDirectory;

TEST(AbsoluteNormalPath, EmptyStaysEmpty) {
  EXPECT_TRUE(absoluteNormalPath("").empty());
}

TEST(AbsoluteNormalPath, RelativePathsResolveAgainstTheWorkingDirectory) {
  ScratchDirectory scratch;
  fs::current_path(scratch.path());
  EXPECT_EQ(absoluteNormalPath("models/qwen"), scratch.path() / "models" / "qwen");
#ifdef _WIN32
  // Windows makes a path absolute with GetFullPathNameW, which already drops the trailing "\.".
  EXPECT_EQ(absoluteNormalPath("./a/../models//qwen/."), scratch.path() / "models" / "qwen");
#else
  EXPECT_EQ(absoluteNormalPath("./a/../models//qwen/."), (scratch.path() / "models" / "qwen" / "").lexically_normal());
#endif
}

TEST(AbsoluteNormalPath, AbsolutePathsAreOnlyNormalised) {
  const fs::path root = fs::current_path().root_path();
  EXPECT_EQ(absoluteNormalPath((root / "opt" / "x" / ".." / "models").string()), root / "opt" / "models");
}

TEST(NpuCacheDirectory, DefaultsToVlmCacheUnderTheWorkingDirectoryUnnormalised) {
  ScratchDirectory scratch;
  fs::current_path(scratch.path());
  EXPECT_EQ(npuCacheDirectory(""), (fs::current_path() / "vlm_cache").string());
}

TEST(NpuCacheDirectory, GivenDirectoryIsMadeAbsoluteAndNormalised) {
  ScratchDirectory scratch;
  fs::current_path(scratch.path());
  EXPECT_EQ(npuCacheDirectory("cache/../blobs/./npu"), (scratch.path() / "blobs" / "npu").string());
}

}  // namespace
