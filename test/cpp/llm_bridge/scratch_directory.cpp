#include "scratch_directory.h"

#include <random>
#include <string>
#include <system_error>

namespace fs = std::filesystem;

ScratchDirectory::ScratchDirectory() : previousWorkingDirectory_(fs::current_path()) {
  std::random_device random;
  const fs::path base = fs::canonical(fs::temp_directory_path());
  do {
    path_ = base / ("llm_bridge_test_" + std::to_string(random()));
  } while (!fs::create_directory(path_));
}

ScratchDirectory::~ScratchDirectory() {
  std::error_code ignored;
  fs::current_path(previousWorkingDirectory_, ignored);
  fs::remove_all(path_, ignored);
}
