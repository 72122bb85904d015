// TypeError texts of the argument tests, shared by the handlers.
#pragma once

namespace intent_bridge {

inline constexpr char kExpectedFilePath[] = "Expected string argument (file path)";
inline constexpr char kExpectedQuery[] = "Expected string argument (query)";
inline constexpr char kExpectedJsonCorpus[] = "Expected string argument (json corpus)";
inline constexpr char kExpectedConfig[] = "Expected object argument (config)";

}  // namespace intent_bridge
