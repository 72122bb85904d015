#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "scratch_directory.h"
#include "model_state.h"

namespace {

namespace fs = std::filesystem;
using llm_bridge::WorkingDirectoryScope;
using llm_bridge::workingDirectoryTarget;

class WorkingDirectoryScopeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    model = scratch.path() / "model";
    fs::create_directory(model);
    std::ofstream(model / "openvino_model.xml") << "<net/>";
    fs::current_path(scratch.path());
  }

  ScratchDirectory scratch;
  fs::path model;
};

TEST_F(WorkingDirectoryScopeTest, TargetIsTheDirectoryOrTheParentOfAFile) {
  EXPECT_EQ(workingDirectoryTarget(model), model);
  EXPECT_EQ(workingDirectoryTarget(model / "openvino_model.xml"), model);
  EXPECT_EQ(workingDirectoryTarget(model / "missing"), model);
}

TEST_F(WorkingDirectoryScopeTest, NoTargetWhenNeitherPathNorParentExists) {
  EXPECT_TRUE(workingDirectoryTarget(model / "missing" / "deeper").empty());
  EXPECT_TRUE(workingDirectoryTarget(model / "openvino_model.xml" / "inside").empty());
  EXPECT_TRUE(workingDirectoryTarget(fs::path()).empty());
}

TEST_F(WorkingDirectoryScopeTest, SwitchesForItsLifetimeAndRestores) {
  {
    WorkingDirectoryScope scope(model);
    EXPECT_TRUE(scope.switched());
    EXPECT_EQ(fs::current_path(), model);
  }
  EXPECT_EQ(fs::current_path(), scratch.path());
}

TEST_F(WorkingDirectoryScopeTest, RestoresWhenLeftByAnException) {
  EXPECT_THROW(
      {
        WorkingDirectoryScope scope(model / "openvino_model.xml");
        EXPECT_EQ(fs::current_path(), model);
        throw std::runtime_error("construction failed");
      },
      std::runtime_error);
  EXPECT_EQ(fs::current_path(), scratch.path());
}

TEST_F(WorkingDirectoryScopeTest, LeavesTheWorkingDirectoryAloneWithoutATarget) {
  WorkingDirectoryScope scope(model / "missing" / "deeper");
  EXPECT_FALSE(scope.switched());
  EXPECT_EQ(fs::current_path(), scratch.path());
}

}  // namespace
