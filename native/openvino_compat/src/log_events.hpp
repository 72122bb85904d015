#pragma once

#include <filesystem>
#include <string>

#include "openvino/core/any.hpp"

namespace ov {
namespace genai {
namespace scripted {

// The JSON lines of the call log, one per event, without the newline.

// {"event":"load","cwd":C,"models_path":P,"device":D,"properties":{...}}
std::string loadEvent(const std::filesystem::path& cwd, const std::filesystem::path& modelsPath,
                      const std::string& device, const ov::AnyMap& properties);

// {"event":"generate","prompt":S,"prompt_hex":H,"input":"string"|"list","settings":{...}}
std::string generateEvent(const std::string& prompt, const char* inputKind, const ov::AnyMap& settings);

// {"event":"destroy"}
std::string destroyEvent();

// Lower-case hex of every byte of text.
std::string lowerHex(const std::string& text);

}  // namespace scripted
}  // namespace genai
}  // namespace ov
