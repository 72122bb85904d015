#pragma once

#include <filesystem>

#include "model_script.hpp"

namespace ov {
namespace genai {
namespace scripted {

// Reads <modelDir>/scripted_model.json. Throws ov::Exception naming the path and
// the problem when the directory is missing or not a directory, when the file is
// missing or unreadable, when it is not valid JSON, or when a member has the
// wrong shape.
ModelScript loadModelScript(const std::filesystem::path& modelDir);

}  // namespace scripted
}  // namespace genai
}  // namespace ov
